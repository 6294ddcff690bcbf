// HubDlgRes.DlgResLoader: the fonts of a language, applied to the plug-in's dialogs.
#pragma once

#include <string>

#include "services/service_component.h"
#include "tolm/components.h"

namespace hub {

struct DialogFont {
    std::string name;
    double size = 9;
};

// The dialog font of a language: Noto Sans CJK SC (chs), Noto Sans CJK TC (cht),
// DejaVu Sans (en), all 9 pt. Raises InvalidProcedureCall for another code.
DialogFont LanguageFont(const std::string& languageCode);

class DlgResLoader : public tolm::IDlgResLoader, private ServiceComponent {
public:
    explicit DlgResLoader(std::shared_ptr<Session> session);

    // Sets the dialog's font to the language's, sets flag true and answers "".
    tolm::Variant SetFrmFont(tolm::Form& dialog, const std::string& languageCode, bool& flag) override;
};

}  // namespace hub
