// The data-access object the host's windows hand to the plug-in.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "database.h"
#include "procedure_registry.h"
#include "tolm/recordset.h"

namespace hub {

// What the data-access object asks of the session rather than of the database. A
// hook left empty gets its default: LookupText gives the text back unchanged,
// CheckRight answers false (no right unless someone grants it), SessionText gives a
// session id made once per DataAccess and unique in the process and on the machine.
struct DataAccessHooks {
    std::function<std::string(const std::string& text, std::string& extra)> lookupText;
    std::function<bool(int32_t objectNumber, int32_t accessType, int32_t subObject, bool showMessage,
                       const std::string& rightName)>
        checkRight;
    std::function<std::string()> sessionText;
    // Told of every batch that failed and was rolled back, before the error is raised
    // to the caller (who may trap it).
    std::function<void(const tolm::HostError& error)> writeFailed;
};

// Runs the plug-in's SQL through the dialect bridge (dialect_bridge.h).
//
// Query runs one statement and returns its rows held in memory. Execute runs a
// batch in one transaction: every statement is stored or none is. Both raise
// HostError(err::Database) for a failing statement, naming it; an unknown procedure
// in "exec" fails the same way. Execute joins a transaction the caller already has
// open (then only the caller's commit stores the batch): the bill window raises
// SaveBillSuccess inside its save transaction, so the follow-up is stored with the
// rate or not at all.
class DataAccess : public tolm::IDataAccess {
public:
    explicit DataAccess(std::shared_ptr<Database> db, DataAccessHooks hooks = {},
                        const ProcedureRegistry& procedures = HostProcedures());

    std::shared_ptr<tolm::IRecordset> Query(const std::string& sql) override;
    void Execute(const std::string& sql) override;
    std::string LookupText(const std::string& text, std::string& extra) override;
    bool CheckRight(int32_t objectNumber, int32_t accessType, int32_t subObject, bool showMessage,
                    const std::string& rightName) override;
    std::string SessionText() override;

    Database& Db() const { return *m_db; }

private:
    std::shared_ptr<Database> m_db;
    DataAccessHooks m_hooks;
    const ProcedureRegistry& m_procedures;
    std::string m_sessionText;
};

}  // namespace hub
