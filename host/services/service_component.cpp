#include "services/service_component.h"

#include <cmath>

#include "services/catalogue.h"
#include "tolm/components.h"
#include "tolm/host_error.h"
#include "tolm/registry.h"

namespace hub {

namespace {

// A rights mask as stored: masks with the top bits set come back beyond 32 bits.
int64_t MaskValue(const tolm::Variant& value) {
    if (value.IsNull() || value.IsEmpty()) return 0;
    return static_cast<int64_t>(std::llround(value.ToDouble()));
}

}  // namespace

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
    auto rows = Db().Query(
        "SELECT u.FIsAdmin, u.FForbidden,"
        " (SELECT r.FRights FROM t_UserRight r"
        "   WHERE r.FUserID = u.FUserID AND r.FSubSystem = ?2 AND r.FObjectNumber = ?3) AS FRights"
        " FROM t_User u WHERE u.FUserID = ?1",
        {tolm::Variant(m_session->UserId()), tolm::Variant(subsystem), tolm::Variant(objectNumber)});
    // A user deleted or forbidden since login holds nothing any more.
    if (rows->IsEOF() || rows->Field("FForbidden").ToLong() != 0) return false;
    if (rows->Field("FIsAdmin").ToLong() != 0) return true;
    return (MaskValue(rows->Field("FRights")) & static_cast<int64_t>(static_cast<uint32_t>(rightBit))) != 0;
}

bool ServiceComponent::IsAdministratorNow() const {
    auto rows = Db().Query("SELECT FIsAdmin, FForbidden FROM t_User WHERE FUserID = ?1",
                           {tolm::Variant(m_session->UserId())});
    return !rows->IsEOF() && rows->Field("FForbidden").ToLong() == 0 && rows->Field("FIsAdmin").ToLong() != 0;
}

void ServiceComponent::Tell(const std::string& text) const {
    tolm::OnErrorSilent([&] {
        tolm::CreateObject<tolm::IMessageService>(tolm::classname::MessageService)->ShowMessage(text);
    });
}

void ServiceComponent::Refuse(const std::string& chineseTemplate, const tolm::VariantArray& values) const {
    throw tolm::HostError(tolm::err::Refused, Text(chineseTemplate, values), "HubServices");
}

}  // namespace hub
