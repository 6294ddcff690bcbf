#include "database.h"

namespace hub {

Database::~Database() = default;

Transaction::Transaction(Database& db) : m_db(db) { m_db.Begin(); }

Transaction::~Transaction() {
    if (m_done) return;
    try {
        m_db.Rollback();
    } catch (...) {
        // Unwinding already carries the error that matters; a failed rollback
        // leaves the connection to SQLite, which drops the transaction with it.
    }
}

void Transaction::Commit() {
    // Marked first: a commit that fails has already ended the transaction, and the
    // destructor must not try to roll back a level that no longer exists.
    m_done = true;
    m_db.Commit();
}

}  // namespace hub
