// Keeping a company's rates with tolm, as an accountant or a script does: create the
// company, add and change rates through the editor, list rates and the log.
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "tolm_company_fixture.h"

namespace {

using hub::test::ProcessResult;
using nlohmann::json;

const std::set<std::string> RateKeys{"FID",           "FNumber",        "FName",    "FCyTo",    "FExchangeRateType",
                                     "FExchangeRate", "FReverseExRate", "FBegDate", "FEndDate", "FChkUserID"};

std::set<std::string> KeysOf(const json& object) {
    std::set<std::string> keys;
    for (const auto& [key, value] : object.items()) keys.insert(key);
    return keys;
}

class TolmRates : public hub::test::TolmCompany {};

TEST_F(TolmRates, InitCreatesTheCompanyOnceAndThenFindsItUpToDate) {
    ProcessResult created = Tolm({"--lang", "en", "init", "--demo"});
    ASSERT_EQ(created.exitCode, 0) << created.err;
    EXPECT_NE(created.out.find("Created the company database " + m_database.string()), std::string::npos)
        << created.out;
    EXPECT_NE(created.out.find("96 rates and 4 users"), std::string::npos) << created.out;

    json again = TolmJson({"init"});
    EXPECT_EQ(again.at("created"), false);
    EXPECT_EQ(again.at("schemaVersionBefore"), again.at("schemaVersion"));
    EXPECT_EQ(again.at("addedRates"), 0) << "running it again adds nothing";
    EXPECT_EQ(again.at("rates"), 96);
    EXPECT_EQ(TolmJson({"rates", "--all"}).size(), 96u);
}

TEST_F(TolmRates, OnlyAnAdministratorSetsUpACompanyInUseAndDemonstrationDataNeedsAnEmptyOne) {
    Init(true);
    struct Case {
        std::vector<std::string> arguments;
        const char* refusal;
    };
    const Case cases[] = {
        {{"--user", "clerk", "init"}, "User clerk is not an administrator"},
        {{"--user", "nobody", "init"}, "User nobody does not exist."},
        {{"--user", "", "init"}, "The user name must not be empty."},
        {{"--user", " ", "rates"}, "The user name must not be empty."},
        {{"init", "--demo"}, "already holds data"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments{"--lang", "en"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        ProcessResult result = Tolm(arguments);
        EXPECT_EQ(result.exitCode, 1) << c.refusal;
        EXPECT_NE(result.err.find(c.refusal), std::string::npos) << result.err;
    }
    EXPECT_EQ(TolmJson({"init"}).at("addedRates"), 0) << "the administrator may run it again";
    EXPECT_EQ(TolmJson({"rates", "--all"}).size(), 96u) << "no refused run added anything";
}

TEST_F(TolmRates, WithoutADatabaseEveryCommandButInitSaysToRunInit) {
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"rates"}, {"log"}, {"rate", "show", "1"},
          {"rate", "new", "--type", "1", "--currency", "USD", "--rate", "7", "--from", "2024-03-01", "--to",
           "2024-03-31"}}) {
        std::vector<std::string> english{"--lang", "en"};
        english.insert(english.end(), command.begin(), command.end());
        ProcessResult result = Tolm(english);
        EXPECT_EQ(result.exitCode, 1) << command[0];
        EXPECT_NE(result.err.find("run tolm init"), std::string::npos) << result.err;
    }
    EXPECT_FALSE(std::filesystem::exists(m_database)) << "a mistyped database is not created";

    hub::test::WriteFile(m_database, "");
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"rates"}, {"type", "new", "--code", "X", "--name", "X"}}) {
        EXPECT_EQ(Tolm(command).exitCode, 1) << command[0];
        EXPECT_EQ(std::filesystem::file_size(m_database), 0u) << command[0] << ": an empty file stays empty";
    }
}

// Run as a person without the right to write the folder (root may write anywhere).
// That person's account is not the one that made the company: the administrator's
// password is needed.
TEST_F(TolmRates, ReadingCommandsChangeNoFileAndWorkInAFolderThatCannotBeWritten) {
    Init(true);
    const std::filesystem::path password = m_dir / "password";
    hub::test::WriteFile(password, "administrator-passphrase\n");
    ASSERT_EQ(Tolm({"user", "passwd", "administrator", "--password-file", password.string()}).exitCode, 0);
    const std::string rate = std::to_string(TolmJson({"--password-file", password.string(), "rates", "--all"})[0].at("FID").get<int>());
    const std::string before = hub::test::ReadFile(m_database);
    std::filesystem::permissions(m_dir.Path(), std::filesystem::perms::owner_write | std::filesystem::perms::group_write |
                                                   std::filesystem::perms::others_write,
                                 std::filesystem::perm_options::remove);
    std::filesystem::permissions(m_dir.Path(), std::filesystem::perms::others_read | std::filesystem::perms::others_exec,
                                 std::filesystem::perm_options::add);
    const bool root = ::geteuid() == 0;
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"rates", "--all"}, {"types"}, {"log", "--limit", "3"}, {"menu", "log"},
          {"help", "log"}, {"rate", "show", rate}}) {
        std::vector<std::string> arguments{"--registry", m_registry.string(), "--db", m_database.string(),
                                           "--user", "administrator", "--password-file", password.string()};
        arguments.insert(arguments.end(), command.begin(), command.end());
        if (root) arguments.insert(arguments.begin(), {"--reuid=65534", "--regid=65534", "--clear-groups", TOLM_CLI_PATH});
        ProcessResult result = hub::test::RunProcess(root ? "/usr/bin/setpriv" : TOLM_CLI_PATH, arguments, m_dir.Path());
        EXPECT_NE(result.exitCode, -1) << command[0];
        EXPECT_TRUE(result.err.empty()) << command[0] << ": " << result.err;
    }
    if (root) {
        const ProcessResult unproven = hub::test::RunProcess(
            "/usr/bin/setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups", TOLM_CLI_PATH, "--registry",
                                 m_registry.string(), "--db", m_database.string(), "types"},
            m_dir.Path());
        EXPECT_EQ(unproven.exitCode, 1) << "another account acts as nobody of the company without a password";
    }
    std::filesystem::permissions(m_dir.Path(), std::filesystem::perms::owner_all, std::filesystem::perm_options::add);
    EXPECT_EQ(hub::test::ReadFile(m_database), before);
    EXPECT_FALSE(std::filesystem::exists(m_database.string() + "-wal"));
}

TEST_F(TolmRates, ANewRateIsSavedThroughTheEditorAndPrinted) {
    Init(false);
    ProcessResult saved = Tolm({"--json", "rate", "new", "--type", "1", "--currency", "USD", "--rate", "6.8",
                                "--from", "2024-03-01", "--to", "2024-03-31"});
    ASSERT_EQ(saved.exitCode, 0) << saved.err;
    EXPECT_NE(saved.err.find("未在注册表 " + m_registry.string() + " 中注册；已注册 "), std::string::npos)
        << "the plug-in beside tolm was registered, and the person told: " << saved.err;

    json rate = json::parse(saved.out);
    EXPECT_EQ(KeysOf(rate), RateKeys);
    EXPECT_EQ(rate.at("FNumber"), "01.USD.20240301");
    EXPECT_EQ(rate.at("FName"), "公司汇率.美元.20240301");
    EXPECT_EQ(rate.at("FExchangeRateType"), 1);
    EXPECT_DOUBLE_EQ(rate.at("FExchangeRate").get<double>(), 6.8);
    EXPECT_DOUBLE_EQ(rate.at("FReverseExRate").get<double>(), 0.1471) << "the editor's follow-up ran";
    EXPECT_EQ(rate.at("FBegDate"), "2024-03-01");
    EXPECT_EQ(rate.at("FEndDate"), "2024-03-31");
    EXPECT_EQ(rate.at("FChkUserID"), 0);

    ProcessResult human = Tolm({"--lang", "en", "rate", "show", std::to_string(rate.at("FID").get<int>())});
    ASSERT_EQ(human.exitCode, 0) << human.err;
    EXPECT_NE(human.out.find("6.8000  (reverse 0.1471)"), std::string::npos) << human.out;
    EXPECT_EQ(human.err, "") << "registered once, it is not registered again";

    EXPECT_TRUE(TolmJson({"rates", "--type", "1"}).empty()) << "it ended before the current period";
    json rates = TolmJson({"rates", "--all", "--type", "1"});
    ASSERT_EQ(rates.size(), 1u);
    EXPECT_EQ(rates[0].at("FID"), rate.at("FID"));
    EXPECT_EQ(rates[0].at("FExchangeRate"), "6.8000") << "the list shows the type's four places";
    EXPECT_TRUE(TolmJson({"rates", "--all", "--type", "2"}).empty());

    json log = TolmJson({"log"});
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(KeysOf(log[0]), (std::set<std::string>{"FID", "FDate", "FUserID", "FUserName", "FFunctionID",
                                                     "FOperateType", "FDescription", "FMachineName", "FIPAddress"}));
    EXPECT_EQ(log[0].at("FFunctionID"), "QEL1014002_mnuFileNewItem");
    EXPECT_EQ(log[0].at("FDescription"), "新增汇率完成-代码：[01.USD.20240301] 汇率：[6.8000]");
    EXPECT_EQ(log[0].at("FUserName"), "administrator");
}

TEST_F(TolmRates, AnEditorRegisteredWithAVanishedLibraryIsRegisteredAgainFromBesideTolm) {
    Init(false);
    std::filesystem::create_directories(m_registry.parent_path());
    const std::string gone = (m_dir / "gone" / "libTolmBaseQelPlugin.so").string();
    hub::test::WriteFile(m_registry, R"({"version":1,"classes":[{"progId":"TolmBaseQelPlugin.CExRateBillEdit",)"
                                     R"("classId":"{F0167C1D-8F60-4035-AAE8-1A7A87B43636}","helpString":"",)"
                                     R"("library":")" + gone + R"("}]})");
    ProcessResult saved = Tolm({"--lang", "en", "rate", "new", "--type", "2", "--currency", "EUR", "--rate", "7.8",
                                "--from", "2024-03-01", "--to", "2024-03-31"});
    ASSERT_EQ(saved.exitCode, 0) << saved.err;
    EXPECT_NE(saved.err.find("is registered with the missing library " + gone + "; registered "), std::string::npos)
        << saved.err;
    EXPECT_NE(saved.out.find("02.EUR.20240301"), std::string::npos) << saved.out;
    for (const auto& entry : TolmJson({"classes"})) {
        EXPECT_NE(entry.at("library").get<std::string>(), gone) << "the stale entry was replaced";
    }
}

TEST_F(TolmRates, ARefusedSaveExitsWithTheEditorsMessageInTheSessionLanguage) {
    Init(false);
    // 0, and a rate whose reverse rate would be stored as 0.
    for (const char* rate : {"0", "1e308"}) {
        ProcessResult refused = Tolm({"--lang", "en", "rate", "new", "--type", "1", "--currency", "USD", "--rate",
                                      rate, "--from", "2024-03-01", "--to", "2024-03-31"});
        EXPECT_EQ(refused.exitCode, 1) << rate;
        EXPECT_NE(refused.err.find("Invalid exchange rate. Please enter a value greater than 0!"), std::string::npos)
            << rate << ": " << refused.err;
        EXPECT_EQ(refused.out, "") << rate;
    }
    EXPECT_TRUE(TolmJson({"rates", "--all"}).empty()) << "nothing was stored";
    EXPECT_TRUE(TolmJson({"log"}).empty());

    ProcessResult reversed = Tolm({"--lang", "en", "rate", "new", "--type", "1", "--currency", "USD", "--rate", "7",
                                  "--from", "2024-03-31", "--to", "2024-03-30"});
    EXPECT_EQ(reversed.exitCode, 1);
    EXPECT_NE(reversed.err.find("The effective date cannot be later than the expiry date!"), std::string::npos)
        << reversed.err;
}

TEST_F(TolmRates, AnOptionTheEditorCannotTakeIsRefusedByName) {
    Init(false);
    struct Case {
        std::vector<std::string> options;
        const char* message;
    };
    const Case cases[] = {
        {{"--currency", ""}, "--currency: must not be empty; expected a currency code such as USD."},
        {{"--currency", "XYZ"}, "--currency: There is no currency with the code XYZ; expected a currency code"},
        {{"--rate", "abc"}, "--rate: \"abc\" is not a number; expected a number above 0"},
        {{"--to", ""}, "--to: must not be empty; expected a day written yyyy-MM-dd."},
        {{"--from", "2024-02-30"}, "--from: \"2024-02-30\" is not a date written yyyy-MM-dd;"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments{"--lang", "en", "rate", "new", "--type", "1"};
        std::vector<std::string> given{"--currency", "USD", "--rate", "7", "--from", "2024-03-01", "--to", "2024-03-31"};
        for (size_t i = 0; i < given.size(); i += 2) {
            if (given[i] == c.options[0]) given[i + 1] = c.options[1];
        }
        arguments.insert(arguments.end(), given.begin(), given.end());
        ProcessResult result = Tolm(arguments);
        EXPECT_EQ(result.exitCode, 1) << c.message;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    }
    EXPECT_TRUE(TolmJson({"rates", "--all"}).empty()) << "nothing was stored";
    ProcessResult noDatabase = hub::test::RunProcess(TOLM_CLI_PATH, {"--lang", "en", "--db", "", "rates"}, m_dir.Path());
    EXPECT_EQ(noDatabase.err, "tolm: --db must not be empty: give the company database file or a PostgreSQL connection string.\n");
}

TEST_F(TolmRates, ExportAndImportGoThroughTheListsDialogAndSayHowItWent) {
    Init(true);
    const std::string file = (m_dir / "rates.xlsx").string();
    ProcessResult exported = Tolm({"--lang", "en", "export", file});
    EXPECT_EQ(exported.exitCode, 0) << exported.err;
    EXPECT_NE(exported.err.find("Rate system exported successfully!"), std::string::npos) << exported.err;
    const size_t rates = TolmJson({"rates", "--all"}).size();

    m_database = m_dir / "other.db";
    Init(false);
    ProcessResult imported = Tolm({"--lang", "en", "import", file});
    EXPECT_EQ(imported.exitCode, 0) << imported.err;
    EXPECT_NE(imported.out.find("Rows failed:0"), std::string::npos) << imported.out;
    EXPECT_EQ(TolmJson({"rates", "--all"}).size(), rates);

    ProcessResult refused = Tolm({"export", (m_dir / "rates.txt").string()});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_FALSE(std::filesystem::exists(m_dir / "rates.txt"));
}

TEST_F(TolmRates, ModifyGoesThroughTheEditorWhichLocksAnAuditedRate) {
    Init(true);
    json rates = TolmJson({"rates", "--all", "--type", "1"});
    int audited = 0;
    json open;
    for (const auto& rate : rates) {
        if (rate.at("FChkUserID").get<int>() != 0) {
            audited = rate.at("FID").get<int>();
        } else {
            open = rate;
        }
    }
    ASSERT_NE(audited, 0);
    ASSERT_FALSE(open.is_null());

    ProcessResult locked = Tolm({"rate", "modify", std::to_string(audited), "--rate", "7.5"});
    EXPECT_EQ(locked.exitCode, 1);
    EXPECT_NE(locked.err.find("--rate：字段汇率已锁定，不能修改：该汇率已审核，不允许修改。"), std::string::npos) << locked.err;
    EXPECT_EQ(locked.err.find("应为"), std::string::npos) << "a locked field is no matter of how the value is written";
    ProcessResult resaved = Tolm({"rate", "modify", std::to_string(audited)});
    EXPECT_EQ(resaved.exitCode, 1) << "the editor refuses to save an audited rate";
    EXPECT_NE(resaved.err.find("该汇率已审核，不允许修改。"), std::string::npos) << resaved.err;

    const std::string id = std::to_string(open.at("FID").get<int>());
    json changed = TolmJson({"rate", "modify", id, "--rate", "8"});
    EXPECT_EQ(changed.at("FID"), open.at("FID"));
    EXPECT_DOUBLE_EQ(changed.at("FExchangeRate").get<double>(), 8.0);
    EXPECT_DOUBLE_EQ(changed.at("FReverseExRate").get<double>(), 0.125);
    EXPECT_EQ(changed.at("FBegDate"), open.at("FBegDate")) << "what was not given stays";
    EXPECT_EQ(TolmJson({"log", "--limit", "1"})[0].at("FFunctionID"), "QEL1014002_mnuEditModify");

    ProcessResult clerk = Tolm({"--user", "clerk", "rate", "modify", id, "--rate", "9"});
    EXPECT_EQ(clerk.exitCode, 1) << "the clerk may only look";
    EXPECT_DOUBLE_EQ(TolmJson({"rate", "show", id}).at("FExchangeRate").get<double>(), 8.0);
}

}  // namespace
