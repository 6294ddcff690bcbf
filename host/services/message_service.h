// HubMessage.Publics: messages to the person at the screen, through the platform.
#pragma once

#include "services/service_component.h"
#include "tolm/components.h"

namespace hub {

class MessageService : public tolm::IMessageService, private ServiceComponent {
public:
    explicit MessageService(std::shared_ptr<Session> session);

    // An information box titled "提示" (in the session's language).
    void ShowMessage(const std::string& text) override;
    // A Yes/No question titled "提示"; true when the answer is Yes. The flag is not
    // used.
    bool AskQuestion(const std::string& text, bool& flag) override;
    // A critical box titled "错误" showing the description (its %1..%n filled from
    // the values when there are any); the error's number is not shown.
    void ReportError(const tolm::HostError& error, const tolm::VariantArray& values) override;
    // Selects the whole text of the box (its length in characters).
    void SelectAllText(tolm::FormControl& textBox) override;
};

}  // namespace hub
