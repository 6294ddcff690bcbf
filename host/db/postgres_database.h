// The server backend. It lives in a module of its own (libtolm_postgres.so), with
// the PostgreSQL client library it needs, so that a program working on an embedded
// company never loads either: the database factory (database_open.cpp) loads the
// module the first time a server location is opened, named or shown, and reaches
// these functions through the table the module exports.
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

// What the module exports: the functions above, and the version of this table, which
// the factory checks so that a module of another build is refused, not called.
struct PostgresBackend {
    int version;
    std::shared_ptr<Database> (*open)(const std::string& location, OpenMode mode, const ServerLogin& login);
    std::string (*roleOf)(const std::string& location);
    std::string (*displayName)(const std::string& location);
};
inline constexpr int PostgresBackendVersion = 1;

}  // namespace hub

// The module's one entry point, looked up by this name.
#define TOLM_POSTGRES_MODULE "libtolm_postgres.so"
#define TOLM_POSTGRES_ENTRY "tolm_postgres_backend"
extern "C" const hub::PostgresBackend* tolm_postgres_backend();
