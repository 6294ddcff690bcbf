// The host's database: one connection to the company's data, whatever the backend.
//
// Everything the host writes itself goes through Execute/Query with bound
// parameters (?1, ?2, ... in the SQL text). The plug-in's SQL comes in through the
// data-access object (data_access.h), which translates its dialect first.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tolm/host_library.h"
#include "tolm/variant.h"

namespace hub {

using Params = std::vector<tolm::Variant>;

class Database {
public:
    virtual ~Database();

    // "sqlite" or "postgresql".
    virtual std::string Backend() const = 0;

    // Execute and Query take exactly one statement: text after the first statement
    // (other than blanks and comments) is refused and never executed.
    //
    // Runs one statement; returns the number of rows it changed. A failing statement
    // raises tolm::HostError(err::Database) with the database's message.
    virtual int64_t Execute(const std::string& sql, const Params& params = {}) = 0;
    // Runs one query and returns its rows. Columns declared DATE or DATETIME come back
    // as Date values, NULL as Null, integers as Long (Double beyond 32 bits).
    virtual std::shared_ptr<tolm::MemoryRecordset> Query(const std::string& sql, const Params& params = {}) = 0;
    // Runs a script of statements separated by semicolons (schema changes only).
    virtual void ExecuteScript(const std::string& sql) = 0;
    // The id the last insert generated.
    virtual int64_t LastInsertId() = 0;

    // Transactions nest: only the outermost one commits, and only then is anything
    // stored. An inner level is a savepoint: its Rollback undoes only the work done
    // since its Begin, and the outer level goes on. A Commit the database refuses
    // (a deferred foreign key) rolls the transaction back and raises HostError.
    // Begin takes the write lock at once, so writers of other processes wait (up to
    // the busy timeout) instead of failing halfway. When the database ends the
    // transaction by itself after an error (OR ROLLBACK, a full disk, an I/O
    // error), every Execute, Query, ExecuteScript and inner Begin raises
    // HostError(err::Database) until the outermost level has ended (its Rollback,
    // or its Commit, which then fails): nothing runs outside the transaction the
    // caller believes open.
    virtual void Begin() = 0;
    virtual void Commit() = 0;
    virtual void Rollback() = 0;
    virtual bool InTransaction() const = 0;
};

// Commits at Commit(), rolls back when left without it (an exception on the way).
class Transaction {
public:
    explicit Transaction(Database& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void Commit();

private:
    Database& m_db;
    bool m_done = false;
};

// Opens the SQLite database at `path` (created when missing): WAL journal, foreign
// keys on, a busy timeout so several processes can share the file. ":memory:" gives
// a private in-memory database. A file that is not a database, or an SQLite database
// of another program (tables but no t_SchemaVersion), raises HostError(err::Database)
// and is left untouched. The schema is not touched here: call Migrate (migrations.h)
// or InitCompany (company_setup.h) next. One connection, for one thread at a time.
std::shared_ptr<Database> OpenSqlite(const std::filesystem::path& path);

}  // namespace hub
