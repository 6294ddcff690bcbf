// The exchange-rate list with the real plug-in attached, beside baselines that do
// the same work directly:
//   * filling the list of a type with 100,000 rates (its query, then ListFillRow
//     raised for every cell, the plug-in formatting the rate column) beside the same
//     query and plain fixed-decimal formatting of the same rates;
//   * auditing 10,000 selected rates end to end (the click, the question answered,
//     the service's checks and writes, the log record, the list refreshed) beside one
//     plain UPDATE of the same rows in one transaction.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/runtime.h"
#include "db/database.h"
#include "model/company_setup.h"
#include "model/profile_store.h"
#include "model/rate_store.h"
#include "platform/headless_platform.h"
#include "tolm/base_data.h"
#include "tolm/platform.h"
#include "windows/rate_list_window.h"

namespace {

using tolm::Variant;

constexpr int32_t BenchType = tolm::FirstUserTypeId;

// A company with `rates` one-day rates of one type, spread over 10 currencies; the
// ledger's period starts before all of them, so the list shows every one.
std::shared_ptr<hub::Database> Company(int64_t rates) {
    auto db = hub::OpenDatabase(":memory:");
    hub::InitCompany(*db, false);
    hub::Transaction tx(*db);
    db->Execute("INSERT INTO t_ExchangeRate (FID, FNumber, FName, FDigits, FLevels) VALUES (?1, 'B', 'Bench', 4, 1)",
                {Variant(BenchType)});
    const std::string series = "WITH RECURSIVE s(g) AS (SELECT 0 UNION ALL SELECT g + 1 FROM s WHERE g + 1 < " +
                               std::to_string(rates) + ") SELECT g FROM s";
    db->Execute("INSERT INTO t_ExchangeRate (FID, FNumber, FName, FLevels, FParentID) SELECT 100000 + g, 'R' || g,"
                " 'R' || g, 2, " + std::to_string(BenchType) + " FROM (" + series + ") AS gs");
    // The fill is known not to overlap; checking each row against the earlier ones
    // would only slow the set-up.
    const std::string trigger =
        db->Query("SELECT sql FROM sqlite_master WHERE name = 'tr_ExchangeRateEntry_NoOverlapInsert'")->Field("sql").ToText();
    db->Execute("DROP TRIGGER tr_ExchangeRateEntry_NoOverlapInsert");
    db->Execute("INSERT INTO t_ExchangeRateEntry (FID, FCyTo, FExchangeRateType, FExchangeRate, FReverseExRate,"
                " FBegDate, FEndDate, FNumber) SELECT 100000 + g, 2 + g % 10, " + std::to_string(BenchType) +
                ", 7.123456 + g / 1e6, 0.14, date('2000-01-01', '+' || (g / 10) || ' days'),"
                " date('2000-01-01', '+' || (g / 10) || ' days'), 'R' || g FROM (" + series + ") AS gs");
    db->Execute(trigger);
    tx.Commit();
    return db;
}

// A logged-in host with the plug-in registered, for the life of the run.
struct Host {
    explicit Host(std::shared_ptr<hub::Database> company) {
        platform = std::make_shared<hub::HeadlessPlatform>();
        hub::RuntimeOptions options;
        options.database = ":memory:";
        options.registry = std::filesystem::temp_directory_path() /
                           ("tolm-bench-registry-" + std::to_string(::getpid()) + ".json");
        options.platform = platform;
        runtime = std::make_unique<hub::Runtime>(std::move(options));
        runtime->Loader().RegisterLibrary(TOLM_PLUGIN_PATH);
        hub::WriteProfile(*company, "GL", "CurrentYear", Variant(1999));
        hub::WriteProfile(*company, "GL", "CurrentPeriod", Variant(1));
        session = runtime->LogIn(std::move(company), "administrator", "chs");
    }
    std::shared_ptr<hub::RateListWindow> OpenList() const {
        auto list = hub::RateListWindow::Create(session);
        list->Open();
        list->SelectType(BenchType);
        return list;
    }
    std::shared_ptr<hub::HeadlessPlatform> platform;
    std::unique_ptr<hub::Runtime> runtime;
    std::shared_ptr<hub::Session> session;
};

void BM_FillListThroughListFillRow(benchmark::State& state) {
    Host host(Company(state.range(0)));
    auto list = host.OpenList();
    for (auto _ : state) {
        list->RefreshList();
        benchmark::DoNotOptimize(list->Rows().back().cells[3]);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    list->Close();
}
BENCHMARK(BM_FillListThroughListFillRow)->Arg(100'000)->Unit(benchmark::kMillisecond);

void BM_Baseline_QueryAndFormat(benchmark::State& state) {
    auto db = Company(state.range(0));
    for (auto _ : state) {
        auto rows = hub::ListRateRows(*db, BenchType, "t_ExchangeRate.FIsNativeRate=0", "t_ExchangeRateEntry.FBegDate DESC");
        std::vector<std::string> cells;
        for (; !rows->IsEOF(); rows->MoveNext()) cells.push_back(tolm::FormatFixed(rows->Field("FExchangeRate").ToDouble(), 4));
        benchmark::DoNotOptimize(cells.back());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Baseline_QueryAndFormat)->Arg(100'000)->Unit(benchmark::kMillisecond);

// 10,000 of the type's rates are audited, then reverse-audited, in turn: every
// iteration is one click on the same selection.
void BM_AuditSelectedRates(benchmark::State& state) {
    Host host(Company(state.range(0)));
    auto list = host.OpenList();
    std::vector<int32_t> ids;
    for (int64_t i = 0; i < state.range(0); ++i) ids.push_back(static_cast<int32_t>(100000 + i));
    bool audit = true;
    for (auto _ : state) {
        list->SelectRates(ids);
        host.platform->QueueAnswer(tolm::mb::IdYes);
        list->Click(audit ? "mnuCheck" : "mnuUnCheck");
        if (!list->LastOutcome().Succeeded()) state.SkipWithError("the audit did not go through");
        audit = !audit;
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    list->Close();
}
BENCHMARK(BM_AuditSelectedRates)->Arg(10'000)->Unit(benchmark::kMillisecond);

void BM_Baseline_PlainUpdate(benchmark::State& state) {
    auto db = Company(state.range(0));
    bool audit = true;
    for (auto _ : state) {
        hub::Transaction tx(*db);
        db->Execute("UPDATE t_ExchangeRateEntry SET FChkUserID = ?1, FCheckDate = ?2 WHERE FID >= 100000 AND FID < ?3",
                    {Variant(audit ? 1 : 0), audit ? Variant("2024-01-01") : Variant::Null(),
                     Variant(100000 + state.range(0))});
        tx.Commit();
        audit = !audit;
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Baseline_PlainUpdate)->Arg(10'000)->Unit(benchmark::kMillisecond);

}  // namespace
