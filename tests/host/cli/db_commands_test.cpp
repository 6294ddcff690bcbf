// Moving a company with tolm db copy, as an administrator does before a team shares it.
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "tolm_company_fixture.h"

namespace {

using hub::test::ProcessResult;

class TolmDbCopy : public hub::test::TolmCompany {
protected:
    ProcessResult Copy(const std::filesystem::path& from, const std::filesystem::path& to, bool replace = false) {
        std::vector<std::string> arguments{"--lang", "en", "db", "copy", from.string(), to.string()};
        if (replace) arguments.push_back("--replace");
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
    EXPECT_EQ(Copy(m_database, copy, true).exitCode, 0);
    EXPECT_EQ(Copy(m_database, m_database).exitCode, 1) << "a company is not copied onto itself";

    const std::filesystem::path empty = m_dir / "empty.db";
    hub::test::WriteFile(empty, "");
    EXPECT_EQ(Copy(empty, m_dir / "nowhere.db").exitCode, 1);
    EXPECT_FALSE(std::filesystem::exists(m_dir / "nowhere.db")) << "nothing is created from a source without a company";
}

}  // namespace
