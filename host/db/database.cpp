#include "database.h"

#include <chrono>
#include <system_error>
#include <thread>

#include "postgres_database.h"
#include "sqlite_database.h"
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

}  // namespace

namespace {

constexpr std::string_view FaultNames[] = {"Other",     "Overlap",        "Duplicate", "Reference", "Rule",
                                           "Retryable", "Busy",           "ConnectionLost", "ReadOnly", "Full",
                                           "Damaged",   "NotADatabase",   "Login",     "Permission"};
static_assert(std::size(FaultNames) == static_cast<size_t>(DatabaseFault::Permission) + 1,
              "every kind of refusal has its name");
constexpr std::string_view RefusalSource = "TolmHost.Database.Refused.";

std::string SourceOf(DatabaseFault fault) {
    return std::string(RefusalSource) + std::string(FaultNames[static_cast<size_t>(fault)]);
}

}  // namespace

DatabaseError::DatabaseError(DatabaseFault fault, const std::string& description)
    : tolm::HostError(tolm::err::Database, description, SourceOf(fault)), m_fault(fault) {}

std::optional<DatabaseFault> FaultOf(const tolm::HostError& error) {
    const std::string_view source = error.Source();
    if (error.Number() != tolm::err::Database || !source.starts_with(RefusalSource)) return std::nullopt;
    for (size_t i = 0; i < std::size(FaultNames); ++i) {
        if (source.substr(RefusalSource.size()) == FaultNames[i]) return static_cast<DatabaseFault>(i);
    }
    return std::nullopt;
}

Database::~Database() = default;
Dialect::~Dialect() = default;

Transaction::Transaction(Database& db, TransactionStart start) : m_db(db) {
    if (start == TransactionStart::Now) {
        m_db.Begin();
    } else {
        m_db.BeginOnFirstWrite();
    }
}

Transaction::~Transaction() {
    if (m_done) return;
    try {
        m_db.Rollback();
    } catch (...) {
        // Unwinding already carries the error that matters; a failed rollback
        // leaves the connection to the backend, which drops the transaction with it.
    }
}

void Transaction::Commit() {
    // Marked first: a commit that fails has already ended the transaction, and the
    // destructor must not try to roll back a level that no longer exists.
    m_done = true;
    m_db.Commit();
}

void Database::QueryEach(const std::string& sql, const Params& params, const RowVisitor& onRow) {
    for (const std::vector<tolm::Variant>& row : Query(sql, params)->Rows()) onRow(row);
}

void RunTransaction(Database& db, const std::function<void()>& work) {
    const bool outermost = !db.InTransaction();
    for (int attempt = 1;; ++attempt) {
        try {
            Transaction transaction(db);
            work();
            transaction.Commit();
            return;
        } catch (const DatabaseError& error) {
            if (!outermost || error.Fault() != DatabaseFault::Retryable) throw;
            if (attempt == MaxTransactionAttempts) {
                throw DatabaseError(DatabaseFault::Retryable,
                                    "The database kept giving the change up for other users' changes made at the "
                                    "same time (" + std::to_string(attempt) +
                                        " attempts); nothing was stored. Try again.");
            }
        }
        // The transaction was rolled back by the Transaction's destructor.
        std::this_thread::sleep_for(std::chrono::milliseconds(20 * attempt));
    }
}

std::optional<std::filesystem::path> EmbeddedDatabaseFile(const std::string& location) {
    if (location == ":memory:" || IsServerLocation(location)) return std::nullopt;
    return std::filesystem::absolute(location).lexically_normal();
}

std::string DatabaseDisplayName(const std::string& location) {
    if (IsServerLocation(location)) return PostgresDisplayName(location);
    const std::optional<std::filesystem::path> file = EmbeddedDatabaseFile(location);
    return file ? file->string() : location;
}

bool LocationNamesRole(const std::string& location) {
    return IsServerLocation(location) && !PostgresRoleOf(location).empty();
}

std::shared_ptr<Database> OpenDatabase(const std::string& location, OpenMode mode) {
    return OpenDatabase(location, mode, ServerLogin{});
}

std::shared_ptr<Database> OpenDatabase(const std::string& location, OpenMode mode, const ServerLogin& login) {
    if (IsServerLocation(location)) return OpenPostgres(location, mode, login);
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

std::string Database::RolePasswordVerifier(const std::string&, const std::string&) {
    throw tolm::HostError(tolm::err::Database, "This database has no login roles", "TolmHost.Database");
}

}  // namespace hub
