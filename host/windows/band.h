// A band of a menu bar: the main menu, a drop-down menu or a tool bar.
#pragma once

#include <memory>
#include <string>

#include "windows/tool_collection.h"

namespace hub {

enum class BandKind {
    MainMenu,  // its tools open the drop-down bands of the same keys
    DropDown,
    ToolBar,
};

class Band : public tolm::IBand {
public:
    Band(std::string key, std::string caption, BandKind kind);
    ~Band() override;

    std::string Key() const override { return m_key; }
    std::string Caption() const override { return m_caption; }
    std::shared_ptr<tolm::ITools> Tools() const override { return m_tools; }

    BandKind Kind() const { return m_kind; }
    // The same collection, typed for the host.
    const std::shared_ptr<ToolCollection>& BandTools() const { return m_tools; }

private:
    std::string m_key;
    std::string m_caption;
    BandKind m_kind;
    std::shared_ptr<ToolCollection> m_tools;
};

}  // namespace hub
