// HubSession.SessionProps: the shared properties of this process's login.
#pragma once

#include "services/service_component.h"
#include "tolm/components.h"

namespace hub {

class SessionProps : public tolm::ISessionProps, private ServiceComponent {
public:
    explicit SessionProps(std::shared_ptr<Session> session);

    // For this process (its id, or the id the installed platform reports):
    // "PropsString", "UserID", "UserName", "IsAdministrator", "Language",
    // "MachineName", "IP", "ServerIP", "DBName", "DBPath" (names compared without
    // regard to letter case); Empty for any other name. Another process id raises
    // InvalidProcedureCall: its properties are not this process's to give.
    tolm::Variant GetProperty(int32_t& processId, std::string& name) override;
};

}  // namespace hub
