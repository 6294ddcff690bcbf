// HubHelpTool.ClsCHMHelp: help topics by number, shown by the front end's viewer.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "services/service_component.h"
#include "tolm/components.h"

namespace hub {

// Shows a help page: the desktop opens it in a browser window, the command line
// prints where it is.
using HelpViewer = std::function<void(int32_t topic, const std::filesystem::path& page)>;

// Installs the viewer of this process; an empty function puts back the default
// viewer, which shows nothing. Every request is recorded (LastHelpRequest)
// whichever viewer shows it.
void SetHelpViewer(HelpViewer viewer);

struct HelpRequest {
    int32_t topic = 0;
    std::filesystem::path page;
};
// The last topic asked for, with the page that was shown, if any.
std::optional<HelpRequest> LastHelpRequest();
void ClearLastHelpRequest();

// The page of a topic: <help>/<language>/<topic>.html, else the Simplified-Chinese
// page, else the English one; nothing when none exists.
std::optional<std::filesystem::path> FindHelpPage(const std::filesystem::path& helpDirectory,
                                                  const std::string& language, int32_t topic);

class HelpTool : public tolm::IHelpTool, private ServiceComponent {
public:
    explicit HelpTool(std::shared_ptr<Session> session);

    // Finds the topic's page in the session's language (DataDirectory()/help) and
    // hands it to the viewer; true when handed over. Raises FileNotFound naming the
    // topic when no page exists. The other arguments are not used.
    tolm::Variant ShowHELP(int32_t& topic, int16_t zero, std::string& s1, int32_t& n1, std::string& s2,
                           int32_t& n2) override;
};

}  // namespace hub
