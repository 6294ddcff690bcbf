// A headless host for the plug-in's scenarios: a company on a private database, a
// logged-in user, the service components and a scripted platform.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "core/runtime.h"
#include "db/database.h"
#include "platform/headless_platform.h"
#include "services/session.h"

namespace qel::test {

class HostFixture {
public:
    // `registry`, when given, is the class registry the host loads plug-in classes
    // through; otherwise one of the test's own that holds nothing.
    explicit HostFixture(const std::string& userName = "administrator", const std::string& language = "chs",
                         bool demo = false, const std::filesystem::path& registry = {},
                         hub::WindowPresenter windows = {});
    ~HostFixture();
    HostFixture(const HostFixture&) = delete;
    HostFixture& operator=(const HostFixture&) = delete;

    hub::Database& Db() const { return *m_db; }
    const std::shared_ptr<hub::Database>& DbRef() const { return m_db; }
    const std::shared_ptr<hub::Session>& Session() const { return m_session; }
    hub::HeadlessPlatform& Platform() const { return *m_platform; }
    const hub::ClassLoader& Loader() const { return m_runtime->Loader(); }

    // The prompts of the message boxes shown so far.
    std::vector<std::string> Messages() const;

private:
    std::shared_ptr<hub::Database> m_db;
    std::shared_ptr<hub::HeadlessPlatform> m_platform;
    std::unique_ptr<hub::Runtime> m_runtime;
    std::shared_ptr<hub::Session> m_session;
};

}  // namespace qel::test
