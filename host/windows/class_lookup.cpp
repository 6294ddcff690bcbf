#include "windows/class_lookup.h"

#include "i18n/catalogue.h"
#include "tolm/base_data.h"
#include "tolm/host_error.h"
#include "tolm/registry.h"
#include "windows/rate_list_window.h"

namespace hub {

namespace {
constexpr const char* Source = "HubClassLookup.BaseClassLookUp";
}  // namespace

ClassLookup::ClassLookup(std::shared_ptr<Session> session, WindowPresenter presenter)
    : m_session(std::move(session)), m_presenter(std::move(presenter)) {
    if (!m_session) throw tolm::HostError(tolm::err::ObjectNotSet, "The class window needs a logged-in session", Source);
}

void ClassLookup::Show() {
    const std::string& language = m_session->Language();
    if (m_classTypeId == tolm::ExchangeRateClassTypeId && m_showType == ShowTypeList) {
        const auto window = RateListWindow::Create(m_session);
        window->Open();
        struct CloseOnExit {
            RateListWindow& window;
            ~CloseOnExit() { window.Close(); }
        } closeOnExit{*window};
        if (m_presenter.showRateList) m_presenter.showRateList(*window);
        return;
    }
    throw tolm::HostError(tolm::err::Refused,
                          TranslateFormat(language, "类别%1没有可以打开的窗口（显示方式%2）。",
                                          {m_classTypeId, static_cast<int32_t>(m_showType)}),
                          Source);
}

void RegisterWindowComponents(std::shared_ptr<Session> session, WindowPresenter presenter) {
    if (!session) throw tolm::HostError(tolm::err::ObjectNotSet, "Windows need a logged-in session", Source);
    tolm::ComponentRegistry::Instance().Register(tolm::classname::ClassLookup, [session, presenter]() -> std::shared_ptr<tolm::Object> {
        return std::make_shared<ClassLookup>(session, presenter);
    });
}

void UnregisterWindowComponents() { tolm::ComponentRegistry::Instance().Unregister(tolm::classname::ClassLookup); }

}  // namespace hub
