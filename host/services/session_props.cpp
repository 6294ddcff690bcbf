#include "services/session_props.h"

#include "base/text_util.h"
#include "tolm/host_error.h"
#include "tolm/platform.h"

namespace hub {

SessionProps::SessionProps(std::shared_ptr<Session> session) : ServiceComponent(std::move(session)) {}

tolm::Variant SessionProps::GetProperty(int32_t& processId, std::string& name) {
    const Session& session = CurrentLogin();
    bool ours = processId == session.ProcessId();
    // A scripted platform may report a process id of its own; the plug-in asks
    // with whatever the platform says.
    if (!ours) {
        if (auto platform = tolm::InstalledPlatform()) ours = processId == platform->CurrentProcessId();
    }
    if (!ours) {
        throw tolm::HostError(tolm::err::InvalidProcedureCall,
                              "Process " + std::to_string(processId) + " is not this client (process " +
                                  std::to_string(session.ProcessId()) + ")",
                              "HubSession.SessionProps");
    }
    const std::string key = AsciiLower(name);
    if (key == "propsstring") return tolm::Variant(session.PropsString());
    if (key == "userid") return tolm::Variant(session.UserId());
    if (key == "username") return tolm::Variant(session.UserName());
    if (key == "isadministrator") return tolm::Variant(IsAdministratorNow());
    if (key == "language") return tolm::Variant(session.Language());
    if (key == "machinename") return tolm::Variant(session.MachineName());
    if (key == "ip") return tolm::Variant(session.IpAddress());
    if (key == "serverip") return tolm::Variant(session.ServerAddress());
    if (key == "dbname") return tolm::Variant(session.DatabaseName());
    if (key == "dbpath") return tolm::Variant(session.DatabasePath().string());
    return {};
}

}  // namespace hub
