// Moving a company with tolm db copy, as an administrator does before a team shares it.
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "tolm_company_fixture.h"

namespace {

using hub::test::ProcessResult;

class TolmDbCopy : public hub::test::TolmCompany {
protected:
    ProcessResult Copy(const std::filesystem::path& from, const std::filesystem::path& to,
                       std::vector<std::string> options = {}) {
        std::vector<std::string> arguments{"--lang", "en", "db", "copy", from.string(), to.string()};
        arguments.insert(arguments.end(), options.begin(), options.end());
        return Tolm(arguments);
    }
    nlohmann::json RatesOf(const std::filesystem::path& db) {
        ProcessResult listed = hub::test::RunProcess(
            TOLM_CLI_PATH, {"--registry", m_registry.string(), "--db", db.string(), "--json", "rates", "--all"},
            m_dir.Path());
        EXPECT_EQ(listed.exitCode, 0) << listed.err;
        return nlohmann::json::parse(listed.out);
    }
};

TEST_F(TolmDbCopy, ACompanyArrivesWholeAndAnOccupiedDestinationNeedsReplace) {
    Init(true);
    const std::filesystem::path copy = m_dir / "copy.db";
    ProcessResult first = Copy(m_database, copy);
    ASSERT_EQ(first.exitCode, 0) << first.err;
    EXPECT_NE(first.out.find("t_ExchangeRateEntry"), std::string::npos) << "the row counts are reported";
    EXPECT_EQ(RatesOf(copy), RatesOf(m_database));

    const std::string before = hub::test::ReadFile(copy);
    ProcessResult again = Copy(m_database, copy);
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_NE(again.err.find("--replace"), std::string::npos) << again.err;
    EXPECT_EQ(hub::test::ReadFile(copy), before);
    EXPECT_EQ(Copy(m_database, m_database).exitCode, 1) << "a company is not copied onto itself";

    const std::filesystem::path empty = m_dir / "empty.db";
    hub::test::WriteFile(empty, "");
    EXPECT_EQ(Copy(empty, m_dir / "nowhere.db").exitCode, 1);
    EXPECT_FALSE(std::filesystem::exists(m_dir / "nowhere.db")) << "nothing is created from a source without a company";
}

TEST_F(TolmDbCopy, ReplacingACompanyTakesItsAdministratorsYesAndIsLoggedThere) {
    Init(true);
    const std::filesystem::path copy = m_dir / "copy.db";
    ASSERT_EQ(Copy(m_database, copy).exitCode, 0);
    ASSERT_EQ(hub::test::RunProcess(TOLM_CLI_PATH, {"--registry", m_registry.string(), "--db", copy.string(), "--yes",
                                                    "type", "new", "--code", "X9", "--name", "Only here", "--digits", "2"},
                                    m_dir.Path())
                  .exitCode,
              0);
    const std::string before = hub::test::ReadFile(copy);
    const struct {
        std::vector<std::string> options;
        int exitCode;
        const char* said;
    } refusals[] = {
        {{"--replace", "--yes", "--user", "clerk"}, 1, "not an administrator"},
        {{"--replace", "--yes", "--user", "nobody"}, 1, "does not exist"},
        {{"--replace", "--no"}, 0, "Nothing was changed."},
    };
    for (const auto& refusal : refusals) {
        const ProcessResult result = Copy(m_database, copy, refusal.options);
        EXPECT_EQ(result.exitCode, refusal.exitCode) << result.err;
        EXPECT_NE((result.out + result.err).find(refusal.said), std::string::npos) << result.out << result.err;
        EXPECT_EQ(hub::test::ReadFile(copy), before) << "the destination is unchanged";
    }
    ASSERT_EQ(Copy(m_database, copy, {"--replace", "--yes"}).exitCode, 0);
    EXPECT_EQ(RatesOf(copy), RatesOf(m_database));
    const ProcessResult log = hub::test::RunProcess(
        TOLM_CLI_PATH, {"--registry", m_registry.string(), "--db", copy.string(), "--lang", "en", "log", "--function", "TolmHost_dbCopy"},
        m_dir.Path());
    EXPECT_NE(log.out.find("Company copied"), std::string::npos) << log.out << log.err;
}

}  // namespace
