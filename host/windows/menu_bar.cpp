#include "windows/menu_bar.h"

#include "tolm/host_error.h"
#include "tolm/text.h"

namespace hub {

MenuBar::MenuBar() : m_tools(std::make_shared<ToolCollection>(ToolCollection::Kind::Global, std::string())) {}

MenuBar::~MenuBar() = default;

std::shared_ptr<hub::Band> MenuBar::FindBand(const std::string& key) const {
    for (const auto& band : m_bands) {
        if (tolm::text::EqualsNoCase(band->Key(), key)) return band;
    }
    return nullptr;
}

std::shared_ptr<tolm::IBand> MenuBar::Band(const std::string& key) const {
    std::shared_ptr<hub::Band> band = FindBand(key);
    if (!band) throw tolm::HostError(tolm::err::ObjectNotFound, "The menu bar has no band " + key, "MenuBar");
    return band;
}

std::shared_ptr<tolm::IBand> MenuBar::BandAt(int32_t index) const {
    if (index < 1 || index > BandCount()) {
        throw tolm::HostError(tolm::err::SubscriptOutOfRange,
                              "Band " + std::to_string(index) + " is out of range (1 to " +
                                  std::to_string(BandCount()) + ")",
                              "MenuBar");
    }
    return m_bands[static_cast<size_t>(index - 1)];
}

std::shared_ptr<hub::Band> MenuBar::AddBand(const std::string& key, const std::string& caption, BandKind kind) {
    if (FindBand(key)) {
        throw tolm::HostError(tolm::err::DuplicateKey, "A band with the key " + key + " already exists", "MenuBar");
    }
    auto band = std::make_shared<hub::Band>(key, caption, kind);
    m_bands.push_back(band);
    return band;
}

}  // namespace hub
