#include "services/service_component.h"

#include "services/unit_of_work.h"

#include "model/user_store.h"
#include "i18n/catalogue.h"
#include "tolm/components.h"
#include "tolm/host_error.h"
#include "tolm/registry.h"

namespace hub {

ServiceComponent::ServiceComponent(std::shared_ptr<Session> session) : m_session(std::move(session)) {
    if (!m_session) throw tolm::HostError(tolm::err::ObjectNotSet, "No user is logged in", "HubServices");
}

std::string ServiceComponent::Text(const std::string& chineseTemplate, const tolm::VariantArray& values) const {
    return TranslateFormat(Language(), chineseTemplate, values);
}

void ServiceComponent::RequireOwnProps(const std::string& props) const {
    const std::string userId = PropsValue(props, "UserID");
    if (userId.empty() || userId == std::to_string(m_session->UserId())) return;
    throw tolm::HostError(tolm::err::AccessDenied,
                          "The session property string belongs to user " + userId + ", not to the logged-in user " +
                              std::to_string(m_session->UserId()),
                          "HubServices");
}

bool ServiceComponent::HoldsRight(int32_t subsystem, int32_t objectNumber, int32_t rightBit) const {
    return UserHasRight(Db(), m_session->UserId(), subsystem, objectNumber, rightBit);
}

bool ServiceComponent::IsAdministratorNow() const { return UserIsAdministrator(Db(), m_session->UserId()); }

void ServiceComponent::Tell(const std::string& text) const {
    tolm::OnErrorSilent([&] {
        tolm::CreateObject<tolm::IMessageService>(tolm::classname::MessageService)->ShowMessage(text);
    });
}

void ServiceComponent::Refuse(const std::string& chineseTemplate, const tolm::VariantArray& values) const {
    const std::string reason = Text(chineseTemplate, values);
    // Whoever catches it tells the person (the plug-in reports what it traps); the
    // command refused stays refused even when a caller goes on as if nothing happened.
    RefuseUnit(reason, true);
    throw tolm::HostError(tolm::err::Refused, reason, "HubServices");
}

void ServiceComponent::Deny(const std::string& chineseTemplate) const {
    const std::string reason = Text(chineseTemplate);
    RefuseUnit(reason, true);
    throw tolm::HostError(tolm::err::AccessDenied, reason, "HubServices");
}

}  // namespace hub
