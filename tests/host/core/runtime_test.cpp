// The runtime: what it sets up for a session it takes down again, and a second
// login in the same process serves the new session.
#include "core/runtime.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "model/company_setup.h"
#include "platform/headless_platform.h"
#include "services/services.h"
#include "support/temp_dir.h"
#include "tolm/components.h"
#include "tolm/registry.h"

namespace {

using hub::Runtime;
using hub::RuntimeOptions;

std::string RegistryVariable() {
    const char* value = std::getenv("TOLM_REGISTRY");
    return value != nullptr ? value : "<unset>";
}

TEST(Runtime, TearingDownUndoesEveryStepOfStartingUp) {
    hub::test::TempDir dir;
    const auto before = std::make_shared<hub::HeadlessPlatform>();
    tolm::InstallPlatform(before);
    const std::string variableBefore = RegistryVariable();

    RuntimeOptions options;
    options.database = (dir / "company.db").string();
    options.registry = dir / "classes.json";
    options.platform = std::make_shared<hub::HeadlessPlatform>();
    {
        Runtime runtime(options);
        hub::InitCompany(*runtime.OpenForSetup(), false);
        runtime.OpenSession();
        EXPECT_EQ(tolm::InstalledPlatform(), options.platform);
        EXPECT_EQ(RegistryVariable(), (dir / "classes.json").string());
        for (const std::string& name : hub::ServiceClassNames()) {
            EXPECT_TRUE(tolm::ComponentRegistry::Instance().IsRegistered(name)) << name;
        }
    }
    for (const std::string& name : hub::ServiceClassNames()) {
        EXPECT_FALSE(tolm::ComponentRegistry::Instance().IsRegistered(name)) << name;
        EXPECT_THROW(tolm::ComponentRegistry::Instance().Create(name), tolm::HostError) << name;
    }
    EXPECT_EQ(tolm::InstalledPlatform(), before);
    EXPECT_EQ(RegistryVariable(), variableBefore);
    tolm::InstallPlatform(nullptr);
}

TEST(Runtime, ASecondLoginIsServedByItsOwnSession) {
    hub::test::TempDir dir;
    RuntimeOptions options;
    options.database = (dir / "company.db").string();
    options.registry = dir / "classes.json";
    options.platform = std::make_shared<hub::HeadlessPlatform>();
    Runtime runtime(options);
    const std::shared_ptr<hub::Database> company = runtime.OpenForSetup();
    hub::InitCompany(*company, true);

    const auto languageOfTheServices = [] {
        return tolm::CreateObject<tolm::ILangInfo>(tolm::classname::LangInfo)->CurrentLanguage().ToText();
    };
    runtime.LogIn(company, "clerk", "cht");
    EXPECT_EQ(languageOfTheServices(), "cht");
    runtime.LogIn(company, "auditor", "en");
    EXPECT_EQ(languageOfTheServices(), "en");
    EXPECT_EQ(runtime.OpenSession()->UserName(), "auditor") << "the runtime keeps the new login";

    runtime.LogOut();
    EXPECT_FALSE(runtime.HasSession());
    EXPECT_THROW(languageOfTheServices(), tolm::HostError);
}

}  // namespace
