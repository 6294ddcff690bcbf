#include "services/security_info.h"

#include "i18n/catalogue.h"
#include "model/user_store.h"
#include "tolm/host_error.h"

namespace hub {

SecurityInfo::SecurityInfo(std::shared_ptr<Session> session) : ServiceComponent(std::move(session)) {}

bool SecurityInfo::AccessCheck(const std::string& props, int32_t subsystem, int32_t objectNumber, int32_t rightBit,
                               bool showMessage, const std::string& extra) {
    RequireOwnProps(props);
    if (HoldsRight(subsystem, objectNumber, rightBit)) return true;
    if (showMessage) {
        Tell(extra.empty() ? Text("对不起，您没有该功能的权限。")
                           : Text("对不起，您没有“%1”的权限。", {tolm::Variant(extra)}));
    }
    return false;
}

bool SecurityInfo::IsAdministrator(const std::string& props) {
    RequireOwnProps(props);
    return IsAdministratorNow();
}

void RequireRight(const Session& session, int32_t subsystem, int32_t objectNumber, int32_t mask,
                  const char* refusal) {
    if (UserHasRight(*session.Db(), session.UserId(), subsystem, objectNumber, mask)) return;
    throw tolm::HostError(tolm::err::AccessDenied,
                          TranslateFormat(session.Language(), refusal, {session.UserName()}), "HubBase.SecurityInfo");
}

}  // namespace hub
