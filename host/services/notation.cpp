#include "services/notation.h"

#include "tolm/platform.h"

namespace hub {

Notation::Notation(std::shared_ptr<Session> session) : ServiceComponent(std::move(session)) {}

void Notation::ShowDialog(const std::string& title) {
    tolm::Platform()->ShowText(m_text, title.empty() ? Text("提示") : title);
}

}  // namespace hub
