// Asking for the rate of a day and for the days without one, as a posting script or
// a month-end check does: the answer, or exit status 1 and why.
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "db/database.h"
#include "model/rate_store.h"
#include "tolm_company_fixture.h"

namespace {

using hub::test::ProcessResult;

// USD under type 1: March audited, 10 April not audited.
class TolmLookup : public hub::test::TolmCompany {
protected:
    void SetUp() override {
        Init(false);
        auto db = hub::OpenDatabase(m_database.string());
        Store(*db, tolm::MakeDate(2024, 3, 1), tolm::MakeDate(2024, 3, 31), 1);
        Store(*db, tolm::MakeDate(2024, 4, 10), tolm::MakeDate(2024, 4, 10), 0);
    }

    static void Store(hub::Database& db, tolm::DateTime begin, tolm::DateTime end, int32_t auditor) {
        hub::RateValues rate;
        rate.typeId = 1;
        rate.currencyId = 2;
        rate.rate = 7.1;
        rate.reverseRate = 1 / 7.1;
        rate.number = "01.USD." + tolm::FormatDate(begin, "yyyyMMdd");
        rate.begin = begin;
        rate.end = end;
        rate.auditorId = auditor;
        hub::InsertRate(db, rate);
    }

    ProcessResult English(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"--lang", "en"});
        return Tolm(arguments);
    }
};

TEST_F(TolmLookup, RateAtAnswersTheValidRateOrExitsOneSayingWhy) {
    struct Case {
        std::vector<std::string> arguments;
        int exitCode;
        const char* said;  // on standard output when 0, on standard error when 1
    };
    const Case cases[] = {
        {{"--date", "2024-03-31"}, 0, "01.USD.20240301"},
        {{"--date", "2024-03-05", "--audited"}, 0, "  audited\n"},
        {{"--date", "2024-04-01"},
         1,
         "No rate of exchange rate type 1 is valid for USD on 2024-04-01 (nearest before: 2024-03-01 to "
         "2024-03-31; nearest after: 2024-04-10 to 2024-04-10)."},
        {{"--date", "2025-01-01"}, 1, "(nearest before: 2024-04-10 to 2024-04-10; nearest after: none)"},
        {{"--date", "2024-04-10", "--audited"}, 1, "is valid on 2024-04-10 but is not audited yet"},
        {{"--date", "2024-4-1"}, 1, "\"2024-4-1\" is not a date written yyyy-MM-dd."},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments{"rate", "at", "--type", "1", "--currency", "usd"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const ProcessResult result = English(arguments);
        EXPECT_EQ(result.exitCode, c.exitCode) << c.said;
        EXPECT_NE((c.exitCode == 0 ? result.out : result.err).find(c.said), std::string::npos)
            << result.out << result.err;
    }

    const ProcessResult json = Tolm({"--json", "rate", "at", "--type", "1", "--currency", "USD", "--date",
                                     "2024-04-01"});
    EXPECT_EQ(json.exitCode, 1);
    const nlohmann::json answer = nlohmann::json::parse(json.out);
    EXPECT_EQ(answer.at("valid"), false);
    EXPECT_TRUE(answer.at("rate").is_null());
    EXPECT_EQ(answer.at("before").at("FEndDate"), "2024-03-31");
    EXPECT_EQ(answer.at("after").at("FBegDate"), "2024-04-10");
    EXPECT_EQ(TolmJson({"rate", "at", "--type", "1", "--currency", "USD", "--date", "2024-03-01"})
                  .at("rate")
                  .at("FExchangeRate"),
              7.1);
}

TEST_F(TolmLookup, CoverageExitsOneOnAGapAndRefusesWhatCannotBeAnswered) {
    const ProcessResult gaps = Tolm({"--json", "coverage", "--type", "1", "--from", "2024-03-20", "--to",
                                     "2024-04-10"});
    EXPECT_EQ(gaps.exitCode, 1) << gaps.err;
    const nlohmann::json currencies = nlohmann::json::parse(gaps.out);
    ASSERT_EQ(currencies.size(), 11u) << "every currency of the ledger but the home currency";
    EXPECT_EQ(currencies[0].at("FCurrencyNumber"), "USD");
    EXPECT_EQ(currencies[0].at("gaps"), nlohmann::json::parse(R"([{"from":"2024-04-01","to":"2024-04-09"}])"));
    EXPECT_EQ(currencies[0].at("unaudited"), nlohmann::json::parse(R"([{"from":"2024-04-10","to":"2024-04-10"}])"));
    EXPECT_EQ(currencies[1].at("gaps").size(), 1u);

    const ProcessResult covered =
        English({"coverage", "--type", "1", "--from", "2024-03-01", "--to", "2024-03-31", "--currency", "USD"});
    EXPECT_EQ(covered.exitCode, 0) << covered.err;
    EXPECT_NE(covered.out.find("Every day from 2024-03-01 to 2024-03-31 has a valid rate."), std::string::npos)
        << covered.out;

    struct Refusal {
        std::vector<std::string> arguments;
        const char* said;
    };
    const Refusal refusals[] = {
        {{"--type", "9", "--from", "2024-03-01", "--to", "2024-03-31"}, "There is no exchange rate type 9."},
        {{"--type", "1", "--from", "2024-03-31", "--to", "2024-03-01"}, "The first day 2024-03-31 is after the last"},
        {{"--type", "1", "--from", "2024-03-01", "--to", "2024-03-31", "--currency", "CNY"},
         "CNY is the home currency, which has no rate; choose another currency."},
        {{"--type", "1", "--from", "2024-03-01", "--to", "2024-03-31", "--currency", "XYZ"},
         "There is no currency with the code XYZ."},
    };
    for (const Refusal& r : refusals) {
        std::vector<std::string> arguments{"coverage"};
        arguments.insert(arguments.end(), r.arguments.begin(), r.arguments.end());
        const ProcessResult result = English(arguments);
        EXPECT_EQ(result.exitCode, 1) << r.said;
        EXPECT_NE(result.err.find(r.said), std::string::npos) << result.err;
    }
}

}  // namespace
