// HubBase.SystemProfile: the company's stored options (t_SystemProfile).
#pragma once

#include "services/service_component.h"
#include "tolm/components.h"

namespace hub {

class SystemProfile : public tolm::ISystemProfile, private ServiceComponent {
public:
    explicit SystemProfile(std::shared_ptr<Session> session);

    // A Long when the stored text is a whole number in the 32-bit range, otherwise
    // the text; Null for a stored NULL; Empty when nothing is stored.
    tolm::Variant GetProfile(const std::string& props, const std::string& category, const std::string& key) override;
    // Stores the value as text (Booleans as 1 and 0, dates as yyyy-MM-dd), replacing
    // what was stored; Empty and Null store NULL. Objects raise TypeMismatch.
    void SetProfile(const std::string& props, const std::string& category, const std::string& key,
                    const tolm::Variant& value) override;
};

}  // namespace hub
