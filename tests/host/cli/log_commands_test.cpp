// tolm log, log delete, log export, log print, menu log and help log, run as a
// script would run them on the demonstration company.
#include <fstream>

#include "tolm_company_fixture.h"

namespace {

using hub::test::ProcessResult;

class LogCommands : public hub::test::TolmCompany {
protected:
    void SetUp() override { Init(true); }
};

TEST_F(LogCommands, CriteriaNarrowTheListAndDeleteRemovesOnlyWhatTheyShow) {
    const nlohmann::json all = TolmJson({"log"});
    ASSERT_GE(all.size(), 3u);
    const nlohmann::json byAdministrator = TolmJson({"log", "--by", "administrator", "--quick-contains", "[04]"});
    ASSERT_EQ(byAdministrator.size(), 1u);
    EXPECT_EQ(byAdministrator[0].at("FUserName"), "administrator");

    struct Case {
        std::vector<std::string> arguments;
        int exitCode;
        std::string message;
    };
    const std::vector<Case> cases{
        {{"log", "--from", "2024-13-01"}, 1, "The date \"2024-13-01\" of --from is not valid"},
        {{"--user", "accountant", "--yes", "log", "delete"}, 1, "No log records were deleted."},
        {{"--no", "log", "delete", "--by", "auditor"}, 0, ""},
        {{"--yes", "log", "delete", "--by", "x' OR '1'='1"}, 0, ""},
        {{"--yes", "log", "delete", "--by", "auditor"}, 0, ""},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments{"--lang", "en"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const ProcessResult result = Tolm(arguments);
        EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    }
    EXPECT_EQ(TolmJson({"log"}).size(), all.size() - 1) << "only the auditor's record went";
    EXPECT_TRUE(TolmJson({"log", "--by", "auditor"}).empty());
}

TEST_F(LogCommands, ExportPrintMenuAndHelpGoThroughTheWindow) {
    const std::string pdf = (m_dir / "log.pdf").string();
    const ProcessResult exported =
        Tolm({"--lang", "en", "log", "export", (m_dir / "log.csv").string(), "--by", "auditor"});
    ASSERT_EQ(exported.exitCode, 0) << exported.err;
    std::ifstream csv(m_dir / "log.csv", std::ios::binary);
    std::string heading, row, end;
    std::getline(csv, heading);
    std::getline(csv, row);
    EXPECT_EQ(heading.rfind("\xEF\xBB\xBF" "Date,", 0), 0u) << heading;
    EXPECT_NE(row.find(",auditor,QEL1014002_mnuCheck,"), std::string::npos) << row;
    EXPECT_FALSE(std::getline(csv, end)) << "the auditor's record only";

    const ProcessResult refused = Tolm({"--user", "clerk", "log", "print", pdf});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_FALSE(std::filesystem::exists(pdf));
    EXPECT_EQ(Tolm({"--user", "accountant", "log", "print", pdf}).exitCode, 0);
    EXPECT_TRUE(std::filesystem::exists(pdf));

    int deleteTools = 0;
    for (const auto& tool : TolmJson({"menu", "log"})) deleteTools += tool["key"] == "mnuEditDelete4Custom";
    EXPECT_EQ(deleteTools, 2);
    EXPECT_EQ(Tolm({"help", "log"}).out, "380081\n");
}

}  // namespace
