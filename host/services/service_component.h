// What every service component of a session shares: the session, its language,
// the rights check and the way a refusal reaches the user.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "services/session.h"
#include "tolm/variant.h"

namespace hub {

class ServiceComponent {
public:
    explicit ServiceComponent(std::shared_ptr<Session> session);

    const Session& CurrentLogin() const { return *m_session; }
    const std::shared_ptr<Session>& SharedSession() const { return m_session; }
    Database& Db() const { return *m_session->Db(); }
    const std::string& Language() const { return m_session->Language(); }

    // A host message in the session's language, %1..%n filled from the values.
    std::string Text(const std::string& chineseTemplate, const tolm::VariantArray& values = {}) const;

    // Refuses a session property string that names another user than this
    // session's (AccessDenied). An empty string, or one without "UserID", stands
    // for this session.
    void RequireOwnProps(const std::string& props) const;

    // Whether the session's user holds the right now (UserHasRight, user_rights.h).
    bool HoldsRight(int32_t subsystem, int32_t objectNumber, int32_t rightBit) const;
    // Whether the session's user is an administrator now.
    bool IsAdministratorNow() const;

    // Shows a text through the registered message service; a missing or failing
    // service loses the message but not the refusal that caused it.
    void Tell(const std::string& text) const;

    // Raises HostError(Refused) with the message in the session's language; the unit
    // of work running now is refused (unit_of_work.h).
    [[noreturn]] void Refuse(const std::string& chineseTemplate, const tolm::VariantArray& values = {}) const;
    // As Refuse, for a right the user lacks: HostError(AccessDenied).
    [[noreturn]] void Deny(const std::string& chineseTemplate) const;

private:
    std::shared_ptr<Session> m_session;
};

}  // namespace hub
