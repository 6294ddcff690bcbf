// The server backend, for the database factory (database.cpp) only.
#pragma once

#include <memory>
#include <string>

#include "database.h"

namespace hub {

// Connects to the PostgreSQL database named by `location` (a connection URI or a
// key=value string); see OpenDatabase. With `createIfMissing`, a database that does
// not exist on a reachable server is created first.
std::shared_ptr<Database> OpenPostgres(const std::string& location, OpenMode mode);

// "dbname on host" (or "dbname" for the local socket), read from the location
// without connecting; a password in it is never part of the name.
std::string PostgresDisplayName(const std::string& location);

}  // namespace hub
