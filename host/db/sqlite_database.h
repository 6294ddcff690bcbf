// The embedded backend, for the database factory (database.cpp) only.
#pragma once

#include <filesystem>
#include <memory>

#include "database.h"

namespace hub {

// Opens (or creates) the SQLite file at `path`, or ":memory:"; see OpenDatabase.
std::shared_ptr<Database> OpenSqliteFile(const std::filesystem::path& path, bool readOnly);

}  // namespace hub
