#include "database.h"

#include <chrono>
#include <system_error>
#include <thread>

namespace hub {

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

ResultRow::~ResultRow() = default;

namespace {

// A row of values as Query gives them.
class ValueRow final : public ResultRow {
public:
    explicit ValueRow(const std::vector<tolm::Variant>& values) : m_values(values) {}
    int64_t Integer(int column) const override {
        const tolm::Variant& value = At(column);
        return value.IsNull() ? 0 : static_cast<int64_t>(value.ToDouble());
    }
    double Number(int column) const override {
        const tolm::Variant& value = At(column);
        return value.IsNull() ? 0 : value.ToDouble();
    }
    tolm::DateTime Date(int column) const override {
        const tolm::Variant& value = At(column);
        if (value.Type() != tolm::VarType::Date) {
            throw tolm::HostError(tolm::err::TypeMismatch, "The value is not a date", "TolmHost.Database");
        }
        return value.ToDate();
    }

private:
    const tolm::Variant& At(int column) const { return m_values.at(static_cast<size_t>(column)); }
    const std::vector<tolm::Variant>& m_values;
};

}  // namespace

// The backend holds the whole result first; one that can stream does better. The
// result is held here for as long as its rows are read.
void Database::QueryEach(const std::string& sql, const Params& params, const RowVisitor& onRow) {
    const std::shared_ptr<tolm::MemoryRecordset> result = Query(sql, params);
    for (const std::vector<tolm::Variant>& row : result->Rows()) onRow(ValueRow(row));
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

std::string Database::RolePasswordVerifier(const std::string&, const std::string&) {
    throw tolm::HostError(tolm::err::Database, "This database has no login roles", "TolmHost.Database");
}

}  // namespace hub
