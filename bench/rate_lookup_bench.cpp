// What a posting asks of the rates, and what a month-end check asks, on a company
// with 1,000,000 stored rates (10 types, 100 currencies, 1,000 monthly periods each,
// every tenth disabled), each beside its baseline in the same run:
//   - one lookup through HubBaseData.CExRateLookup beside one point query on the
//     entry table by its key;
//   - the coverage of one year for 50 currencies beside reading those currencies'
//     periods of that year with one indexed query.
// Embedded database only.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "db/database.h"
#include "model/company_setup.h"
#include "model/rate_lookup.h"
#include "services/ex_rate_lookup.h"
#include "services/session.h"
#include "tolm/base_data.h"
#include "tolm/variant.h"

namespace {

constexpr int Types = 10;
constexpr int Currencies = 100;  // ids 2..101
constexpr int Months = 1000;     // from January 1940
constexpr int Rates = Types * Currencies * Months;
constexpr int CoveredCurrencies = 50;

std::shared_ptr<hub::Database> Company() {
    static std::shared_ptr<hub::Database> db = [] {
        auto company = hub::OpenDatabase(":memory:");
        hub::InitCompany(*company, false);
        hub::Transaction tx(*company);
        for (int c = 13; c < 2 + Currencies; ++c) {
            company->Execute("INSERT INTO t_Currency (FCurrencyID, FNumber, FName) VALUES (?1, ?2, ?2)",
                             {tolm::Variant(c), tolm::Variant("C" + std::to_string(c))});
        }
        for (int t = 0; t < Types; ++t) {
            company->Execute("INSERT INTO t_ExchangeRate (FID, FNumber, FName, FDigits, FLevels) VALUES (?1, ?2, ?2, 4, 1)",
                             {tolm::Variant(tolm::FirstUserTypeId + t), tolm::Variant("B" + std::to_string(t))});
        }
        // Rate i: type i / 100000, currency i / 1000 % 100, month i % 1000, in the
        // order an accountant adds them, so every insert passes the overlap rule.
        const std::string numbers =
            "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < " + std::to_string(Rates - 1) + ") ";
        company->Execute(numbers +
                         "INSERT INTO t_ExchangeRate (FID, FLevels, FParentID, FDeleted)"
                         " SELECT 100000 + i, 2, 1000 + i / 100000, CASE WHEN i % 10 = 9 THEN 1 ELSE 0 END FROM n");
        company->Execute(numbers +
                         "INSERT INTO t_ExchangeRateEntry (FID, FCyTo, FExchangeRateType, FExchangeRate, FReverseExRate,"
                         " FBegDate, FEndDate, FChkUserID)"
                         " SELECT 100000 + i, 2 + i / 1000 % 100, 1000 + i / 100000, 7.1, 1 / 7.1,"
                         " date('1940-01-01', '+' || (i % 1000) || ' months'),"
                         " date('1940-01-01', '+' || (i % 1000 + 1) || ' months', '-1 day'),"
                         " CASE WHEN i % 3 = 0 THEN 0 ELSE 1 END FROM n");
        tx.Commit();
        company->Execute("ANALYZE");
        return company;
    }();
    return db;
}

hub::ExRateLookup Lookup() {
    return hub::ExRateLookup(
        std::make_shared<hub::Session>(Company(), hub::Session::Identity{1, "administrator", "en"}));
}

void BM_Lookup_Baseline_PointQueryByKey(benchmark::State& state) {
    auto db = Company();
    for (auto _ : state) {
        auto rows = db->Query(
            "SELECT FID, FNumber, FExchangeRate, FReverseExRate, FBegDate, FEndDate, FChkUserID"
            " FROM t_ExchangeRateEntry WHERE FID = ?1",
            {tolm::Variant(int32_t{100000 + 5 * 100000 + 50 * 1000 + 486})});
        // Read as a lookup reads its answer.
        tolm::ExRatePeriod period;
        period.id = rows->Field("FID").ToLong();
        period.number = rows->Field("FNumber").ToText();
        period.rate = rows->Field("FExchangeRate").ToDouble();
        period.reverseRate = rows->Field("FReverseExRate").ToDouble();
        period.begin = rows->Field("FBegDate").ToDate();
        period.end = rows->Field("FEndDate").ToDate();
        period.auditorId = rows->Field("FChkUserID").ToLong();
        benchmark::DoNotOptimize(period);
    }
    state.counters["rates"] = Rates;
}

void BM_Lookup_RateOnDay(benchmark::State& state) {
    hub::ExRateLookup lookup = Lookup();
    const tolm::DateTime day = tolm::MakeDate(1980, 7, 15);  // month 486
    for (auto _ : state) {
        auto answer = lookup.RateOnDay("", tolm::FirstUserTypeId + 5, 52, day, false);
        if (answer.outcome != tolm::ExRateOnDay::Outcome::Valid) state.SkipWithError("no rate found");
        benchmark::DoNotOptimize(answer);
    }
    state.counters["rates"] = Rates;
}

std::vector<int32_t> CoveredIds() {
    std::vector<int32_t> ids;
    for (int c = 0; c < CoveredCurrencies; ++c) ids.push_back(2 + 2 * c);
    return ids;
}

void BM_Coverage_Baseline_PeriodsOfTheYear(benchmark::State& state) {
    auto db = Company();
    std::string sql =
        "SELECT FCyTo, FBegDate, FEndDate, FChkUserID, FID, FNumber, FExchangeRate FROM t_ExchangeRateEntry"
        " WHERE FExchangeRateType = ?1 AND FBegDate >= ?2 AND FBegDate <= ?3 AND FCyTo IN (";
    hub::Params params{tolm::Variant(tolm::FirstUserTypeId + 5), tolm::Variant(tolm::MakeDate(1980, 1, 1)),
                       tolm::Variant(tolm::MakeDate(1980, 12, 31))};
    for (int32_t id : CoveredIds()) {
        sql += (params.size() == 3 ? "?" : ", ?") + std::to_string(params.size() + 1);
        params.emplace_back(id);
    }
    sql += ") ORDER BY FCyTo, FBegDate";
    for (auto _ : state) {
        std::vector<hub::CoveredPeriod> periods;
        for (auto rows = db->Query(sql, params); !rows->IsEOF(); rows->MoveNext()) {
            periods.push_back({rows->Field("FCyTo").ToLong(), rows->Field("FBegDate").ToDate(),
                               rows->Field("FEndDate").ToDate(), rows->Field("FChkUserID").ToLong() != 0,
                               rows->Field("FID").ToLong(), rows->Field("FNumber").ToText(),
                               rows->Field("FExchangeRate").ToDouble()});
        }
        benchmark::DoNotOptimize(periods);
    }
    state.counters["rates"] = Rates;
}

void BM_Coverage_OneYearFiftyCurrencies(benchmark::State& state) {
    hub::ExRateLookup lookup = Lookup();
    const std::vector<int32_t> ids = CoveredIds();
    for (auto _ : state) {
        auto coverage = lookup.Coverage("", tolm::FirstUserTypeId + 5, tolm::MakeDate(1980, 1, 1),
                                        tolm::MakeDate(1980, 12, 31), ids);
        if (coverage.size() != ids.size() || coverage.front().gaps.empty()) state.SkipWithError("wrong coverage");
        benchmark::DoNotOptimize(coverage);
    }
    state.counters["rates"] = Rates;
}

BENCHMARK(BM_Lookup_Baseline_PointQueryByKey)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Lookup_RateOnDay)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Coverage_Baseline_PeriodsOfTheYear)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Coverage_OneYearFiftyCurrencies)->Unit(benchmark::kMicrosecond);

}  // namespace
