// HubBase.LogServer: the operation log (t_Log, read through v_BASE_LogForQEL).
#pragma once

#include "services/service_component.h"
#include "tolm/components.h"

namespace hub {

class LogServer : public tolm::ILogServer, private ServiceComponent {
public:
    explicit LogServer(std::shared_ptr<Session> session);

    // Stores one record at the current local time under the session's user; an
    // empty machine name, or an empty address, is taken from the session (each on
    // its own). True when stored.
    tolm::Variant WriteLog(const std::string& props, const std::string& operationKey, int32_t& operationKind,
                           const std::string& description, const std::string& machineName,
                           const std::string& address) override;
    // Deletes the records whose row of v_BASE_LogForQEL meets the condition (all
    // records for an empty one), in one statement. The condition is read as the
    // plug-in's SQL: a date literal such as '2024-3-1' means that day. Requires the log's delete right
    // (AccessDenied otherwise). A condition that is not one expression (see
    // ConditionFault) raises InvalidProcedureCall and one the database cannot
    // read raises Database; neither deletes anything. True when records were
    // removed, false when none matched.
    tolm::Variant DelLogByFilter(const std::string& props, std::string& filter) override;
};

}  // namespace hub
