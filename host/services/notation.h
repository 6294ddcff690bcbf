// HubNotation.Notation: a long text (a report, a list of refused rows) shown
// read-only through the platform: printed by the command line, in a window with
// copy and save on the desktop.
#pragma once

#include "services/service_component.h"
#include "tolm/components.h"

namespace hub {

class Notation : public tolm::INotation, private ServiceComponent {
public:
    explicit Notation(std::shared_ptr<Session> session);

    void SetText(const std::string& text) override { m_text = text; }
    // Shows the text under the title, or under "提示" (in the session's language)
    // without one; returns when the person closed it.
    void ShowDialog(const std::string& title = {}) override;

private:
    std::string m_text;
};

}  // namespace hub
