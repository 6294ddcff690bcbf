#include "procedure_registry.h"

#include "migrations.h"
#include "base/text_util.h"

namespace hub {

void ProcedureRegistry::Register(const std::string& name, HostProcedure procedure) {
    std::lock_guard lock(m_mutex);
    m_procedures[AsciiLower(name)] = std::move(procedure);
}

void ProcedureRegistry::Call(Database& db, const std::string& name, const std::vector<std::string>& args) const {
    HostProcedure procedure;
    {
        std::lock_guard lock(m_mutex);
        auto it = m_procedures.find(AsciiLower(name));
        if (it == m_procedures.end())
            throw tolm::HostError(tolm::err::Database, "Could not find stored procedure '" + name + "'",
                                  "TolmHost.Database");
        procedure = it->second;
    }
    // Called outside the lock: a procedure may itself look up or register others.
    procedure(db, args);
}

ProcedureRegistry& HostProcedures() {
    static ProcedureRegistry* registry = [] {
        auto* created = new ProcedureRegistry;
        RegisterSchemaProcedures(*created);
        return created;
    }();
    return *registry;
}

}  // namespace hub
