// The check the rate editor makes before every save: is a rate of the same type and
// currency already valid in the new period? Measured on a company with many rates,
// through the data-access object as the plug-in sends it, with the schema's index
// and, as the baseline, with that index dropped.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "model/company_setup.h"
#include "tolm/base_data.h"
#include "db/data_access.h"
#include "db/database.h"
#include "tolm/variant.h"

namespace {

constexpr int Types = 10;
constexpr int Currencies = 11;  // ids 2..12 of a new company: the home currency gets no rate
constexpr int MonthsPerPair = 240;

std::shared_ptr<hub::Database> CompanyWithRates(bool keepIndex) {
    auto db = hub::OpenDatabase(":memory:");
    hub::InitCompany(*db, false);
    hub::Transaction tx(*db);
    for (int t = 0; t < Types; ++t) {
        const int64_t typeId = tolm::FirstUserTypeId + t;
        db->Execute("INSERT INTO t_ExchangeRate (FID, FNumber, FName, FDigits, FLevels) VALUES (?1, ?2, ?3, 4, 1)",
                    {tolm::Variant(typeId), tolm::Variant("B" + std::to_string(t)),
                     tolm::Variant("Bench " + std::to_string(t))});
    }
    int64_t id = 100000;
    for (int t = 0; t < Types; ++t) {
        for (int c = 0; c < Currencies; ++c) {
            for (int m = 0; m < MonthsPerPair; ++m) {
                const int year = 2000 + m / 12;
                const unsigned month = static_cast<unsigned>(m % 12 + 1);
                const auto begin = tolm::MakeDate(year, month, 1);
                const auto end = tolm::MakeDate(year, month, month == 2 ? 28 : 30);
                ++id;
                db->Execute("INSERT INTO t_ExchangeRate (FID, FLevels, FParentID) VALUES (?1, 2, ?2)",
                            {tolm::Variant(id), tolm::Variant(int64_t{tolm::FirstUserTypeId + t})});
                db->Execute(
                    "INSERT INTO t_ExchangeRateEntry (FID, FCyTo, FExchangeRateType, FExchangeRate, FBegDate, FEndDate)"
                    " VALUES (?1, ?2, ?3, 7.1, ?4, ?5)",
                    {tolm::Variant(id), tolm::Variant(int32_t{2 + c}),
                     tolm::Variant(int64_t{tolm::FirstUserTypeId + t}), tolm::Variant(begin), tolm::Variant(end)});
            }
        }
    }
    tx.Commit();
    if (!keepIndex) db->Execute("DROP INDEX ix_ExchangeRateEntry_Period");
    return db;
}

void OverlapCheck(benchmark::State& state, bool withIndex) {
    auto db = CompanyWithRates(withIndex);
    hub::DataAccess access(db);
    // A period in the middle of the stored history: the answer is "overlaps".
    const std::string sql =
        "select 1 from t_exchangerateEntry where FID<>0 and FCyTo=7 and FExchangeRateType=1005  and NOT "
        "(FBegDate>'2010-06-15' or FEndDate<'2010-06-01' )";
    for (auto _ : state) {
        auto rs = access.Query(sql);
        benchmark::DoNotOptimize(rs->IsEOF());
    }
    state.counters["rates"] = Types * Currencies * MonthsPerPair;
}

void BM_OverlapCheck_WithPeriodIndex(benchmark::State& state) { OverlapCheck(state, true); }
void BM_OverlapCheck_Baseline_NoIndex(benchmark::State& state) { OverlapCheck(state, false); }

BENCHMARK(BM_OverlapCheck_Baseline_NoIndex)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OverlapCheck_WithPeriodIndex)->Unit(benchmark::kMicrosecond);

}  // namespace
