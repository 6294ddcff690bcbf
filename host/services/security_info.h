// HubBase.SecurityInfo: the rights of the session's user.
#pragma once

#include "services/service_component.h"
#include "tolm/components.h"

namespace hub {

class SecurityInfo : public tolm::ISecurityInfo, private ServiceComponent {
public:
    explicit SecurityInfo(std::shared_ptr<Session> session);

    // Administrators hold every right; anyone else holds the bits of their
    // t_UserRight row for the subsystem and object number. When the right is
    // missing and showMessage is set, the user is told (naming `extra` when it
    // holds the right's name).
    bool AccessCheck(const std::string& props, int32_t subsystem, int32_t objectNumber, int32_t rightBit,
                     bool showMessage, const std::string& extra) override;
    bool IsAdministrator(const std::string& props) override;
};

// For the front ends, before they show what needs a right to be seen: raises
// HostError(AccessDenied) with `refusal` (Chinese, %1 the user's name) in the
// session's language when the session's user lacks the bits of `mask` now.
void RequireRight(const Session& session, int32_t subsystem, int32_t objectNumber, int32_t mask,
                  const char* refusal);

}  // namespace hub
