// The tools of a band, or the menu bar's global tools.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tolm/observers.h"
#include "windows/tool.h"

namespace hub {

class ToolCollection : public tolm::ITools {
public:
    enum class Kind { Global, Band };

    // `ownerKey` names the band in error descriptions (empty for the global tools).
    ToolCollection(Kind kind, std::string ownerKey);
    ~ToolCollection() override;
    ToolCollection(const ToolCollection&) = delete;
    ToolCollection& operator=(const ToolCollection&) = delete;

    Kind GetKind() const { return m_kind; }

    // ---- tolm::ITools (see menu.h for the rules) --------------------------------------
    int32_t Count() const override { return static_cast<int32_t>(m_tools.size()); }
    std::shared_ptr<tolm::ITool> Item(const std::string& key) const override;
    std::shared_ptr<tolm::ITool> ItemAt(int32_t index) const override;
    std::shared_ptr<tolm::ITool> Add(const std::string& key) override;
    std::shared_ptr<tolm::ITool> Insert(const std::string& atKey, const std::shared_ptr<tolm::ITool>& tool) override;

    // ---- the host's side ----------------------------------------------------------------
    // The tool of a key (letter case ignored), or nullptr.
    std::shared_ptr<Tool> Find(const std::string& key) const;
    // Adds a tool at the end while a menu is built; raises DuplicateKey.
    std::shared_ptr<Tool> Append(std::shared_ptr<Tool> tool);
    const std::vector<std::shared_ptr<Tool>>& All() const { return m_tools; }
    // Told when a tool of the collection changes (the tool), and when tools are added
    // or removed or a key changes (nullptr).
    tolm::Observers<const Tool*>& Changes() { return m_changes; }

private:
    friend class Tool;
    // The position of the tool with a key, or -1.
    std::ptrdiff_t IndexOf(const std::string& key) const;
    [[noreturn]] void ThrowNotFound(const std::string& key) const;
    void Adopt(const std::shared_ptr<Tool>& tool);
    void Release(const std::shared_ptr<Tool>& tool);

    Kind m_kind;
    std::string m_ownerKey;
    std::vector<std::shared_ptr<Tool>> m_tools;
    tolm::Observers<const Tool*> m_changes;
};

// Compares keys the way the menu bar does: ASCII letters without regard to case.
}  // namespace hub
