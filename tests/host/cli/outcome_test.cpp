// What tolm says and how it exits is what happened to the company: a refusal is never
// reported as done, a question answered No changes nothing and is no failure.
#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "db/database.h"
#include "support/scratch_database.h"
#include "tolm_company_fixture.h"

namespace {

using hub::test::ProcessResult;

class TolmOutcomes : public hub::test::TolmCompany {
protected:
    // The id of a rate of the demonstration company, audited by `auditor` or not audited.
    std::string DemoRate(bool audited) {
        const nlohmann::json rates = TolmJson({"rates", "--all"});
        for (const auto& rate : rates) {
            const bool isAudited = rate.at("FChkUserID").is_number() && rate.at("FChkUserID").get<int>() != 0;
            if (isAudited == audited) return std::to_string(rate.at("FID").get<int>());
        }
        ADD_FAILURE() << "the demonstration company has no such rate";
        return "0";
    }
    int64_t Count(const std::string& sql) {
        auto db = hub::OpenDatabase(m_database.string(), hub::OpenMode::Existing);
        return static_cast<int64_t>(db->Query(sql)->Field("n").ToDouble());
    }
};

TEST_F(TolmOutcomes, TheExitStatusAndTheWordsFollowWhatTheCompanyHolds) {
    Init(true);
    const std::string open = DemoRate(false);
    const std::string audited = DemoRate(true);
    const struct {
        std::vector<std::string> arguments;
        int exitCode;
        const char* said;  // on standard output (exit 0) or standard error (exit 1)
    } steps[] = {
        {{"--user", "clerk", "--yes", "rate", "audit", open}, 1, "对不起，您没有审核汇率的权限。"},
        {{"--no", "rate", "audit", open}, 0, "没有改动任何数据。"},
        {{"--yes", "rate", "audit", open}, 0, "命令已完成。"},
        {{"--yes", "rate", "audit", open}, 1, "所选汇率都已审核。"},
        {{"option", "same-user", "on"}, 0, "反审核和审核为同一人：开"},
        {{"--user", "accountant", "--yes", "rate", "unaudit", audited}, 1, "只有审核人才能反审核"},
        {{"--user", "auditor", "--yes", "rate", "unaudit", audited}, 0, "命令已完成。"},
        {{"--user", "clerk", "--yes", "rate", "delete", open}, 1, "对不起，您没有删除汇率的权限。"},
    };
    for (const auto& step : steps) {
        const ProcessResult result = Tolm(step.arguments);
        const std::string command = ::testing::PrintToString(step.arguments);
        EXPECT_EQ(result.exitCode, step.exitCode) << command << "\n" << result.out << result.err;
        const std::string& words = step.exitCode == 0 ? result.out : result.err;
        EXPECT_NE(words.find(step.said), std::string::npos) << command << "\n" << result.out << result.err;
        if (step.exitCode != 0) {
            EXPECT_EQ(result.out.find("命令已完成。"), std::string::npos) << command;
        }
    }
    EXPECT_EQ(Count("SELECT COUNT(*) AS n FROM t_ExchangeRateEntry WHERE FID = " + audited + " AND FChkUserID = 0"), 1);
    EXPECT_EQ(Count("SELECT COUNT(*) AS n FROM t_ExchangeRateEntry WHERE FID = " + open + " AND FChkUserID <> 0"), 1);
}

class TolmConcurrentAudits : public TolmOutcomes, public ::testing::WithParamInterface<hub::test::Backend> {};

TEST_P(TolmConcurrentAudits, OfConcurrentAuditsOfOneRateExactlyOneIsDone) {
    std::unique_ptr<hub::test::ScratchDatabase> server;
    std::string location = m_database.string();
    if (GetParam() == hub::test::Backend::Postgres) {
        server = std::make_unique<hub::test::ScratchDatabase>(GetParam());
        location = server->Location();
    }
    // Each run keeps what it printed in a folder of its own.
    auto tolm = [&](std::vector<std::string> arguments, const std::string& run = "setup") {
        arguments.insert(arguments.begin(), {"--registry", m_registry.string(), "--db", location});
        const std::filesystem::path scratch = m_dir / run;
        std::filesystem::create_directories(scratch);
        return hub::test::RunProcess(TOLM_CLI_PATH, arguments, scratch);
    };
    ASSERT_EQ(tolm({"init", "--demo"}).exitCode, 0);
    const nlohmann::json rates = nlohmann::json::parse(tolm({"--json", "rates", "--all"}).out);
    const auto open = std::find_if(rates.begin(), rates.end(), [](const auto& rate) {
        return !rate.at("FChkUserID").is_number() || rate.at("FChkUserID").template get<int>() == 0;
    });
    ASSERT_NE(open, rates.end());
    const std::string rate = std::to_string(open->at("FID").get<int>());

    std::vector<ProcessResult> results(6);
    std::vector<std::thread> auditors;
    for (size_t i = 0; i < results.size(); ++i) {
        auditors.emplace_back([&, i] { results[i] = tolm({"--yes", "rate", "audit", rate}, "auditor" + std::to_string(i)); });
    }
    for (std::thread& auditor : auditors) auditor.join();
    const auto done = std::count_if(results.begin(), results.end(), [](const ProcessResult& r) { return r.exitCode == 0; });
    EXPECT_EQ(done, 1);
    for (const ProcessResult& result : results) {
        EXPECT_TRUE(result.exitCode == 0 || result.exitCode == 1) << result.err;
        if (result.exitCode == 1) {
            EXPECT_EQ(result.out.find("命令已完成。"), std::string::npos);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, TolmConcurrentAudits,
                         ::testing::Values(hub::test::Backend::Sqlite, hub::test::Backend::Postgres),
                         [](const auto& info) { return hub::test::BackendName(info.param); });

TEST_F(TolmOutcomes, AnImportThatCannotBeStoredSaysSoInsteadOfItsReport) {
    Init(true);
    const std::string workbook = (m_dir / "all.xlsx").string();
    ASSERT_EQ(Tolm({"export", workbook}).exitCode, 0);
    m_database = m_dir / "fresh.db";
    Init(false);
    {
        // Every rate stored breaks a rule checked only as the transaction commits.
        auto db = hub::OpenDatabase(m_database.string(), hub::OpenMode::Existing);
        db->ExecuteScript(
            "CREATE TABLE zz_parent(id INTEGER PRIMARY KEY);"
            "CREATE TABLE zz_child(pid INTEGER REFERENCES zz_parent(id) DEFERRABLE INITIALLY DEFERRED);"
            "CREATE TRIGGER zz_fail AFTER INSERT ON t_ExchangeRateEntry BEGIN INSERT INTO zz_child VALUES (-1); END;");
    }
    const ProcessResult imported = Tolm({"import", workbook});
    EXPECT_EQ(imported.exitCode, 1) << imported.out << imported.err;
    EXPECT_EQ(imported.out.find("导入汇率体系成功"), std::string::npos) << imported.out;
    EXPECT_NE(imported.err.find("汇率体系未导入"), std::string::npos) << imported.err;
    EXPECT_EQ(Count("SELECT COUNT(*) AS n FROM t_ExchangeRateEntry"), 0);
}

}  // namespace
