// HubResLoader.Loader: the plug-in's texts in a language, keyed by the
// Simplified-Chinese text.
#pragma once

#include <memory>
#include <string>

#include "i18n/catalogue.h"
#include "services/service_component.h"
#include "tolm/components.h"

namespace hub {

class ResLoader : public tolm::IResLoader, private ServiceComponent {
public:
    // The one catalogue base name the host ships.
    static constexpr const char* BaseName = "TolmBase";

    explicit ResLoader(std::shared_ptr<Session> session);

    // The folder of the catalogues (<folder>/<language>.po); empty: the host's own.
    void SetResDirectory(const std::string& directory) override;
    // Checked at LoadString: only "TolmBase" (letter case ignored) exists.
    void SetResFileBaseName(const std::string& baseName) override;
    // "chs", "en" or "cht"; empty: the session's language. Checked at LoadString.
    void SetLanguageID(const std::string& languageCode) override;
    // "chs": the text itself. Otherwise the catalogue's entry; ObjectNotFound when
    // it has none, FileNotFound for another base name or a missing catalogue,
    // InvalidProcedureCall for an unknown language.
    std::string LoadString(const std::string& text) override;

private:
    std::string m_directory;
    std::string m_baseName = BaseName;
    std::string m_language;
    std::unique_ptr<CatalogueSet> m_ownCatalogues;  // for a folder of the caller's
};

}  // namespace hub
