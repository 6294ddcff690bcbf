// The server backend, for the database factory (database.cpp) only.
#pragma once

#include <memory>
#include <string>

#include "database.h"

namespace hub {

// Connects to the PostgreSQL database named by `location` (a connection URI or a
// key=value string); see OpenDatabase. With OpenMode::CreateIfMissing, a database
// that does not exist on a reachable server is created first. The login's role, when
// it names one, replaces the location's; its password is asked when the server wants
// one that the location does not give.
std::shared_ptr<Database> OpenPostgres(const std::string& location, OpenMode mode, const ServerLogin& login);

// The role the location names ("" when it leaves it to the server's default).
std::string PostgresRoleOf(const std::string& location);

// "dbname on host" (or "dbname" for the local socket), read from the location
// without connecting; a password in it is never part of the name.
std::string PostgresDisplayName(const std::string& location);

}  // namespace hub
