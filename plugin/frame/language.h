// Language of the session and translation of the plug-in's texts.
//
// Every user-visible text is written as a Simplified-Chinese literal and translated
// when it is shown. The language is asked of the host once, and the loaders and the
// template filler are created once, for as long as the host uses the library: they
// live in its shared state (module_state.h).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "tolm/components.h"
#include "tolm/form.h"
#include "tolm/host_library.h"

namespace qel {

inline constexpr int32_t LangSimplifiedChinese = 1;
inline constexpr int32_t LangEnglish = 2;
inline constexpr int32_t LangTraditionalChinese = 3;

// Asks the host each time: exactly "cht" gives 3, exactly "en" gives 2, anything
// else (including a failing or missing language service) gives 1.
int32_t DetectLanguageId();
// The id detected at the first call since the library's state was made.
int32_t GetLanguageId();
// "en" for 2, "cht" for 3, "chs" for anything else.
std::string GetLanguageCode();
// The cached string loader, set to the current language code; nullptr when it
// cannot be created or set up.
std::shared_ptr<tolm::IResLoader> GetStringLoader();
// The cached form-resource loader (created on first use); raises when it cannot be
// created.
std::shared_ptr<tolm::IDlgResLoader> GetFormLoader();
// The shared template filler.
std::shared_ptr<const tolm::TemplateFiller> GetTemplateFiller();
// The shared message service (created on first use); raises when it cannot be created.
std::shared_ptr<tolm::IMessageService> GetMessageService();

// The text in the session's language; the text as written in Simplified Chinese,
// when the loader is missing or does not know it. Blanks around the text are kept
// around the translation. Never raises, and never disturbs an error the caller is
// handling.
std::string TranslateText(const std::string& sText);
// Translates the template, then fills %1..%n from the values. Raises what the
// filling raises.
std::string FormatText(const std::string& sTemplate, const tolm::VariantArray& values);
// Lets the host apply the language's fonts to a dialog. Returns the loader's answer,
// or the description of the error that stopped it.
std::string LoadFormResources(tolm::Form& dialog);

// Hands an error to the message service's error report. Never raises.
void ReportError(const tolm::HostError& error);

// The "report" rule: runs the body; an error is handed to the message service's error
// report and the call returns normally (false).
template <class F>
bool OnErrorReportToUser(F&& body) {
    return tolm::OnErrorReport([](const tolm::HostError& error) { ReportError(error); }, std::forward<F>(body));
}

}  // namespace qel
