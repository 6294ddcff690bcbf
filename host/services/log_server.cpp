#include "services/log_server.h"

#include "db/date_text.h"
#include "db/dialect_bridge.h"
#include "db/text_util.h"
#include "db/user_rights.h"
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
    Db().Execute(
        "INSERT INTO t_Log (FDate, FUserID, FFunctionID, FOperateType, FDescription, FMachineName, FIPAddress)"
        " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)",
        {tolm::Variant(tolm::FormatDate(LocalNow(), "yyyy-MM-dd HH:mm:ss")), tolm::Variant(CurrentLogin().UserId()),
         tolm::Variant(operationKey), tolm::Variant(operationKind), tolm::Variant(description), tolm::Variant(machine),
         tolm::Variant(ipAddress)});
    return tolm::Variant(true);
}

tolm::Variant LogServer::DelLogByFilter(const std::string& props, std::string& filter) {
    RequireOwnProps(props);
    // Checked before the condition is even looked at: without the right nothing
    // about the log is revealed, not even whether a condition parses.
    if (!HoldsRight(rights::LogSubsystem, rights::LogObject, rights::LogDelete)) {
        throw tolm::HostError(tolm::err::AccessDenied, Text("对不起，您没有该功能的权限。"), Source);
    }
    if (IsBlank(filter)) return tolm::Variant(Db().Execute("DELETE FROM t_Log") > 0);
    if (auto fault = ConditionFault(filter)) {
        throw tolm::HostError(tolm::err::InvalidProcedureCall,
                              Text("日志过滤条件无效：%1", {tolm::Variant(Text(*fault))}), Source);
    }
    // The condition stays inside its own parentheses, and the database takes
    // exactly one statement: whatever the text holds, it can only narrow the rows.
    // It is written like the plug-in's SQL (dates as the filter window shows them),
    // so it crosses the same bridge.
    const int64_t removed = Db().Execute(TranslateStatement(
        "DELETE FROM t_Log WHERE FID IN (SELECT FID FROM v_BASE_LogForQEL WHERE (" + filter + "))"));
    return tolm::Variant(removed > 0);
}

}  // namespace hub
