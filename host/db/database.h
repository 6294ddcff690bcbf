// The host's database: one connection to the company's data, whatever the backend.
//
// Layer: db, above base and the contract. Nothing outside db/ names a backend: a
// company is opened by its location (OpenDatabase), and what differs between
// backends is asked of the connection (its Dialect, its Location, TableExists).
//
// Everything the host writes itself goes through Execute/Query with bound
// parameters (?1, ?2, ... in the SQL text), and the SQL the host writes lives in the
// model layer (host/model). The plug-in's SQL comes in through the data-access
// object (data_access.h), which translates its dialect first.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/dialect.h"
#include "tolm/host_library.h"
#include "tolm/variant.h"

namespace hub {

using Params = std::vector<tolm::Variant>;

// Where a company database lives, as the session reports it.
struct DatabaseLocation {
    // The file of an embedded database; empty for a server's and for a private
    // in-memory one.
    std::filesystem::path file;
    // The name shown for it: the file name, ":memory:", or the server's database name.
    std::string name;
    // The address of the database server: 127.0.0.1 for an embedded database and for
    // a server reached through its local socket.
    std::string server = "127.0.0.1";
};

// What kind of refusal a failed statement met, for callers that answer some of them
// in their own words (an overlapping rate is the editor's message, not the server's).
enum class DatabaseFault {
    Other,
    // Two rates of one type and currency valid on the same day.
    Overlap,
    // A unique key or index already holds the value.
    Duplicate,
    // A row refers to one that does not exist, or one still referred to was deleted.
    Reference,
    // A check of the schema (a rule on a column, a preset that may not change).
    Rule,
    // The server gave the transaction up for another's sake (a serialization failure
    // or a deadlock): running the same work again may well succeed.
    Retryable,
    // Another writer held the company longer than the wait allowed.
    Busy,
    // The connection to the server is gone.
    ConnectionLost,
    // The database was opened for reading only, or its file or folder may not be written.
    ReadOnly,
    // The disk (or the server's) has no room for the change.
    Full,
    // The database's storage is damaged (a page that cannot be read as what it should
    // hold, an error reading or writing the file): nothing can be trusted to run until
    // it is checked and repaired.
    Damaged,
    // The file is no database at all (not even a damaged one can be recognised in it).
    NotADatabase,
    // The server refused the login: an unknown role, a missing or wrong password, or
    // a role that may not connect to the database.
    Login,
    // The server's privileges do not let the session's role make the change.
    Permission,
};

// A statement or transaction the database refused: HostError(err::Database) with the
// kind of refusal. The description is the database's own text, for the debug log;
// the person reads the rule the refusal stands for (services/person_text.h).
class DatabaseError : public tolm::HostError {
public:
    DatabaseError(DatabaseFault fault, const std::string& description);
    DatabaseFault Fault() const { return m_fault; }

private:
    DatabaseFault m_fault;
};

// The kind of refusal `error` stands for when it was raised as a DatabaseError, also
// once it has been copied as a plain HostError (through the plug-in's traps, which
// keep number, description and source only): the kind travels in the source.
std::optional<DatabaseFault> FaultOf(const tolm::HostError& error);

// One row of a result as QueryEach hands it over: each value read where the backend
// holds it, converted only to the type asked for, so that reading a large result costs
// no value object per cell. Columns count from 0.
class ResultRow {
public:
    virtual ~ResultRow();
    // A whole number (NULL reads as 0).
    virtual int64_t Integer(int column) const = 0;
    // A number (NULL reads as 0).
    virtual double Number(int column) const = 0;
    // A date (with its time of day) stored as the host stores dates; raises
    // HostError(TypeMismatch) for any other value, NULL included.
    virtual tolm::DateTime Date(int column) const = 0;
};

class Database {
public:
    virtual ~Database();

    // How this backend writes what differs between backends. Lives as long as the
    // connection.
    virtual const Dialect& SqlDialect() const = 0;
    // Where the database lives, asked of the database itself.
    virtual DatabaseLocation Location() = 0;
    // Whether a table (or view) of that name exists; letter case is ignored.
    virtual bool TableExists(std::string_view name) = 0;
    // Whether the connection was opened for reading only (OpenMode::ReadOnly).
    virtual bool ReadOnly() const = 0;
    // The database's own check of its storage, reading all of it: nothing when it is
    // sound, else each problem in the database's own words (for the debug log, not
    // for a person); a check that damage cut short reports that as a problem. Writes
    // nothing. Outside a transaction on the server, whose transaction a failed
    // statement would end.
    virtual std::vector<std::string> StorageProblems() = 0;

    // Execute and Query take exactly one statement: text after the first statement
    // (other than blanks and comments) is refused and never executed.
    //
    // Runs one statement; returns the number of rows it changed. A failing statement
    // raises tolm::HostError(err::Database) with the database's message.
    virtual int64_t Execute(const std::string& sql, const Params& params = {}) = 0;
    // Runs one query and returns its rows. Columns declared DATE or DATETIME come back
    // as Date values, NULL as Null, integers as Long (Double beyond 32 bits).
    virtual std::shared_ptr<tolm::MemoryRecordset> Query(const std::string& sql, const Params& params = {}) = 0;
    // Runs one query and hands its rows to `onRow` one at a time, where the backend
    // can without holding the whole result, each value read as the caller asks for it
    // (ResultRow). The row is valid only during the call, and `onRow` must not use this
    // database. Raises as Query does.
    using RowVisitor = std::function<void(const ResultRow&)>;
    virtual void QueryEach(const std::string& sql, const Params& params, const RowVisitor& onRow);
    // Runs a script of statements separated by semicolons (schema changes only).
    virtual void ExecuteScript(const std::string& sql) = 0;
    // The id the last insert generated.
    virtual int64_t LastInsertId() = 0;
    // After rows were stored with explicit ids (a company copied in), makes the ids
    // the database generates itself continue above the highest stored one.
    virtual void AdvanceIdGenerators() = 0;
    // What a server stores for the login role's password (computed here, so the
    // password itself never travels in a statement). Raises HostError(Database) on a
    // backend without login roles.
    virtual std::string RolePasswordVerifier(const std::string& role, const std::string& password);

    // Transactions nest: only the outermost one commits, and only then is anything
    // stored. An inner level is a savepoint: its Rollback undoes only the work done
    // since its Begin, and the outer level goes on. A Commit the database refuses
    // (a deferred foreign key) rolls the transaction back and raises HostError.
    // Begin takes the company's write lock at once, so writers of other processes
    // and machines take turns (each waits up to the busy timeout) instead of failing
    // halfway or allocating the same id. When the database ends the
    // transaction by itself after an error (OR ROLLBACK, a full disk, an I/O
    // error), every Execute, Query, ExecuteScript and inner Begin raises
    // HostError(err::Database) until the outermost level has ended (its Rollback,
    // or its Commit, which then fails): nothing runs outside the transaction the
    // caller believes open. The server backend ends it that way after any failed
    // statement; rolling back an inner level (to its savepoint) makes the
    // transaction usable again.
    virtual void Begin() = 0;
    // As Begin, but as the outermost level the transaction (and the write lock) starts
    // only with the first Execute, ExecuteScript or inner Begin; queries before that
    // read what is committed. For events that may ask the person something before
    // they write: nobody waits on the company while a question is open. Inside a
    // transaction it is Begin.
    virtual void BeginOnFirstWrite() = 0;
    virtual void Commit() = 0;
    virtual void Rollback() = 0;
    virtual bool InTransaction() const = 0;
    // Whether a transaction is open and holds the write lock: false outside one and
    // while a BeginOnFirstWrite transaction still waits for its first write.
    virtual bool WriteStarted() const = 0;
    // How many levels are open: 0 outside a transaction, 1 in the outermost.
    virtual int Depth() const = 0;
};

// When a transaction takes the company's write lock.
enum class TransactionStart { Now, AtFirstWrite };

// Commits at Commit(), rolls back when left without it (an exception on the way).
class Transaction {
public:
    explicit Transaction(Database& db, TransactionStart start = TransactionStart::Now);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void Commit();

private:
    Database& m_db;
    bool m_done = false;
};

// How often RunTransaction tries work the server gave up for another's sake.
inline constexpr int MaxTransactionAttempts = 5;

// Runs `work` in a transaction and commits it. As the outermost level, work that
// fails with DatabaseFault::Retryable is rolled back and run again, up to
// MaxTransactionAttempts times in all, after a short growing pause; then a
// DatabaseError(Retryable) says that nothing was stored. Inside a transaction the
// caller already holds, `work` runs once at a savepoint and a retry is the
// outermost caller's to make. `work` must therefore be safe to run again.
void RunTransaction(Database& db, const std::function<void()>& work);

// Whether opening a location may create the database.
enum class OpenMode {
    // The database must exist: a mistyped location must not pass for an empty company.
    Existing,
    // A database file that does not exist yet is created (empty, without a schema).
    CreateIfMissing,
    // The database must exist and is only read: nothing is created or changed, not
    // even the journal mode, so a file in a folder that may not be written is read
    // as it stands.
    ReadOnly,
};

// Opens the company database at `location`:
//  * a PostgreSQL connection URI ("postgresql://user@host:port/dbname",
//    "postgres://...") or a libpq key=value string ("host=... dbname=...") names a
//    database on a server;
//  * anything else is the path of an embedded SQLite file (WAL journal, foreign
//    keys on, a busy timeout so several processes can share the file); ":memory:"
//    gives a private in-memory database.
// A file that is not a database, or a database of another program (tables but no
// t_SchemaVersion), raises HostError(err::Database) and is left untouched; with
// OpenMode::Existing or ReadOnly a missing file raises HostError(err::FileNotFound);
// an empty file is opened read-only then, so a mistaken location stays empty. On a server,
// OpenMode::CreateIfMissing creates a database that does not exist yet (given the
// right to); a server that cannot be reached raises HostError(err::Database). The schema
// is not touched here: call Migrate (migrations.h) or InitCompany (model/) next.
// One connection, for one thread at a time.
std::shared_ptr<Database> OpenDatabase(const std::string& location, OpenMode mode = OpenMode::CreateIfMissing);

// Who logs in to a server: the role (empty: the one the location names, else the
// server's default for this process), and the role's password, asked only when the
// server wants one. A refused login raises DatabaseError(DatabaseFault::Login).
struct ServerLogin {
    std::string role;
    std::function<std::optional<std::string>()> password;
};
// OpenDatabase with a login of its own; an embedded database has none and ignores it.
std::shared_ptr<Database> OpenDatabase(const std::string& location, OpenMode mode, const ServerLogin& login);

// Whether the location is a server's and names the role to log in as.
bool LocationNamesRole(const std::string& location);

// The location as a person may see it: the absolute file of an embedded database,
// or a server's database as "dbname on host" without any password it carries.
std::string DatabaseDisplayName(const std::string& location);

// The file an embedded database at `location` lives in, absolute and normalised;
// nothing for a server location and for ":memory:". Reads nothing.
std::optional<std::filesystem::path> EmbeddedDatabaseFile(const std::string& location);

}  // namespace hub
