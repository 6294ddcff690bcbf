// Only a sound company is written: one of a newer program is only read, a damaged
// file is told as damage (never in the database's words), and tolm db check says
// what is wrong.
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "db/database.h"
#include "db/migrations.h"
#include "tolm_company_fixture.h"

namespace {

using hub::test::ProcessResult;
using hub::test::ReadFile;

// Words of the database that a person must never read.
const std::regex DatabaseWords(R"([Ss][Qq][Ll]ite|malformed|CREATE |I/O|[Tt]ransaction|\[in: |\bt_[A-Z]\w+)");

class SoundCompany : public hub::test::TolmCompany {
protected:
    void SetUp() override {
        Init(true);
        m_rate = Scalar("SELECT min(FID) AS n FROM t_ExchangeRateEntry WHERE FChkUserID = 0");
    }
    std::string Scalar(const std::string& sql) {
        return hub::OpenDatabase(m_database.string(), hub::OpenMode::Existing)->Query(sql)->Field("n").ToText();
    }
    void Execute(const std::string& sql) {
        hub::OpenDatabase(m_database.string(), hub::OpenMode::Existing)->Execute(sql);
    }
    ProcessResult English(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"--lang", "en"});
        return Tolm(arguments);
    }

    std::string m_rate;
};

TEST_F(SoundCompany, ACompanyOfANewerProgramIsReadButNeverWritten) {
    const std::string workbook = (m_dir / "rates.xlsx").string();
    ASSERT_EQ(Tolm({"export", workbook}).exitCode, 0);
    const int newer = hub::CurrentSchemaVersion() + 1;
    Execute("INSERT INTO t_SchemaVersion (FVersion, FApplied) VALUES (" + std::to_string(newer) +
            ", '2031-01-01 00:00:00')");
    const std::string before = ReadFile(m_database);
    const std::string versions = "schema version " + std::to_string(newer) + ", newer than the version " +
                                 std::to_string(hub::CurrentSchemaVersion());

    struct Case {
        std::vector<std::string> arguments;
        int exitCode;
    };
    const std::vector<Case> cases{
        {{"rates"}, 0},
        {{"db", "check"}, 0},
        {{"--yes", "rate", "audit", m_rate}, 1},
        {{"type", "new", "--code", "09", "--name", "Spot", "--digits", "4"}, 1},
        {{"--yes", "import", workbook}, 1},
        {{"--yes", "log", "delete"}, 1},
        {{"option", "same-user", "on"}, 1},
        {{"init"}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments[c.arguments[0] == "--yes" ? 1 : 0]);
        const ProcessResult result = English(c.arguments);
        EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
        if (c.exitCode != 0) {
            EXPECT_NE(result.err.find(versions), std::string::npos) << result.err;
        }
        EXPECT_EQ(ReadFile(m_database), before);
    }
}

TEST_F(SoundCompany, DamageIsToldAsDamageInWordsOfItsOwn) {
    const size_t pageSize = std::stoul(Scalar("SELECT page_size AS n FROM pragma_page_size"));
    const size_t ratesPage =
        std::stoul(Scalar("SELECT rootpage AS n FROM sqlite_master WHERE name = 't_ExchangeRateEntry'"));
    const std::string pristine = ReadFile(m_database);
    struct Damage {
        std::string name;
        size_t offset;
        size_t length;
    };
    const std::vector<Damage> damages{
        {"the rates' first page", (ratesPage - 1) * pageSize, pageSize},
        {"the schema after the file header", 100, pageSize - 100},
        {"the file header itself", 0, 16},
    };
    const std::vector<std::vector<std::string>> commands{
        {"rates"},
        {"--yes", "rate", "audit", m_rate},
        {"type", "new", "--code", "09", "--name", "Spot", "--digits", "4"},
        {"db", "check"},
    };
    for (const Damage& damage : damages) {
        std::string damaged = pristine;
        damaged.replace(damage.offset, damage.length, std::string(damage.length, '\x5a'));
        for (const std::vector<std::string>& command : commands) {
            SCOPED_TRACE(damage.name + ": " + command[command[0] == "--yes" ? 1 : 0]);
            for (const char* journal : {"-wal", "-shm"}) std::filesystem::remove(m_database.string() + journal);
            hub::test::WriteFile(m_database, damaged);
            const ProcessResult result = English(command);
            EXPECT_EQ(result.exitCode, 1);
            EXPECT_NE((result.out + result.err).find("damaged"), std::string::npos) << result.out << result.err;
            if (command[0] != "db") {
                EXPECT_NE(result.err.find("tolm db check"), std::string::npos) << result.err;
            }
            EXPECT_FALSE(std::regex_search(result.out + result.err, DatabaseWords)) << result.out << result.err;
        }
    }
}

TEST_F(SoundCompany, DbCheckNamesTheRatesThatBreakARule) {
    const ProcessResult clean = English({"db", "check"});
    EXPECT_EQ(clean.exitCode, 0) << clean.err;
    EXPECT_NE(clean.out.find("no problems found"), std::string::npos) << clean.out;

    const std::string code = Scalar("SELECT FNumber AS n FROM t_ExchangeRateEntry WHERE FID = " + m_rate);
    Execute("UPDATE t_ExchangeRateEntry SET FChkUserID = 9999 WHERE FID = " + m_rate);
    const ProcessResult found = English({"db", "check"});
    EXPECT_EQ(found.exitCode, 1);
    EXPECT_EQ(found.out, "Rate " + code + " (id " + m_rate + ") names an auditor (user id 9999) who does not exist.\n");

    const ProcessResult json = English({"--json", "db", "check"});
    EXPECT_EQ(json.exitCode, 1);
    const nlohmann::json findings = nlohmann::json::parse(json.out).at("findings");
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].at("rule"), "unknownAuditor");
    EXPECT_EQ(findings[0].at("rate").at("id"), std::stoi(m_rate));
    EXPECT_EQ(findings[0].at("rate").at("code"), code);
    EXPECT_EQ(findings[0].at("userId"), 9999);
}

}  // namespace
