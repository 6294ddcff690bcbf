#include "services/system_profile.h"

#include "model/profile_store.h"

namespace hub {

SystemProfile::SystemProfile(std::shared_ptr<Session> session) : ServiceComponent(std::move(session)) {}

tolm::Variant SystemProfile::GetProfile(const std::string& props, const std::string& category,
                                        const std::string& key) {
    RequireOwnProps(props);
    return ReadProfile(Db(), category, key);
}

void SystemProfile::SetProfile(const std::string& props, const std::string& category, const std::string& key,
                               const tolm::Variant& value) {
    RequireOwnProps(props);
    // The stored options govern everyone's work (who may reverse an audit): only an
    // administrator changes them.
    if (!IsAdministratorNow()) Deny("只有系统管理员可以更改系统选项。");
    WriteProfile(Db(), category, key, value);
}

}  // namespace hub
