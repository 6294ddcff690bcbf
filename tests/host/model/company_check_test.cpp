// The company's rules checked over what is stored, on every backend: a sound
// demonstration company passes, and each rule broken by hand is found, naming the
// rate it concerns.
#include "model/company_check.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/company_setup.h"
#include "support/scratch_database.h"

namespace hub {
namespace {

using test::Backend;
using tolm::Variant;

class CompanyCheck : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        m_scratch = std::make_unique<test::ScratchDatabase>(GetParam());
        m_db = m_scratch->Open();
        InitCompany(*m_db, true);
        // Two rates of one type and currency, the second beginning after the first.
        auto pair = m_db->Query(
            "SELECT a.FID AS FFirst, b.FID AS FSecond FROM t_ExchangeRateEntry a JOIN t_ExchangeRateEntry b"
            " ON b.FExchangeRateType = a.FExchangeRateType AND b.FCyTo = a.FCyTo AND b.FBegDate > a.FEndDate"
            " ORDER BY a.FID, b.FID");
        ASSERT_FALSE(pair->IsEOF());
        m_first = pair->Field("FFirst").ToLong();
        m_second = pair->Field("FSecond").ToLong();
    }

    std::unique_ptr<test::ScratchDatabase> m_scratch;
    std::shared_ptr<Database> m_db;
    int32_t m_first = 0;
    int32_t m_second = 0;
};

TEST_P(CompanyCheck, FindsEachBrokenRuleByTheRateItConcerns) {
    ASSERT_TRUE(CheckCompany(*m_db).empty()) << "the demonstration company keeps every rule";

    const std::string dropOverlapRule =
        GetParam() == Backend::Postgres
            ? "ALTER TABLE t_ExchangeRateEntry DROP CONSTRAINT ex_ExchangeRateEntry_NoOverlap"
            : "DROP TRIGGER tr_ExchangeRateEntry_NoOverlapUpdate";
    const std::string setReverse = "UPDATE t_ExchangeRateEntry SET FReverseExRate = ?1 WHERE FID = FIRST";
    struct Case {
        std::string name;
        // FIRST and SECOND stand for the two rates' ids; ?1 for the value, when there is one.
        std::vector<std::string> statements;
        std::optional<Variant> value;
        CompanyRule rule;
        int32_t otherId = 0;
        int32_t userId = 0;
    };
    const std::vector<Case> cases{
        {"header turned into a type row",
         {"UPDATE t_ExchangeRate SET FLevels = 1 WHERE FID = FIRST"},
         {},
         CompanyRule::MissingHeader},
        {"entry deleted", {"DELETE FROM t_ExchangeRateEntry WHERE FID = FIRST"}, {}, CompanyRule::MissingEntry},
        {"reverse rate 0", {setReverse}, Variant(0.0), CompanyRule::BadReverseRate},
        {"reverse rate negative", {setReverse}, Variant(-2.5), CompanyRule::BadReverseRate},
        {"reverse rate missing", {setReverse}, Variant::Null(), CompanyRule::BadReverseRate},
        {"reverse rate infinite",
         {setReverse},
         Variant(std::numeric_limits<double>::infinity()),
         CompanyRule::BadReverseRate},
        {"reverse rate not a number", {setReverse}, Variant(std::nan("")), CompanyRule::BadReverseRate},
        {"second begins on the first's last day",
         {dropOverlapRule,
          "UPDATE t_ExchangeRateEntry SET FBegDate = (SELECT e.FEndDate FROM t_ExchangeRateEntry e WHERE e.FID = FIRST)"
          " WHERE FID = SECOND"},
         {},
         CompanyRule::Overlap,
         m_second},
        {"auditor who is no user",
         {"UPDATE t_ExchangeRateEntry SET FChkUserID = 9999 WHERE FID = FIRST"},
         {},
         CompanyRule::UnknownAuditor,
         0,
         9999},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Transaction undone(*m_db);
        for (std::string statement : c.statements) {
            for (const auto& [word, id] : {std::pair{"FIRST", m_first}, std::pair{"SECOND", m_second}}) {
                if (const size_t at = statement.find(word); at != std::string::npos)
                    statement.replace(at, std::string_view(word).size(), std::to_string(id));
            }
            m_db->Execute(statement, c.value ? Params{*c.value} : Params{});
        }
        const std::vector<CompanyFinding> findings = CheckCompany(*m_db);
        ASSERT_EQ(findings.size(), 1u);
        EXPECT_EQ(findings[0].rule, c.rule);
        EXPECT_EQ(findings[0].rateId, m_first);
        EXPECT_FALSE(findings[0].rateCode.empty());
        EXPECT_EQ(findings[0].otherId, c.otherId);
        EXPECT_EQ(findings[0].userId, c.userId);
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, CompanyCheck, ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         [](const auto& info) { return test::BackendName(info.param); });

}  // namespace
}  // namespace hub
