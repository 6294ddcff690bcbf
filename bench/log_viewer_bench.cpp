// The operation-log list on a company with 1,000,000 log records, worked through the
// host's log list window with the plug-in attached, as a person works it:
//  * deleting by filter a quarter of the records, beside one plain DELETE with the
//    same condition written directly on the table: the log server's DelLogByFilter
//    with the window's filter, as the plug-in calls it, and the whole click on
//    delete (rights, question, deletion and reading the window's rows again);
//  * reading the newest 1,000 records into the window, beside the same reading
//    with the date index dropped.
// Each delete runs inside a transaction that is rolled back outside the timing, so
// every iteration deletes the same quarter.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

#include "core/runtime.h"
#include "tolm/components.h"
#include "tolm/registry.h"
#include "db/database.h"
#include "model/company_setup.h"
#include "model/log_store.h"
#include "platform/headless_platform.h"
#include "windows/log_list_window.h"

namespace {

constexpr int Records = 1'000'000;
constexpr int32_t NewestShown = 1000;

// Four machines in turn, one minute apart: each machine writes a quarter.
void FillLog(hub::Database& db) {
    hub::Transaction tx(db);
    db.Execute(
        "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < ?1) "
        "INSERT INTO t_Log (FDate, FUserID, FFunctionID, FOperateType, FDescription, FMachineName, FIPAddress) "
        "SELECT datetime('2020-01-01', '+' || i || ' minutes'), 1, 'QEL1014002_mnuCheck', 5, "
        "'汇率审核完成-汇率代码：01.USD.' || i, 'PC-' || (i % 4), '10.0.0.1' FROM n",
        {tolm::Variant(int32_t{Records - 1})});
    tx.Commit();
}

// A host with the log list open on a company of `Records` log records.
struct LogHost {
    explicit LogHost(bool dateIndex) {
        db = hub::OpenDatabase(":memory:");
        hub::InitCompany(*db, false);
        FillLog(*db);
        if (!dateIndex) db->Execute("DROP INDEX ix_Log_Date");
        platform->SetQuestionPolicy(hub::QuestionPolicy::Yes);
        hub::RuntimeOptions options;
        options.database = ":memory:";
        options.registry = std::filesystem::temp_directory_path() /
                           ("tolm-bench-registry-" + std::to_string(::getpid()) + ".json");
        options.platform = platform;
        runtime = std::make_unique<hub::Runtime>(std::move(options));
        runtime->Loader().RegisterLibrary(TOLM_PLUGIN_PATH);
        session = runtime->LogIn(db, "administrator", "chs");
        window = hub::LogListWindow::Create(session);
        window->SetRowLimit(NewestShown);
        window->Open();
    }
    ~LogHost() {
        window->Close();
        std::filesystem::remove(std::filesystem::temp_directory_path() /
                                ("tolm-bench-registry-" + std::to_string(::getpid()) + ".json"));
    }

    std::shared_ptr<hub::Database> db;
    std::shared_ptr<hub::HeadlessPlatform> platform = std::make_shared<hub::HeadlessPlatform>();
    std::unique_ptr<hub::Runtime> runtime;
    std::shared_ptr<hub::Session> session;
    std::shared_ptr<hub::LogListWindow> window;
};

void BM_DeleteQuarter_Baseline_PlainDelete(benchmark::State& state) {
    LogHost host(true);
    for (auto _ : state) {
        host.db->Begin();
        benchmark::DoNotOptimize(host.db->Execute("DELETE FROM t_Log WHERE FMachineName = 'PC-0'"));
        state.PauseTiming();
        host.db->Rollback();
        state.ResumeTiming();
    }
    state.counters["records"] = Records;
}

void BM_DeleteQuarter_DelLogByFilter(benchmark::State& state) {
    LogHost host(true);
    hub::LogCriteria criteria;
    criteria.machine = "PC-0";
    host.window->SetFilter(criteria);
    const std::string props = host.session->PropsString();
    for (auto _ : state) {
        host.db->Begin();
        auto server = tolm::CreateObject<tolm::ILogServer>(tolm::classname::LogServer);
        std::string filter = host.window->FilterObject()->Filter()->Item("FilterString").ToText();
        benchmark::DoNotOptimize(server->DelLogByFilter(props, filter));
        state.PauseTiming();
        host.db->Rollback();
        state.ResumeTiming();
    }
    state.counters["records"] = Records;
}

void BM_DeleteQuarter_ClickInLogWindow(benchmark::State& state) {
    LogHost host(true);
    hub::LogCriteria criteria;
    criteria.machine = "PC-0";
    host.window->SetFilter(criteria);
    for (auto _ : state) {
        host.db->Begin();
        host.window->Click("mnuEditDelete4Custom");
        state.PauseTiming();
        if (host.window->Records()->RecordCount() != 0) state.SkipWithError("the quarter was not deleted");
        host.db->Rollback();
        host.window->Refresh(0, true);
        state.ResumeTiming();
    }
    state.counters["records"] = Records;
}

void NewestThousand(benchmark::State& state, bool dateIndex) {
    LogHost host(dateIndex);
    for (auto _ : state) {
        host.window->Refresh(0, true);
        benchmark::DoNotOptimize(host.window->Records()->RecordCount());
    }
    if (host.window->Records()->RecordCount() != NewestShown) state.SkipWithError("not 1,000 rows shown");
    state.counters["records"] = Records;
}

void BM_ListNewest1000_Baseline_NoDateIndex(benchmark::State& state) { NewestThousand(state, false); }
void BM_ListNewest1000_ThroughLogWindow(benchmark::State& state) { NewestThousand(state, true); }

BENCHMARK(BM_DeleteQuarter_Baseline_PlainDelete)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_DeleteQuarter_DelLogByFilter)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_DeleteQuarter_ClickInLogWindow)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ListNewest1000_Baseline_NoDateIndex)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListNewest1000_ThroughLogWindow)->Unit(benchmark::kMillisecond);

}  // namespace
