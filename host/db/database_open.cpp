// The database factory: a location names an embedded file or a server's database.
// The server backend is a module of its own (postgres_database.h), loaded here the
// first time a server location is opened, named or shown: a program that only ever
// works on embedded companies never loads the server's client library.
#include <filesystem>
#include <system_error>

#include "database.h"
#include "postgres_database.h"
#include "sqlite_database.h"
#include "base/host_module.h"
#include "base/text_util.h"

namespace hub {

namespace {

constexpr const char* ErrorSource = "TolmHost.Database";

// A connection URI, or libpq's key=value form: "host=db1 dbname=company".
bool IsServerLocation(std::string_view location) {
    const std::string lower = AsciiLower(Trim(location));
    if (lower.starts_with("postgresql://") || lower.starts_with("postgres://")) return true;
    const size_t equals = lower.find('=');
    if (equals == std::string::npos) return false;
    const std::string_view key = Trim(std::string_view(lower).substr(0, equals));
    for (std::string_view known : {"host", "hostaddr", "port", "dbname", "user", "service"}) {
        if (key == known) return true;
    }
    return false;
}

const PostgresBackend* LoadPostgresModule() {
    return RequireModuleTable<PostgresBackend>(
        TOLM_POSTGRES_MODULE, TOLM_POSTGRES_ENTRY, PostgresBackendVersion, tolm::err::Database, ".Server",
        "This installation cannot work with a company on a database server: its server support (" +
            std::string(TOLM_POSTGRES_MODULE) + ", with the PostgreSQL client library libpq)",
        "Install the PostgreSQL client library, or install the program again.");
}

// Loaded once per process; a failed load is tried again at the next use.
const PostgresBackend& Postgres() {
    static const PostgresBackend* const backend = LoadPostgresModule();
    return *backend;
}

}  // namespace

std::optional<std::filesystem::path> EmbeddedDatabaseFile(const std::string& location) {
    if (location == ":memory:" || IsServerLocation(location)) return std::nullopt;
    return std::filesystem::absolute(location).lexically_normal();
}

std::string DatabaseDisplayName(const std::string& location) {
    if (IsServerLocation(location)) return Postgres().displayName(location);
    const std::optional<std::filesystem::path> file = EmbeddedDatabaseFile(location);
    return file ? file->string() : location;
}

bool LocationNamesRole(const std::string& location) {
    return IsServerLocation(location) && !Postgres().roleOf(location).empty();
}

std::shared_ptr<Database> OpenDatabase(const std::string& location, OpenMode mode) {
    return OpenDatabase(location, mode, ServerLogin{});
}

std::shared_ptr<Database> OpenDatabase(const std::string& location, OpenMode mode, const ServerLogin& login) {
    if (IsServerLocation(location)) return Postgres().open(location, mode, login);
    if (Trim(location).empty()) {
        throw tolm::HostError(tolm::err::Database, "No database was given", ErrorSource);
    }
    const std::optional<std::filesystem::path> file = EmbeddedDatabaseFile(location);
    if (!file) return OpenSqliteFile(":memory:", false);
    if (mode == OpenMode::CreateIfMissing) return OpenSqliteFile(*file, false);
    std::error_code ec;
    const auto status = std::filesystem::status(*file, ec);
    if (!std::filesystem::exists(status)) {
        throw tolm::HostError(tolm::err::FileNotFound, "There is no database file " + file->string(), ErrorSource);
    }
    // An empty file holds no company; opening it to write would make it one.
    const bool empty = std::filesystem::is_regular_file(status) && std::filesystem::file_size(*file, ec) == 0;
    return OpenSqliteFile(*file, mode == OpenMode::ReadOnly || empty);
}

}  // namespace hub
