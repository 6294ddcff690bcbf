#include "services/services.h"

#include "services/dlg_res_loader.h"
#include "services/ex_rate_lookup.h"
#include "services/ex_rate_update.h"
#include "services/gl_data.h"
#include "services/help_tool.h"
#include "services/lang_info.h"
#include "services/ledger_profile.h"
#include "services/log_server.h"
#include "services/message_service.h"
#include "services/notation.h"
#include "services/res_loader.h"
#include "services/security_info.h"
#include "services/session_props.h"
#include "services/system_profile.h"
#include "services/transfer_wizard.h"
#include "tolm/components.h"
#include "tolm/host_error.h"
#include "tolm/registry.h"

namespace hub {

namespace {

template <class Component>
tolm::ComponentFactory FactoryOf(const std::shared_ptr<Session>& session) {
    return [session]() -> std::shared_ptr<tolm::Object> { return std::make_shared<Component>(session); };
}

struct Service {
    const char* className;
    tolm::ComponentFactory (*factory)(const std::shared_ptr<Session>&);
};

constexpr Service Services[] = {
    {tolm::classname::SecurityInfo, &FactoryOf<SecurityInfo>},
    {tolm::classname::SystemProfile, &FactoryOf<SystemProfile>},
    {tolm::classname::LogServer, &FactoryOf<LogServer>},
    {tolm::classname::LedgerProfile, &FactoryOf<LedgerProfile>},
    {tolm::classname::GlData, &FactoryOf<GlData>},
    {tolm::classname::ExRateUpdate, &FactoryOf<ExRateUpdate>},
    {tolm::classname::ExRateLookup, &FactoryOf<ExRateLookup>},
    {tolm::classname::HelpTool, &FactoryOf<HelpTool>},
    {tolm::classname::LangInfo, &FactoryOf<LangInfo>},
    {tolm::classname::ResLoader, &FactoryOf<ResLoader>},
    {tolm::classname::DlgResLoader, &FactoryOf<DlgResLoader>},
    {tolm::classname::SessionProps, &FactoryOf<SessionProps>},
    {tolm::classname::MessageService, &FactoryOf<MessageService>},
    {tolm::classname::TransferWizard, &FactoryOf<TransferWizard>},
    {tolm::classname::Notation, &FactoryOf<Notation>},
};

}  // namespace

std::vector<std::string> ServiceClassNames() {
    std::vector<std::string> names;
    for (const Service& service : Services) names.emplace_back(service.className);
    return names;
}

void RegisterServices(std::shared_ptr<Session> session) {
    if (!session) throw tolm::HostError(tolm::err::ObjectNotSet, "Services need a logged-in session", "HubServices");
    auto& registry = tolm::ComponentRegistry::Instance();
    for (const Service& service : Services) registry.Register(service.className, service.factory(session));
}

void UnregisterServices() {
    auto& registry = tolm::ComponentRegistry::Instance();
    for (const Service& service : Services) registry.Unregister(service.className);
}

}  // namespace hub
