#include "frame/language.h"

#include "frame/module_state.h"
#include "tolm/registry.h"

namespace qel {

int32_t DetectLanguageId() {
    int32_t lResult = LangSimplifiedChinese;
    std::shared_ptr<tolm::ILangInfo> oLangInfo;
    std::string sLanguage;
    tolm::Step([&] { oLangInfo = tolm::CreateObject<tolm::ILangInfo>(tolm::classname::LangInfo); });
    tolm::Step([&] { sLanguage = tolm::Deref(oLangInfo).CurrentLanguage().ToText(); });
    if (sLanguage == "cht") {
        lResult = LangTraditionalChinese;
    } else if (sLanguage == "en") {
        lResult = LangEnglish;
    }
    return lResult;
}

int32_t GetLanguageId() {
    auto state = State();
    if (state->lLanguageId == 0) state->lLanguageId = DetectLanguageId();
    return state->lLanguageId;
}

std::string GetLanguageCode() {
    switch (GetLanguageId()) {
        case LangEnglish: return "en";
        case LangTraditionalChinese: return "cht";
        default: return "chs";
    }
}

std::shared_ptr<tolm::IResLoader> GetStringLoader() {
    std::shared_ptr<tolm::IResLoader> oLoader;
    tolm::OnErrorSilent([&] {
        auto state = State();
        if (!state->oStringLoader) {
            state->oStringLoader = tolm::CreateObject<tolm::IResLoader>(tolm::classname::ResLoader);
            state->oStringLoader->SetResDirectory("");
            state->oStringLoader->SetResFileBaseName("TolmBase");
        }
        state->oStringLoader->SetLanguageID(GetLanguageCode());
        oLoader = state->oStringLoader;
    });
    return oLoader;
}

std::shared_ptr<tolm::IDlgResLoader> GetFormLoader() {
    auto state = State();
    if (!state->oFormLoader) {
        state->oFormLoader = tolm::CreateObject<tolm::IDlgResLoader>(tolm::classname::DlgResLoader);
    }
    return state->oFormLoader;
}

std::shared_ptr<const tolm::TemplateFiller> GetTemplateFiller() {
    auto state = State();
    if (!state->oTemplateFiller) state->oTemplateFiller = std::make_shared<tolm::TemplateFiller>();
    return state->oTemplateFiller;
}

std::shared_ptr<tolm::IMessageService> GetMessageService() {
    auto state = State();
    if (!state->oMessageService) {
        state->oMessageService = tolm::CreateObject<tolm::IMessageService>(tolm::classname::MessageService);
    }
    return state->oMessageService;
}

std::string TranslateText(const std::string& sText) {
    if (GetLanguageId() == LangSimplifiedChinese) return sText;

    // Errors stop here. An error the caller is handling is untouched: nothing below
    // is shared with its catch block.
    std::string sResult = sText;
    tolm::OnErrorSilent([&] {
        const size_t lFirst = sText.find_first_not_of(' ');
        if (lFirst == std::string::npos) return;  // empty, or blanks only
        const size_t lLast = sText.find_last_not_of(' ');
        const size_t lLeading = lFirst;
        const size_t lTrailing = sText.size() - 1 - lLast;
        auto oLoader = GetStringLoader();
        if (!oLoader) return;
        const std::string sTranslated = oLoader->LoadString(sText.substr(lFirst, lLast - lFirst + 1));
        sResult = std::string(lLeading, ' ') + sTranslated + std::string(lTrailing, ' ');
    });
    return sResult;
}

std::string FormatText(const std::string& sTemplate, const tolm::VariantArray& values) {
    return tolm::Propagate([&] { return GetTemplateFiller()->FillMessage(TranslateText(sTemplate), values); });
}

std::string LoadFormResources(tolm::Form& dialog) {
    std::string sResult;
    tolm::OnErrorReport(
        [&](const tolm::HostError& error) { sResult = error.Description(); },
        [&] {
            bool bFlag = false;
            sResult = GetFormLoader()->SetFrmFont(dialog, GetLanguageCode(), bFlag).ToText();
        });
    return sResult;
}

void ReportError(const tolm::HostError& error) {
    tolm::OnErrorSilent([&] { GetMessageService()->ReportError(error, {}); });
}

}  // namespace qel
