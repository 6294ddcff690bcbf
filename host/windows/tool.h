// One command of a menu bar.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tolm/menu.h"

namespace hub {

class ToolCollection;

// A tool picture: width x height pixels, each 0xAARRGGBB, rows from the top.
// Pixels that had the mask colour have alpha 0 (transparent), all others 0xFF.
struct ToolImage {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels;
    bool operator==(const ToolImage&) const = default;
};

class Tool : public tolm::ITool {
public:
    explicit Tool(std::string key, std::string caption = {});
    ~Tool() override;

    // A copy of any tool: its properties and, for a tool of this host, its images.
    // The copy belongs to no collection.
    static std::shared_ptr<Tool> CopyOf(const tolm::ITool& tool);

    // Raises DuplicateKey when the collection holding the tool has another tool
    // with the new key.
    std::string Key() const override { return m_key; }
    void SetKey(const std::string& key) override;
    // Each setter tells the collection holding the tool when the value changes.
    std::string Caption() const override { return m_caption; }
    void SetCaption(const std::string& text) override { Change(m_caption, text); }
    std::string ToolTipText() const override { return m_toolTipText; }
    void SetToolTipText(const std::string& text) override { Change(m_toolTipText, text); }
    std::string Description() const override { return m_description; }
    void SetDescription(const std::string& text) override { Change(m_description, text); }
    int32_t Style() const override { return m_style; }
    void SetStyle(int32_t style) override { Change(m_style, style); }
    bool Visible() const override { return m_visible; }
    void SetVisible(bool value) override { Change(m_visible, value); }
    bool Enabled() const override { return m_enabled; }
    void SetEnabled(bool value) override { Change(m_enabled, value); }
    bool ShowCaption() const override { return m_showCaption; }
    void SetShowCaption(bool value) override { Change(m_showCaption, value); }
    bool Checked() const override { return m_checked; }
    void SetChecked(bool value) override { Change(m_checked, value); }
    // Reads tolm::Platform()->ClipboardBitmap(). Raises InvalidProcedureCall when the
    // clipboard holds no picture, when the picture is malformed or the slot negative.
    void SetPictureFromClipboard(int32_t index, int32_t maskColor) override;
    void SetPicture(int32_t index, const tolm::Bitmap& picture, int32_t maskColor) override;

    // The picture in a slot; nullptr when the slot is empty.
    const ToolImage* Image(int32_t index) const;
    const std::map<int32_t, ToolImage>& Images() const { return m_images; }
    void SetImage(int32_t index, ToolImage image);

    // The collection holding the tool, or nullptr.
    const ToolCollection* Owner() const { return m_owner; }

private:
    friend class ToolCollection;

    template <class T>
    void Change(T& member, const T& value) {
        if (member == value) return;
        member = value;
        Changed();
    }
    // Tells the collection holding the tool, if any.
    void Changed();

    std::string m_key;
    std::string m_caption;
    std::string m_toolTipText;
    std::string m_description;
    int32_t m_style = 0;
    bool m_visible = true;
    bool m_enabled = true;
    bool m_showCaption = false;
    bool m_checked = false;
    std::map<int32_t, ToolImage> m_images;
    ToolCollection* m_owner = nullptr;
};

}  // namespace hub
