// HubLangInfo.LangInfo: the language of the session.
#pragma once

#include "services/service_component.h"
#include "tolm/components.h"

namespace hub {

class LangInfo : public tolm::ILangInfo, private ServiceComponent {
public:
    explicit LangInfo(std::shared_ptr<Session> session);
    // "chs", "en" or "cht".
    tolm::Variant CurrentLanguage() override;
};

}  // namespace hub
