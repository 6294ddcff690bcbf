#include "services/dlg_res_loader.h"

#include "i18n/catalogue.h"
#include "tolm/host_error.h"

namespace hub {

DialogFont LanguageFont(const std::string& languageCode) {
    if (languageCode == LanguageChs) return {"Noto Sans CJK SC", 9};
    if (languageCode == LanguageCht) return {"Noto Sans CJK TC", 9};
    if (languageCode == LanguageEn) return {"DejaVu Sans", 9};
    throw tolm::HostError(tolm::err::InvalidProcedureCall,
                          "Unknown language \"" + languageCode + "\": use chs, en or cht", "HubDlgRes.DlgResLoader");
}

DlgResLoader::DlgResLoader(std::shared_ptr<Session> session) : ServiceComponent(std::move(session)) {}

tolm::Variant DlgResLoader::SetFrmFont(tolm::Form& dialog, const std::string& languageCode, bool& flag) {
    const DialogFont font = LanguageFont(languageCode);
    dialog.SetFont(font.name, font.size);
    flag = true;
    return tolm::Variant(std::string());
}

}  // namespace hub
