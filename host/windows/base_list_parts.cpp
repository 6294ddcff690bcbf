#include "windows/base_list_parts.h"

#include "i18n/catalogue.h"
#include "tolm/base_data.h"
#include "tolm/components.h"
#include "tolm/registry.h"
#include "tolm/text.h"

namespace hub {
namespace {

class WindowControl final : public tolm::IControl {
public:
    WindowControl(std::string typeName, std::shared_ptr<tolm::ITreeNode> selected, bool hasNodes)
        : m_typeName(std::move(typeName)), m_selected(std::move(selected)), m_hasNodes(hasNodes) {}
    std::string TypeName() const override { return m_typeName; }
    std::shared_ptr<tolm::ITreeNode> SelectedItem() const override {
        if (!m_hasNodes) throw tolm::HostError(tolm::err::NotSupported, "The " + m_typeName + " has no nodes", "Window");
        return m_selected;
    }

private:
    std::string m_typeName;
    std::shared_ptr<tolm::ITreeNode> m_selected;
    bool m_hasNodes;
};

}  // namespace

std::shared_ptr<tolm::IControl> TreeControl(std::shared_ptr<tolm::ITreeNode> selected) {
    return std::make_shared<WindowControl>("TreeView", std::move(selected), true);
}

std::shared_ptr<tolm::IControl> ListControl() { return std::make_shared<WindowControl>("ListView", nullptr, false); }

std::shared_ptr<tolm::ITool> ClickableTool(const MenuBar& menuBar, const std::string& key, const std::string& language) {
    for (const auto& band : menuBar.Bands()) {
        const auto& tools = *band->BandTools();
        for (int32_t index = 1; index <= tools.Count(); ++index) {
            std::shared_ptr<tolm::ITool> tool = tools.ItemAt(index);
            if (!tolm::text::EqualsNoCase(tool->Key(), key)) continue;
            if (!tool->Visible() || !tool->Enabled()) {
                throw tolm::HostError(tolm::err::Refused,
                                      TranslateFormat(language, "命令%1当前不可用。", {tool->Caption()}), "Window");
            }
            return tool;
        }
    }
    throw tolm::HostError(tolm::err::ObjectNotFound, TranslateFormat(language, "窗口中没有命令%1。", {key}), "Window");
}

int32_t RequestBaseListHelp(EventSource<tolm::IBaseListEvents>& events) {
    constexpr int16_t KeyF1 = 112;
    int32_t iHelpId = 0;
    int32_t lGetPathMode = 0;
    const std::string classType = std::to_string(tolm::ExchangeRateClassTypeId);
    events.Raise("HelpHandler", [&](tolm::IBaseListEvents& sink) {
        sink.HelpHandler(KeyF1, 0, iHelpId, "", classType, 0, lGetPathMode);
    });
    return iHelpId;
}

void ReportToPerson(const tolm::HostError& error) {
    tolm::OnErrorSilent([&] {
        tolm::CreateObject<tolm::IMessageService>(tolm::classname::MessageService)->ReportError(error, {});
    });
}

void TellPerson(const std::string& text) {
    tolm::OnErrorSilent(
        [&] { tolm::CreateObject<tolm::IMessageService>(tolm::classname::MessageService)->ShowMessage(text); });
}

Outcome RunClickAsUnit(const Session& session, const std::function<bool()>& event, const char* unfinished) {
    Outcome outcome = RunUnitOfWork(session, event, Translate(session.Language(), unfinished));
    if (!outcome.Succeeded() && !outcome.told) {
        ReportToPerson(tolm::HostError(tolm::err::Refused, outcome.reason, "TolmHost"));
        outcome.told = true;
    }
    return outcome;
}

}  // namespace hub
