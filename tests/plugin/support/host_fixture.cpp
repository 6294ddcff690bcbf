#include "host_fixture.h"

#include "db/company_setup.h"
#include "services/services.h"
#include "tolm/platform.h"

namespace qel::test {

HostFixture::HostFixture(const std::string& userName, const std::string& language, bool demo)
    : m_db(hub::OpenSqlite(":memory:")), m_platform(std::make_shared<hub::HeadlessPlatform>()) {
    hub::InitCompany(*m_db, demo);
    m_session = hub::Login(m_db, userName, language);
    hub::RegisterServices(m_session);
    tolm::InstallPlatform(m_platform);
}

HostFixture::~HostFixture() {
    hub::UnregisterServices();
    tolm::InstallPlatform(nullptr);
}

std::vector<std::string> HostFixture::Messages() const {
    std::vector<std::string> prompts;
    for (const auto& box : m_platform->MessageBoxes()) prompts.push_back(box.prompt);
    return prompts;
}

}  // namespace qel::test
