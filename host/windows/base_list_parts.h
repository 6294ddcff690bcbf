// Pieces the host's base lists (the exchange-rate list and the type list) share:
// what the attached class sees of the tree, the focused control, the view object
// and a selected record's fields, and how a click finds the command a person sees.
#pragma once

#include <functional>

#include "services/unit_of_work.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "tolm/host_error.h"
#include "tolm/host_library.h"
#include "tolm/windows.h"
#include "windows/event_source.h"
#include "windows/menu_bar.h"

namespace hub {

class TreeNode final : public tolm::ITreeNode {
public:
    TreeNode(std::string text, std::string key) : m_text(std::move(text)), m_key(std::move(key)) {}
    std::string Text() const override { return m_text; }
    std::string Key() const override { return m_key; }

private:
    std::string m_text;
    std::string m_key;
};

// The focused control as the class sees it at the moment it asks: the tree (with
// its selected node, nullptr when none) or the list (which has no nodes).
std::shared_ptr<tolm::IControl> TreeControl(std::shared_ptr<tolm::ITreeNode> selected);
std::shared_ptr<tolm::IControl> ListControl();

// The view object: RefreshClassGroups runs `reload`; the external condition is
// kept for the window to read at its next refresh.
class ClassGroupView final : public tolm::IListView {
public:
    explicit ClassGroupView(std::function<void()> reload) : m_reload(std::move(reload)) {}
    void RefreshClassGroups(bool) override { m_reload(); }
    void SetExternalCondition(const std::shared_ptr<tolm::Dictionary>& condition) override { m_condition = condition; }
    std::shared_ptr<tolm::Dictionary> ExternalCondition() const override { return m_condition; }

private:
    std::function<void()> m_reload;
    std::shared_ptr<tolm::Dictionary> m_condition = std::make_shared<tolm::Dictionary>();
};

// A field of a selected record's page.
class RecordField final : public tolm::IRecordField {
public:
    explicit RecordField(tolm::Variant value) : m_value(std::move(value)) {}
    tolm::Variant GetValue(const std::string&, const tolm::Variant&) const override { return m_value; }

private:
    tolm::Variant m_value;
};

// The command of that key as a band shows it (the first band that has it). Raises
// ObjectNotFound when no band shows it and Refused when it is hidden or disabled,
// both in `language`.
std::shared_ptr<tolm::ITool> ClickableTool(const MenuBar& menuBar, const std::string& key, const std::string& language);

// F1 on a base list: the help topic its attached class answers (0 when none does).
int32_t RequestBaseListHelp(EventSource<tolm::IBaseListEvents>& events);

// Hands an error to the message service's error report / shows a message; a missing
// or failing service loses the message, never the outcome.
void ReportToPerson(const tolm::HostError& error);
void TellPerson(const std::string& text);

// A clicked command of a list window (the class's handling and the host's) run as
// one unit of work of the session; an outcome nobody has told the person yet is
// reported, and the outcome answered told. `event` answers whether the command went
// through (see RunUnitOfWork); `unfinished` (Chinese) is the reason when a write the
// handlers trapped silently failed.
Outcome RunClickAsUnit(const Session& session, const std::function<bool()>& event,
                       const char* unfinished = "命令的上机日志没有写入，没有改动任何数据。");

}  // namespace hub
