#include "windows/tool_collection.h"

#include "tolm/text.h"

#include "tolm/host_error.h"

namespace hub {
namespace {

constexpr const char* Source = "MenuBar";

}  // namespace

ToolCollection::ToolCollection(Kind kind, std::string ownerKey) : m_kind(kind), m_ownerKey(std::move(ownerKey)) {}

ToolCollection::~ToolCollection() {
    // Tools handed out may outlive their collection; they must not point into it.
    for (auto& tool : m_tools) tool->m_owner = nullptr;
}

std::ptrdiff_t ToolCollection::IndexOf(const std::string& key) const {
    for (size_t i = 0; i < m_tools.size(); ++i) {
        if (tolm::text::EqualsNoCase(m_tools[i]->m_key, key)) return static_cast<std::ptrdiff_t>(i);
    }
    return -1;
}

void ToolCollection::ThrowNotFound(const std::string& key) const {
    const std::string where = m_kind == Kind::Band ? "The band " + m_ownerKey : std::string("The menu bar");
    throw tolm::HostError(tolm::err::ObjectNotFound, where + " has no tool " + key, Source);
}

std::shared_ptr<Tool> ToolCollection::Find(const std::string& key) const {
    const std::ptrdiff_t index = IndexOf(key);
    return index < 0 ? nullptr : m_tools[static_cast<size_t>(index)];
}

std::shared_ptr<tolm::ITool> ToolCollection::Item(const std::string& key) const {
    std::shared_ptr<Tool> tool = Find(key);
    if (!tool) ThrowNotFound(key);
    return tool;
}

std::shared_ptr<tolm::ITool> ToolCollection::ItemAt(int32_t index) const {
    if (index < 1 || index > Count()) {
        throw tolm::HostError(tolm::err::SubscriptOutOfRange,
                              "Tool " + std::to_string(index) + " is out of range (1 to " + std::to_string(Count()) +
                                  ")",
                              Source);
    }
    return m_tools[static_cast<size_t>(index - 1)];
}

void ToolCollection::Adopt(const std::shared_ptr<Tool>& tool) {
    tool->m_owner = this;
}

void ToolCollection::Release(const std::shared_ptr<Tool>& tool) {
    if (tool->m_owner == this) tool->m_owner = nullptr;
}

std::shared_ptr<Tool> ToolCollection::Append(std::shared_ptr<Tool> tool) {
    if (!tool) throw tolm::HostError(tolm::err::ObjectRequired, "No tool was given", Source);
    if (IndexOf(tool->m_key) >= 0) {
        throw tolm::HostError(tolm::err::DuplicateKey, "A tool with the key " + tool->m_key + " already exists",
                              Source);
    }
    Adopt(tool);
    m_tools.push_back(tool);
    m_changes.Notify(nullptr);
    return tool;
}

std::shared_ptr<tolm::ITool> ToolCollection::Add(const std::string& key) {
    if (m_kind == Kind::Band) {
        throw tolm::HostError(tolm::err::NotSupported,
                              "Tools are added to the menu bar's tools, then inserted into band " + m_ownerKey,
                              Source);
    }
    if (key.empty()) throw tolm::HostError(tolm::err::InvalidProcedureCall, "A tool needs a key", Source);
    return Append(std::make_shared<Tool>(key));
}

std::shared_ptr<tolm::ITool> ToolCollection::Insert(const std::string& atKey, const std::shared_ptr<tolm::ITool>& tool) {
    if (m_kind == Kind::Global) {
        throw tolm::HostError(tolm::err::NotSupported, "Tools are inserted into bands, not into the menu bar's tools",
                              Source);
    }
    if (!tool) throw tolm::HostError(tolm::err::ObjectRequired, "No tool was given to insert", Source);
    std::ptrdiff_t at = IndexOf(atKey);
    if (at < 0) ThrowNotFound(atKey);

    std::shared_ptr<Tool> copy = Tool::CopyOf(*tool);
    const std::ptrdiff_t existing = IndexOf(copy->m_key);
    if (existing == at) {
        // Inserted at its own place: the new copy takes the old one's position.
        Release(m_tools[static_cast<size_t>(at)]);
        m_tools[static_cast<size_t>(at)] = copy;
    } else {
        if (existing >= 0) {
            Release(m_tools[static_cast<size_t>(existing)]);
            m_tools.erase(m_tools.begin() + existing);
            if (existing < at) --at;
        }
        m_tools.insert(m_tools.begin() + at, copy);
    }
    Adopt(copy);
    m_changes.Notify(nullptr);
    return copy;
}

}  // namespace hub
