// The server backend, for the database factory (database.cpp) only.
#pragma once

#include <memory>
#include <string>

#include "database.h"

namespace hub {

// Connects to the PostgreSQL database named by `location` (a connection URI or a
// key=value string); see OpenDatabase. With `createIfMissing`, a database that does
// not exist on a reachable server is created first.
std::shared_ptr<Database> OpenPostgres(const std::string& location, bool createIfMissing);

}  // namespace hub
