// Who may do what, and how a person proves who they are: users administered from the
// command line, passwords, the lock after wrong ones.
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "db/database.h"
#include "support/run_process.h"
#include "support/scratch_database.h"
#include "tolm/host_error.h"
#include "tolm_company_fixture.h"

namespace {

using hub::test::ProcessResult;

class TolmUsers : public hub::test::TolmCompany {
protected:
    // A file holding `password` on its first line, as a person would write it.
    std::string PasswordFile(const std::string& name, const std::string& password) {
        const std::filesystem::path file = m_dir / name;
        std::ofstream(file) << password << "\n";
        return file.string();
    }
    void Expect(const std::vector<std::string>& arguments, int exitCode, const std::string& said = "") {
        const ProcessResult result = Tolm(arguments);
        const std::string command = ::testing::PrintToString(arguments);
        EXPECT_EQ(result.exitCode, exitCode) << command << "\n" << result.out << result.err;
        if (!said.empty()) {
            EXPECT_NE((result.out + result.err).find(said), std::string::npos) << command << "\n" << result.out << result.err;
        }
    }
    int64_t Count(const std::string& sql) {
        auto db = hub::OpenDatabase(m_database.string(), hub::OpenMode::Existing);
        return static_cast<int64_t>(db->Query(sql)->Field("n").ToDouble());
    }
};

TEST_F(TolmUsers, OnlyAnAdministratorChangesUsersAndEachChangeIsLogged) {
    Init(true);
    const std::string secret = PasswordFile("pw", "correct horse");
    const struct {
        std::vector<std::string> arguments;
        int exitCode;
        const char* said;
    } steps[] = {
        {{"--user", "accountant", "users"}, 1, "只有系统管理员可以管理用户和权限。"},
        {{"--user", "clerk", "user", "add", "mallory", "--admin"}, 1, "只有系统管理员"},
        {{"--user", "auditor", "user", "grant", "auditor", "delete"}, 1, "只有系统管理员"},
        {{"--user", "clerk", "user", "passwd", "auditor", "--password-file", secret}, 1, "只有系统管理员"},
        {{"user", "add", "pat", "--description", "出纳", "--password-file", secret}, 0, "已新增用户 pat。"},
        {{"user", "add", "PAT"}, 1, "已经存在"},
        {{"user", "add", "bad;name"}, 1, "不可用"},
        {{"user", "add", "shorty", "--password-file", PasswordFile("short", "1234567")}, 1, "密码至少需要8个字符"},
        {{"user", "grant", "pat", "view", "audit"}, 0, "已为用户 pat 授予权限。"},
        {{"user", "grant", "pat", "fly"}, 1, "没有名为“fly”的权限"},
        {{"user", "revoke", "pat", "audit"}, 0, ""},
        {{"user", "remove", "auditor"}, 1, "请改为禁用该用户"},
        {{"user", "disable", "administrator"}, 1, "不能禁用自己"},
        {{"user", "disable", "nobody"}, 1, "用户 nobody 不存在。"},
        {{"--user", "clerk", "user", "passwd", "clerk", "--password-file", secret}, 0, "已修改用户 clerk 的密码。"},
        {{"user", "disable", "clerk"}, 0, ""},
        {{"--user", "clerk", "--password-file", secret, "rates"}, 1, "已被禁用"},
        {{"user", "enable", "clerk"}, 0, ""},
        {{"user", "add", "gone"}, 0, ""},
        {{"user", "remove", "gone"}, 0, "已删除用户 gone。"},
    };
    for (const auto& step : steps) Expect(step.arguments, step.exitCode, step.said);

    const nlohmann::json users = TolmJson({"users"});
    std::vector<std::string> patRights;
    for (const auto& user : users) {
        if (user.at("name") == "pat") patRights = user.at("rights").get<std::vector<std::string>>();
        EXPECT_NE(user.at("name"), "gone");
    }
    EXPECT_EQ(patRights, std::vector<std::string>{"view"});
    // Added, granted, revoked, password, disabled, enabled, added and removed: one
    // record each, and none of them carries the password.
    EXPECT_EQ(Count("SELECT COUNT(*) AS n FROM t_Log WHERE FFunctionID = 'TolmHost_users'"), 8);
    EXPECT_EQ(Count("SELECT COUNT(*) AS n FROM t_Log WHERE FDescription LIKE '%horse%'"), 0);
}

TEST_F(TolmUsers, APasswordIsNeededKeptOnlyAsAHashAndLocksAfterFiveWrongOnes) {
    Init(false);
    const std::string right = PasswordFile("right", "s3cret-passphrase");
    const std::string wrong = PasswordFile("wrong", "not-the-passphrase");
    Expect({"user", "add", "pat", "--password-file", right}, 0);
    Expect({"user", "grant", "pat", "view"}, 0);

    Expect({"--user", "pat", "types"}, 1, "TOLM_PASSWORD");
    Expect({"--user", "pat", "--password-file", right, "types"}, 0);
    ::setenv("TOLM_PASSWORD", "s3cret-passphrase", 1);
    Expect({"--user", "pat", "types"}, 0);
    ::unsetenv("TOLM_PASSWORD");

    for (int attempt = 1; attempt < 5; ++attempt) Expect({"--user", "pat", "--password-file", wrong, "types"}, 1, "密码不正确");
    Expect({"--user", "pat", "--password-file", wrong, "types"}, 1, "已被锁定15分钟");
    Expect({"--user", "pat", "--password-file", right, "types"}, 1, "已被锁定");
    EXPECT_EQ(Count("SELECT COUNT(*) AS n FROM t_Log WHERE FFunctionID = 'TolmHost_login'"), 5);
    Expect({"user", "enable", "pat"}, 0);
    Expect({"--user", "pat", "--password-file", right, "types"}, 0);

    // A reader's wrong password counts as well (a listing opens the company read-only).
    Expect({"--user", "pat", "--password-file", wrong, "types"}, 1);
    EXPECT_EQ(Count("SELECT COUNT(*) AS n FROM t_User WHERE FName = 'pat' AND FFailedLogins = 1"), 1);

    std::ifstream file(m_database, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(file), {}};
    EXPECT_EQ(bytes.find("s3cret-passphrase"), std::string::npos);
    EXPECT_NE(bytes.find("$argon2id$"), std::string::npos);
}

}  // namespace

namespace {

// On a server each user's login role can do no more, with any client, than the
// user's rights allow.
TEST_F(TolmUsers, OnAServerEachRoleCanDoNoMoreThanItsUsersRights) {
    hub::test::ScratchDatabase server(hub::test::Backend::Postgres);
    auto tolm = [&](std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"--registry", m_registry.string(), "--db", server.Location()});
        return hub::test::RunProcess(TOLM_CLI_PATH, arguments, m_dir.Path()).exitCode;
    };
    ASSERT_EQ(tolm({"init", "--demo"}), 0);
    ASSERT_EQ(tolm({"user", "add", "srv_pat", "--password-file", PasswordFile("pat", "srv-pat-passphrase")}), 0);
    // The role of a user added with a password has it, kept as the server's verifier.
    EXPECT_EQ(server.Open()
                  ->Query("SELECT COUNT(*) AS n FROM pg_authid WHERE rolname = 'srv_pat' AND rolpassword LIKE 'SCRAM-SHA-256$%'")
                  ->Field("n")
                  .ToLong(),
              1);

    // The server asks this role's password (the test cluster's only such role): the
    // program gives the person's, and a wrong one is refused in words.
    const struct {
        const char* password;
        int exitCode;
        const char* said;
    } logins[] = {
        {"srv-pat-passphrase", 0, "汇率类型"},
        {"not-the-passphrase", 1, "数据库服务器拒绝了登录"},
    };
    ASSERT_EQ(tolm({"user", "grant", "srv_pat", "view"}), 0);
    for (const auto& login : logins) {
        const ProcessResult result = hub::test::RunProcess(
            TOLM_CLI_PATH,
            {"--registry", m_registry.string(), "--db", server.Location(), "--user", "srv_pat", "--password-file",
             PasswordFile("login", login.password), "rates"},
            m_dir.Path());
        EXPECT_EQ(result.exitCode, login.exitCode) << login.password << result.err;
        EXPECT_NE((result.out + result.err).find(login.said), std::string::npos) << result.out << result.err;
    }

    auto as = [&](const std::string& role) {
        return hub::OpenDatabase(server.Location() + " user=" + role, hub::OpenMode::Existing);
    };
    // The company's "only the auditor reverses" option on, and a rate audited by the
    // administrator (the role that made the company).
    auto owner = server.Open();
    owner->Execute("INSERT INTO t_SystemProfile (FCategory, FKey, FValue) VALUES ('BaseData', 'CheckUser', '1')"
                   " ON CONFLICT (FCategory, FKey) DO UPDATE SET FValue = '1'");
    const std::string audited =
        std::to_string(owner->Query("SELECT MIN(FID) AS n FROM t_ExchangeRateEntry WHERE FChkUserID = 0")->Field("n").ToLong());
    ASSERT_EQ(tolm({"--yes", "rate", "audit", audited}), 0);
    const std::string auditor =
        std::to_string(owner->Query("SELECT FUserID AS n FROM t_User WHERE FName = 'auditor'")->Field("n").ToLong());
    const std::string reverse = "UPDATE t_ExchangeRateEntry SET FChkUserID = 0, FCheckDate = NULL WHERE FID = " + audited;
    const std::string otherRate =
        std::to_string(owner->Query("SELECT MAX(FID) AS n FROM t_ExchangeRateEntry WHERE FChkUserID = 0")->Field("n").ToLong());
    const struct {
        const char* role;
        std::string sql;
        bool allowed;
    } cases[] = {
        {"clerk", "SELECT COUNT(*) AS n FROM t_ExchangeRateEntry", true},
        {"clerk", "UPDATE t_ExchangeRateEntry SET FChkUserID = 0, FCheckDate = NULL", false},
        {"clerk", "DELETE FROM t_ExchangeRateEntry", false},
        {"clerk", "DELETE FROM t_Log", false},
        {"clerk", "SELECT FPasswordHash FROM t_User", false},
        {"auditor", "UPDATE t_ExchangeRateEntry SET FCheckDate = FCheckDate", true},
        {"auditor", "UPDATE t_ExchangeRateEntry SET FExchangeRate = 1", false},
        {"accountant", "DELETE FROM t_Log", false},
        {"accountant", "UPDATE ICClassType SET FID = FID", true},
        {"clerk", "UPDATE ICClassType SET FID = FID", false},
        {"accountant", "UPDATE ICClassType SET FID = FID + 1", false},
        // Only the user who audited reverses the audit or hands it on.
        {"auditor", reverse, false},
        {"auditor", "UPDATE t_ExchangeRateEntry SET FChkUserID = " + auditor + " WHERE FID = " + audited, false},
        {"auditor", "UPDATE t_ExchangeRateEntry SET FChkUserID = " + auditor + " WHERE FID = " + otherRate, true},
        {"auditor", "UPDATE t_ExchangeRateEntry SET FChkUserID = 0 WHERE FID = " + otherRate, true},
        {"tolm", reverse, true},
    };
    for (const auto& c : cases) {
        auto db = as(c.role);
        if (c.allowed) {
            EXPECT_NO_THROW(db->Execute(c.sql)) << c.role << ": " << c.sql;
        } else {
            EXPECT_THROW(db->Execute(c.sql), tolm::HostError) << c.role << ": " << c.sql;
        }
    }
    // The server says who is acting: a location naming a role works as that role's
    // user, and naming another user is refused.
    const struct {
        std::vector<std::string> arguments;
        int exitCode;
    } identities[] = {
        {{"--db", server.Location() + " user=auditor", "users"}, 1},
        {{"--db", server.Location() + " user=auditor", "--user", "clerk", "rates"}, 1},
        {{"--db", server.Location() + " user=auditor", "--user", "AUDITOR", "rates"}, 0},
        {{"--db", server.Location() + " user=tolm", "users"}, 0},
    };
    for (const auto& identity : identities) {
        std::vector<std::string> arguments{"--registry", m_registry.string()};
        arguments.insert(arguments.end(), identity.arguments.begin(), identity.arguments.end());
        const ProcessResult result = hub::test::RunProcess(TOLM_CLI_PATH, arguments, m_dir.Path());
        EXPECT_EQ(result.exitCode, identity.exitCode) << ::testing::PrintToString(arguments) << result.err;
    }
    // A right granted in the program is granted on the server, and taken back with it;
    // the program's own writes go through the same grants.
    ASSERT_EQ(tolm({"user", "grant", "clerk", "log-delete", "delete"}), 0);
    EXPECT_EQ(tolm({"--user", "clerk", "--yes", "rate", "delete", otherRate}), 0);
    EXPECT_EQ(tolm({"--user", "accountant", "rate", "new", "--type", "1", "--currency", "USD", "--rate", "7.1", "--from",
                    "2030-01-01", "--to", "2030-01-31"}),
              0);
    EXPECT_NO_THROW(as("clerk")->Execute("DELETE FROM t_Log WHERE FID = -1"));
    ASSERT_EQ(tolm({"user", "disable", "clerk"}), 0);
    EXPECT_THROW(as("clerk")->Execute("SELECT COUNT(*) AS n FROM t_Log"), tolm::HostError);
}

}  // namespace
