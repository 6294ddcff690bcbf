#include "data_access.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>

#include "dialect_bridge.h"
#include "tolm/host_library.h"

namespace hub {

namespace {

// Letters, digits and '_' only: the plug-in puts the session text between single
// quotes without escaping it.
std::string NewSessionText() {
    static std::atomic<uint32_t> counter{0};
    auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "S%X_%X_%llX", static_cast<unsigned>(getpid()),
                  static_cast<unsigned>(++counter), static_cast<unsigned long long>(ticks));
    return buffer;
}

}  // namespace

DataAccess::DataAccess(std::shared_ptr<Database> db, DataAccessHooks hooks, const ProcedureRegistry& procedures)
    : m_db(std::move(db)), m_hooks(std::move(hooks)), m_procedures(procedures) {
    if (!m_db) throw tolm::HostError(tolm::err::ObjectNotSet, "The data-access object needs a database");
}

std::shared_ptr<tolm::IRecordset> DataAccess::Query(const std::string& sql) {
    std::vector<std::string> statements = SplitBatch(sql);
    if (statements.size() != 1) {
        throw tolm::HostError(tolm::err::Database,
                              statements.empty() ? "There is no query to run"
                                                 : "A query must be one statement, not " +
                                                       std::to_string(statements.size()),
                              "TolmHost.DataAccess");
    }
    BridgeStatement statement = ParseStatement(statements.front(), m_db->SqlDialect());
    if (statement.kind == BridgeStatement::Kind::Procedure) {
        // A procedure gives no rows; it still runs as a unit.
        Transaction transaction(*m_db);
        m_procedures.Call(*m_db, statement.procedure, statement.args);
        transaction.Commit();
        return std::make_shared<tolm::MemoryRecordset>(std::vector<std::string>{},
                                                       std::vector<std::vector<tolm::Variant>>{});
    }
    return m_db->Query(statement.sql);
}

void DataAccess::Execute(const std::string& sql) {
    // Everything is parsed before anything runs, so a batch the bridge cannot read
    // changes nothing.
    std::vector<BridgeStatement> statements;
    for (const std::string& text : SplitBatch(sql)) statements.push_back(ParseStatement(text, m_db->SqlDialect()));
    if (statements.empty()) return;

    try {
        // A batch the server gave up for another client's sake runs again as a whole.
        RunTransaction(*m_db, [&] {
            for (const BridgeStatement& statement : statements) {
                if (statement.kind == BridgeStatement::Kind::Procedure) {
                    m_procedures.Call(*m_db, statement.procedure, statement.args);
                } else {
                    m_db->Execute(statement.sql);
                }
            }
        });
    } catch (const tolm::HostError& error) {
        if (m_hooks.writeFailed) m_hooks.writeFailed(error);
        throw;
    }
}

std::string DataAccess::LookupText(const std::string& text, std::string& extra) {
    return m_hooks.lookupText ? m_hooks.lookupText(text, extra) : text;
}

bool DataAccess::CheckRight(int32_t objectNumber, int32_t accessType, int32_t subObject, bool showMessage,
                            const std::string& rightName) {
    return m_hooks.checkRight ? m_hooks.checkRight(objectNumber, accessType, subObject, showMessage, rightName)
                              : false;
}

std::string DataAccess::SessionText() {
    if (m_hooks.sessionText) return m_hooks.sessionText();
    if (m_sessionText.empty()) m_sessionText = NewSessionText();
    return m_sessionText;
}

}  // namespace hub
