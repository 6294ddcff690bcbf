#include "services/help_tool.h"

#include <mutex>
#include <system_error>

#include "i18n/catalogue.h"
#include "base/paths.h"
#include "tolm/host_error.h"

namespace hub {

namespace {

std::mutex g_helpMutex;
HelpViewer g_viewer;
std::optional<HelpRequest> g_lastRequest;

}  // namespace

void SetHelpViewer(HelpViewer viewer) {
    std::lock_guard lock(g_helpMutex);
    g_viewer = std::move(viewer);
}

std::optional<HelpRequest> LastHelpRequest() {
    std::lock_guard lock(g_helpMutex);
    return g_lastRequest;
}

void ClearLastHelpRequest() {
    std::lock_guard lock(g_helpMutex);
    g_lastRequest.reset();
}

std::optional<std::filesystem::path> FindHelpPage(const std::filesystem::path& helpDirectory,
                                                  const std::string& language, int32_t topic) {
    const std::string page = std::to_string(topic) + ".html";
    for (const std::string& folder : {language, std::string(LanguageChs), std::string(LanguageEn)}) {
        const std::filesystem::path candidate = helpDirectory / folder / page;
        std::error_code ec;
        if (std::filesystem::is_regular_file(candidate, ec)) return candidate;
    }
    return std::nullopt;
}

HelpTool::HelpTool(std::shared_ptr<Session> session) : ServiceComponent(std::move(session)) {}

tolm::Variant HelpTool::ShowHELP(int32_t& topic, int16_t, std::string&, int32_t&, std::string&, int32_t&) {
    const std::optional<std::filesystem::path> page = FindHelpPage(DataDirectory() / "help", Language(), topic);
    if (!page) {
        throw tolm::HostError(tolm::err::FileNotFound, Text("找不到帮助主题 %1。", {tolm::Variant(topic)}),
                              "HubHelpTool.ClsCHMHelp");
    }
    HelpViewer viewer;
    {
        std::lock_guard lock(g_helpMutex);
        viewer = g_viewer;
        g_lastRequest = HelpRequest{topic, *page};
    }
    // Called outside the lock: a viewer may well ask for help itself.
    if (viewer) viewer(topic, *page);
    return tolm::Variant(true);
}

}  // namespace hub
