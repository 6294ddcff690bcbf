#include "windows/class_lookup.h"

#include "i18n/catalogue.h"
#include "tolm/base_data.h"
#include "tolm/host_error.h"
#include "tolm/registry.h"

namespace hub {

namespace {
constexpr const char* Source = "HubClassLookup.BaseClassLookUp";
}  // namespace

ClassLookup::ClassLookup(std::shared_ptr<Session> session) : m_session(std::move(session)) {
    if (!m_session) throw tolm::HostError(tolm::err::ObjectNotSet, "The class window needs a logged-in session", Source);
}

void ClassLookup::Show() {
    const std::string& language = m_session->Language();
    if (m_classTypeId == tolm::ExchangeRateClassTypeId && m_showType == ShowTypeList) {
        throw tolm::HostError(tolm::err::NotSupported, Translate(language, "汇率列表窗口暂未提供，无法打开。"), Source);
    }
    throw tolm::HostError(tolm::err::Refused,
                          TranslateFormat(language, "类别%1没有可以打开的窗口（显示方式%2）。",
                                          {m_classTypeId, static_cast<int32_t>(m_showType)}),
                          Source);
}

void RegisterWindowComponents(std::shared_ptr<Session> session) {
    if (!session) throw tolm::HostError(tolm::err::ObjectNotSet, "Windows need a logged-in session", Source);
    tolm::ComponentRegistry::Instance().Register(tolm::classname::ClassLookup, [session]() -> std::shared_ptr<tolm::Object> {
        return std::make_shared<ClassLookup>(session);
    });
}

void UnregisterWindowComponents() { tolm::ComponentRegistry::Instance().Unregister(tolm::classname::ClassLookup); }

}  // namespace hub
