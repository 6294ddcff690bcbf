// Host procedures: what the plug-in's "exec <procedure> <args>" runs. The plug-in
// was written for a server with stored procedures; the host answers the ones it
// calls with C++ code registered under the procedure's name.
#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "database.h"

namespace hub {

// Runs inside the transaction of the batch that called it; raising a HostError rolls
// the whole batch back.
using HostProcedure = std::function<void(Database& db, const std::vector<std::string>& args)>;

// Procedures by name, compared without regard to letter case. Safe to use from
// several threads.
class ProcedureRegistry {
public:
    // Registers a procedure; an existing one of the same name is replaced.
    void Register(const std::string& name, HostProcedure procedure);
    // Runs the procedure. Raises HostError(err::Database) for an unknown name; errors
    // of the procedure itself pass through.
    void Call(Database& db, const std::string& name, const std::vector<std::string>& args) const;

private:
    mutable std::mutex m_mutex;
    std::map<std::string, HostProcedure> m_procedures;
};

// The registry of the process, holding the host's own procedures from the start
// (p_BASE_CreateLogView). Components may add theirs.
ProcedureRegistry& HostProcedures();

}  // namespace hub
