#include "services/message_service.h"

#include "services/person_text.h"

#include "tolm/text.h"

#include "tolm/form.h"
#include "tolm/host_library.h"
#include "tolm/platform.h"

namespace hub {

MessageService::MessageService(std::shared_ptr<Session> session) : ServiceComponent(std::move(session)) {}

void MessageService::ShowMessage(const std::string& text) {
    tolm::Platform()->MessageBox(text, tolm::mb::Information, Text("提示"));
}

bool MessageService::AskQuestion(const std::string& text, bool&) {
    return tolm::Platform()->MessageBox(text, tolm::mb::YesNo | tolm::mb::Question, Text("提示")) == tolm::mb::IdYes;
}

void MessageService::ReportError(const tolm::HostError& error, const tolm::VariantArray& values) {
    // The description is what the person needs; the error's number is the program's,
    // and a refusal of the database is told as the rule it broke.
    const std::string text = PersonText(error, Language());
    const std::string description = values.empty() ? text : tolm::TemplateFiller().FillMessage(text, values);
    tolm::Platform()->MessageBox(description, tolm::mb::Critical, Text("错误"));
}

void MessageService::SelectAllText(tolm::FormControl& textBox) {
    textBox.SetSelection(0, static_cast<int32_t>(tolm::text::CharacterCount(textBox.Text())));
}

}  // namespace hub
