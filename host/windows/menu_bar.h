// The menu bar of a window.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "windows/band.h"

namespace hub {

class MenuBar : public tolm::IMenuBar {
public:
    MenuBar();
    ~MenuBar() override;

    // ---- tolm::IMenuBar (see menu.h) ----------------------------------------------------
    std::shared_ptr<tolm::IBand> Band(const std::string& key) const override;
    int32_t BandCount() const override { return static_cast<int32_t>(m_bands.size()); }
    std::shared_ptr<tolm::IBand> BandAt(int32_t index) const override;
    std::shared_ptr<tolm::ITools> Tools() const override { return m_tools; }

    // ---- the host's side ----------------------------------------------------------------
    // Adds a band at the end; raises DuplicateKey when the key is taken.
    std::shared_ptr<hub::Band> AddBand(const std::string& key, const std::string& caption, BandKind kind);
    // The band of a key (letter case ignored), or nullptr.
    std::shared_ptr<hub::Band> FindBand(const std::string& key) const;
    const std::vector<std::shared_ptr<hub::Band>>& Bands() const { return m_bands; }
    const std::shared_ptr<ToolCollection>& GlobalTools() const { return m_tools; }

private:
    std::vector<std::shared_ptr<hub::Band>> m_bands;
    std::shared_ptr<ToolCollection> m_tools;
};

}  // namespace hub
