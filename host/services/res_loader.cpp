#include "services/res_loader.h"

#include "base/text_util.h"
#include "tolm/host_error.h"

namespace hub {

namespace {

constexpr const char* Source = "HubResLoader.Loader";

}  // namespace

ResLoader::ResLoader(std::shared_ptr<Session> session) : ServiceComponent(std::move(session)) {}

void ResLoader::SetResDirectory(const std::string& directory) {
    if (directory == m_directory) return;
    m_directory = directory;
    m_ownCatalogues = directory.empty() ? nullptr : std::make_unique<CatalogueSet>(directory);
}

void ResLoader::SetResFileBaseName(const std::string& baseName) {
    m_baseName = baseName;
}

void ResLoader::SetLanguageID(const std::string& languageCode) {
    m_language = languageCode;
}

std::string ResLoader::LoadString(const std::string& text) {
    if (!EqualsNoCase(m_baseName, BaseName)) {
        throw tolm::HostError(tolm::err::FileNotFound,
                              Text("找不到资源文件 %1。", {tolm::Variant(m_baseName)}), Source);
    }
    const std::string language = m_language.empty() ? Language() : m_language;
    if (!IsSupportedLanguage(language)) {
        throw tolm::HostError(tolm::err::InvalidProcedureCall,
                              "Unknown language \"" + language + "\": use chs, en or cht", Source);
    }
    if (language == LanguageChs) return text;
    const CatalogueSet& catalogues = m_ownCatalogues ? *m_ownCatalogues : HostCatalogues();
    // A missing or damaged catalogue is an error of its own, not a missing text.
    std::optional<std::string> translation = catalogues.Get(language)->Find(text);
    if (!translation) {
        throw tolm::HostError(tolm::err::ObjectNotFound, "No " + language + " text for \"" + text + "\"", Source);
    }
    return *translation;
}

}  // namespace hub
