#include "windows/tool.h"

#include "tolm/host_error.h"
#include "tolm/platform.h"
#include "windows/tool_collection.h"
#include "tolm/text.h"

namespace hub {

Tool::Tool(std::string key, std::string caption) : m_key(std::move(key)), m_caption(std::move(caption)) {}

Tool::~Tool() = default;

std::shared_ptr<Tool> Tool::CopyOf(const tolm::ITool& tool) {
    if (const auto* own = dynamic_cast<const Tool*>(&tool)) {
        auto copy = std::make_shared<Tool>(*own);
        copy->m_owner = nullptr;
        return copy;
    }
    auto copy = std::make_shared<Tool>(tool.Key(), tool.Caption());
    copy->m_toolTipText = tool.ToolTipText();
    copy->m_description = tool.Description();
    copy->m_style = tool.Style();
    copy->m_visible = tool.Visible();
    copy->m_enabled = tool.Enabled();
    copy->m_showCaption = tool.ShowCaption();
    copy->m_checked = tool.Checked();
    return copy;
}

void Tool::SetKey(const std::string& key) {
    if (key.empty()) {
        throw tolm::HostError(tolm::err::InvalidProcedureCall, "A tool needs a key", "MenuBar");
    }
    if (m_owner && !tolm::text::EqualsNoCase(key, m_key)) {
        // Two tools of one key would make every look-up by key ambiguous.
        if (m_owner->IndexOf(key) >= 0) {
            throw tolm::HostError(tolm::err::DuplicateKey, "A tool with the key " + key + " already exists",
                                  "MenuBar");
        }
    }
    if (m_key == key) return;
    m_key = key;
    if (m_owner) m_owner->m_changes.Notify(nullptr);
}

void Tool::Changed() {
    if (m_owner) m_owner->m_changes.Notify(this);
}

void Tool::SetPictureFromClipboard(int32_t index, int32_t maskColor) {
    if (index < 0) {
        throw tolm::HostError(tolm::err::InvalidProcedureCall, "Image slot " + std::to_string(index) + " is invalid",
                              "MenuBar");
    }
    std::optional<tolm::Bitmap> bitmap = tolm::Platform()->ClipboardBitmap();
    if (!bitmap) {
        throw tolm::HostError(tolm::err::InvalidProcedureCall, "The clipboard holds no picture", "MenuBar");
    }
    SetPicture(index, *bitmap, maskColor);
}

void Tool::SetPicture(int32_t index, const tolm::Bitmap& picture, int32_t maskColor) {
    if (index < 0) {
        throw tolm::HostError(tolm::err::InvalidProcedureCall, "Image slot " + std::to_string(index) + " is invalid",
                              "MenuBar");
    }
    const tolm::Bitmap* bitmap = &picture;
    if (bitmap->width <= 0 || bitmap->height <= 0 ||
        bitmap->pixels.size() != static_cast<size_t>(bitmap->width) * static_cast<size_t>(bitmap->height)) {
        throw tolm::HostError(tolm::err::InvalidProcedureCall,
                              "The picture is malformed (" + std::to_string(bitmap->width) + " x " +
                                  std::to_string(bitmap->height) + " pixels, " +
                                  std::to_string(bitmap->pixels.size()) + " given)",
                              "MenuBar");
    }
    const uint32_t mask = static_cast<uint32_t>(maskColor) & 0xFFFFFFu;
    ToolImage image{bitmap->width, bitmap->height, {}};
    image.pixels.reserve(bitmap->pixels.size());
    for (uint32_t pixel : bitmap->pixels) {
        const uint32_t rgb = pixel & 0xFFFFFFu;
        image.pixels.push_back(rgb == mask ? rgb : (0xFF000000u | rgb));
    }
    SetImage(index, std::move(image));
}

const ToolImage* Tool::Image(int32_t index) const {
    auto found = m_images.find(index);
    return found == m_images.end() ? nullptr : &found->second;
}

void Tool::SetImage(int32_t index, ToolImage image) {
    auto found = m_images.find(index);
    if (found != m_images.end() && found->second == image) return;
    m_images[index] = std::move(image);
    Changed();
}

}  // namespace hub
