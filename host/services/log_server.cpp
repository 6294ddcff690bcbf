#include "services/log_server.h"

#include "base/clock.h"
#include "base/text_util.h"
#include "model/log_store.h"
#include "model/user_store.h"
#include "services/sql_condition.h"
#include "tolm/host_error.h"

namespace hub {

namespace {

constexpr const char* Source = "HubBase.LogServer";

}  // namespace

LogServer::LogServer(std::shared_ptr<Session> session) : ServiceComponent(std::move(session)) {}

tolm::Variant LogServer::WriteLog(const std::string& props, const std::string& operationKey, int32_t& operationKind,
                                  const std::string& description, const std::string& machineName,
                                  const std::string& address) {
    RequireOwnProps(props);
    // Each is filled on its own: a caller that knows only the machine keeps it.
    const std::string& machine = machineName.empty() ? CurrentLogin().MachineName() : machineName;
    const std::string& ipAddress = address.empty() ? CurrentLogin().IpAddress() : address;
    try {
        WriteLogRecord(Db(), LogRecord{LocalNow(), CurrentLogin().UserId(), operationKey, operationKind,
                                       description, machine, ipAddress});
    } catch (const tolm::HostError& error) {
        // A caller that traps the failure must not leave a change without its record.
        CurrentLogin().NoteWriteFailure(error);
        throw;
    }
    return tolm::Variant(true);
}

tolm::Variant LogServer::DelLogByFilter(const std::string& props, std::string& filter) {
    RequireOwnProps(props);
    // Checked before the condition is even looked at: without the right nothing
    // about the log is revealed, not even whether a condition parses.
    if (!HoldsRight(rights::LogSubsystem, rights::LogObject, rights::LogDelete)) Deny("对不起，您没有该功能的权限。");
    if (IsBlank(filter)) return tolm::Variant(DeleteAllLogRecords(Db()));
    if (auto fault = ConditionFault(filter)) {
        throw tolm::HostError(tolm::err::InvalidProcedureCall,
                              Text("日志过滤条件无效：%1", {tolm::Variant(Text(*fault))}), Source);
    }
    return tolm::Variant(DeleteLogRecordsWhere(Db(), filter) > 0);
}

}  // namespace hub
