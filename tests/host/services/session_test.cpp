// Logging in, the session property string, and what the session components tell
// the plug-in about the login.
#include <unistd.h>

#include "services/password_hash.h"
#include "services/services_fixture.h"
#include "support/temp_dir.h"
#include "tolm/host_error.h"

namespace {

using hub::test::ServicesTest;

TEST_F(ServicesTest, LoginDescribesTheUserTheMachineAndTheDatabase) {
    auto session = LogIn("ACCOUNTANT", "EN");

    EXPECT_EQ(session->UserName(), "accountant") << "the name as stored, whatever the letter case typed";
    EXPECT_EQ(session->UserId(), UserId("accountant"));
    EXPECT_EQ(session->Language(), "en");
    EXPECT_EQ(session->ProcessId(), static_cast<int32_t>(getpid()));

    const std::string props = session->PropsString();
    EXPECT_EQ(props, "UserID=" + std::to_string(session->UserId()) + ";UserName=accountant;ServerIP=127.0.0.1;" +
                         "MachineName=" + session->MachineName() + ";IP=" + session->IpAddress() +
                         ";DBName=:memory:;");
    EXPECT_EQ(props.find("Language"), std::string::npos) << "the plug-in adds the language it detected";
    EXPECT_EQ(hub::PropsValue(props, "ip"), session->IpAddress());
    EXPECT_EQ(hub::PropsValue(props, "Nothing"), "");
}

TEST_F(ServicesTest, LoginNamesTheDatabaseFileItWorksOn) {
    hub::test::TempDir dir;
    auto fileDb = hub::OpenDatabase(dir / "company.db");
    hub::InitCompany(*fileDb, false);
    auto session = hub::Login(fileDb, "administrator", "chs");
    EXPECT_EQ(session->DatabaseName(), "company.db");
    EXPECT_NE(session->PropsString().find(";DBName=company.db;"), std::string::npos);
}

TEST_F(ServicesTest, UnknownOrForbiddenUsersAreRefusedInTheirLanguage) {
    m_db->Execute("UPDATE t_User SET FForbidden = 1 WHERE FName = 'clerk'");
    for (const auto& [user, refusal] : {std::pair{"nobody", "User nobody does not exist."},
                                        std::pair{"clerk", "User clerk is disabled and cannot log in."}}) {
        try {
            hub::Login(m_db, user, "en");
            ADD_FAILURE() << user << " logged in";
        } catch (const tolm::HostError& error) {
            EXPECT_EQ(error.Number(), tolm::err::AccessDenied);
            EXPECT_EQ(error.Description(), refusal);
        }
    }
    try {
        hub::Login(m_db, "nobody", "cht");
        ADD_FAILURE() << "logged in";
    } catch (const tolm::HostError& error) {
        EXPECT_EQ(error.Description(), "使用者 nobody 不存在。");
    }
    EXPECT_THROW(hub::Login(m_db, "administrator", "fr"), tolm::HostError);
}

TEST_F(ServicesTest, SessionPropertiesAnswerOnlyThisProcess) {
    auto session = LogIn("auditor", "cht");
    auto props = tolm::CreateObject<tolm::ISessionProps>(tolm::classname::SessionProps);

    int32_t pid = tolm::Platform()->CurrentProcessId();
    std::string name = "PropsString";
    EXPECT_EQ(props->GetProperty(pid, name).ToString(), session->PropsString());
    name = "username";
    EXPECT_EQ(props->GetProperty(pid, name).ToString(), "auditor");
    name = "Language";
    EXPECT_EQ(props->GetProperty(pid, name).ToString(), "cht");
    name = "NoSuchProperty";
    EXPECT_TRUE(props->GetProperty(pid, name).IsEmpty());

    int32_t otherPid = pid + 1;
    name = "PropsString";
    EXPECT_THROW(props->GetProperty(otherPid, name), tolm::HostError);

    auto language = tolm::CreateObject<tolm::ILangInfo>(tolm::classname::LangInfo);
    EXPECT_EQ(language->CurrentLanguage().ToString(), "cht");
}

}  // namespace

namespace {

// Without a password a user is known by the operating-system account linked to it;
// with one, the password is enough from any account.
TEST_F(ServicesTest, WhoIsActingFollowsTheLinkedAccountOrThePassword) {
    const std::string creator = hub::CurrentOsAccount();
    hub::StorePasswordHash(*m_db, UserId("auditor"), hub::HashPassword("auditor-passphrase"));
    auto answer = [](const char* password) {
        return [password]() -> std::optional<std::string> {
            if (password == nullptr) return std::nullopt;
            return std::string(password);
        };
    };
    const struct {
        const char* user;
        std::string account;
        const char* password;
        const char* actingAs;  // nullptr: refused
    } cases[] = {
        {"administrator", creator, nullptr, "administrator"},
        {"", creator, nullptr, "administrator"},  // the administrator among the linked users
        {"administrator", "someone-else", nullptr, nullptr},
        {"", "someone-else", nullptr, nullptr},
        {"clerk", creator, nullptr, "clerk"},
        {"auditor", creator, nullptr, nullptr},  // a password is needed even from the linked account
        {"auditor", "someone-else", "auditor-passphrase", "auditor"},
        {"auditor", "someone-else", "wrong-passphrase", nullptr},
    };
    for (const auto& c : cases) {
        hub::Credentials credentials{answer(c.password), c.account, {}};
        const std::string label = std::string(c.user) + " from " + c.account;
        if (c.actingAs == nullptr) {
            EXPECT_THROW(hub::Login(m_db, c.user, "en", credentials), tolm::HostError) << label;
        } else {
            EXPECT_EQ(hub::Login(m_db, c.user, "en", credentials)->UserName(), c.actingAs) << label;
        }
    }
}

}  // namespace
