#include "host_fixture.h"

#include "model/company_setup.h"
#include "support/test_runtime.h"

namespace qel::test {

HostFixture::HostFixture(const std::string& userName, const std::string& language, bool demo,
                         const std::filesystem::path& registry, hub::WindowPresenter windows)
    : m_db(hub::OpenDatabase(":memory:")), m_platform(std::make_shared<hub::HeadlessPlatform>()) {
    hub::InitCompany(*m_db, demo);
    hub::RuntimeOptions options = hub::TestRuntimeOptions(m_platform);
    if (!registry.empty()) options.registry = registry;
    options.windows = std::move(windows);
    m_runtime = std::make_unique<hub::Runtime>(std::move(options));
    m_session = m_runtime->LogIn(m_db, userName, language);
}

HostFixture::~HostFixture() = default;

std::vector<std::string> HostFixture::Messages() const {
    std::vector<std::string> prompts;
    for (const auto& box : m_platform->MessageBoxes()) prompts.push_back(box.prompt);
    return prompts;
}

}  // namespace qel::test
