// Saving one rate as the rate editor does (its checks as the plug-in sends them
// through the data-access object: the overlap question and the type's code and name,
// then the host's insert of header and entry in one transaction) on a company with
// many stored rates, on each backend, beside the baseline of that backend: one
// indexed point query plus one insert, done directly.
//
// The PostgreSQL cases need a server: set TOLM_BENCH_PG to a connection string of
// a cluster where databases may be created (scripts/pg-test-cluster.sh starts one).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "db/data_access.h"
#include "db/database.h"
#include "model/company_setup.h"
#include "model/rate_store.h"
#include "tolm/base_data.h"
#include "tolm/variant.h"

namespace {

using tolm::Variant;

constexpr int Types = 10;
constexpr int Currencies = 11;  // ids 2..12 of a new company: the home currency gets no rate

// The embedded database as a company file (write-ahead log, every commit on disk,
// as the host opens companies) and in memory (what the statements cost without the
// disk), and the server.
enum Backend { SqliteFile = 0, Postgres = 1, SqliteMemory = 2 };

std::string ServerLocation() {
    const char* server = std::getenv("TOLM_BENCH_PG");
    return server != nullptr ? server : "";
}

// One month per rate, from the year 1200 on, for every type and currency pair.
void FillRates(hub::Database& db, Backend backend, int64_t rates) {
    const int64_t months = rates / (Types * Currencies);
    hub::Transaction tx(db);
    for (int t = 0; t < Types; ++t) {
        db.Execute("INSERT INTO t_ExchangeRate (FID, FNumber, FName, FDigits, FLevels) VALUES (?1, ?2, ?3, 4, 1)",
                   {Variant(int64_t{tolm::FirstUserTypeId + t}), Variant("B" + std::to_string(t)),
                    Variant("Bench " + std::to_string(t))});
    }
    const std::string count = std::to_string(months * Types * Currencies);
    const std::string m = std::to_string(months);
    // g = pair * months + month; pair = type * currencies + currency.
    const std::string series =
        backend == Postgres ? "SELECT g FROM generate_series(0, " + count + " - 1) AS g"
                            : "WITH RECURSIVE s(g) AS (SELECT 0 UNION ALL SELECT g + 1 FROM s WHERE g + 1 < " + count +
                                  ") SELECT g FROM s";
    const std::string type = "(1000 + (g / " + m + ") / 11)";
    const std::string currency = "(2 + (g / " + m + ") % 11)";
    const std::string begin = backend == Postgres
                                  ? "(DATE '1200-01-01' + make_interval(months => (g % " + m + ")::int))::date"
                                  : "date('1200-01-01', '+' || (g % " + m + ") || ' months')";
    const std::string end = backend == Postgres
                                ? "((DATE '1200-01-01' + make_interval(months => (g % " + m + ")::int + 1))::date - 1)"
                                : "date('1200-01-01', '+' || (g % " + m + " + 1) || ' months', '-1 day')";
    // The fill is known not to overlap; the embedded schema's insert trigger would
    // check each of a million rows against all earlier ones of its pair.
    std::string trigger;
    if (backend != Postgres) {
        trigger = db.Query("SELECT sql FROM sqlite_master WHERE name = 'tr_ExchangeRateEntry_NoOverlapInsert'")
                      ->Field("sql")
                      .ToText();
        db.Execute("DROP TRIGGER tr_ExchangeRateEntry_NoOverlapInsert");
    }
    db.Execute("INSERT INTO t_ExchangeRate (FID, FLevels, FParentID) SELECT 100000 + g, 2, " + type + " FROM (" +
               series + ") AS gs");
    db.Execute(
        "INSERT INTO t_ExchangeRateEntry (FID, FCyTo, FExchangeRateType, FExchangeRate, FBegDate, FEndDate)"
        " SELECT 100000 + g, " + currency + ", " + type + ", 7.1, " + begin + ", " + end + " FROM (" + series +
        ") AS gs");
    if (!trigger.empty()) db.Execute(trigger);
    db.Execute("CREATE TABLE t_BenchBaseline (FID INTEGER PRIMARY KEY, FValue DOUBLE PRECISION)");
    tx.Commit();
    // Vacuumed now, so the server does not start on it while the saves are timed.
    if (backend == Postgres) db.Execute("VACUUM ANALYZE");
}

// A company file of the run, removed with its log when the run ends.
struct CompanyFile {
    std::shared_ptr<hub::Database> db;
    std::string path;
    CompanyFile() = default;
    CompanyFile(const CompanyFile&) = delete;
    CompanyFile& operator=(const CompanyFile&) = delete;
    ~CompanyFile() {
        db.reset();
        for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(path + suffix);
    }
};

// One company per backend and size, built once for the whole run.
std::shared_ptr<hub::Database> Company(Backend backend, int64_t rates) {
    static std::map<std::pair<int, int64_t>, CompanyFile> companies;
    CompanyFile& company = companies[{backend, rates}];
    auto& db = company.db;
    if (db) return db;
    if (backend == SqliteMemory) {
        db = hub::OpenDatabase(":memory:");
    } else if (backend == SqliteFile) {
        company.path = (std::filesystem::temp_directory_path() /
                        ("tolm_bench_" + std::to_string(::getpid()) + "_" + std::to_string(rates) + ".db"))
                           .string();
        db = hub::OpenDatabase(company.path);
    } else {
        const std::string name = "tolm_bench_" + std::to_string(rates);
        auto server = hub::OpenDatabase(ServerLocation() + " dbname=postgres", hub::OpenMode::Existing);
        server->Execute("DROP DATABASE IF EXISTS " + name + " WITH (FORCE)");
        server->Execute("CREATE DATABASE " + name);
        db = hub::OpenDatabase(ServerLocation() + " dbname=" + name, hub::OpenMode::Existing);
    }
    hub::InitCompany(*db, false);
    FillRates(*db, backend, rates);
    return db;
}

bool Skip(benchmark::State& state, Backend backend) {
    if (backend == Postgres && ServerLocation().empty()) {
        state.SkipWithError("TOLM_BENCH_PG is not set");
        return true;
    }
    return false;
}

// The editor's save: its checks, then header and entry in one transaction.
void BM_SaveRate(benchmark::State& state) {
    const auto backend = static_cast<Backend>(state.range(0));
    if (Skip(state, backend)) return;
    auto db = Company(backend, state.range(1));
    hub::DataAccess access(db);
    // Months after the stored ones: every save is a new, valid rate.
    static std::map<std::pair<int, int64_t>, int> next;
    int& month = next[{backend, state.range(1)}];
    for (auto _ : state) {
        hub::RateValues rate;
        rate.typeId = tolm::FirstUserTypeId;
        rate.currencyId = 2;
        rate.rate = 7.1;
        const int year = 9000 + month / 12;
        const unsigned monthOfYear = static_cast<unsigned>(month % 12 + 1);
        ++month;
        rate.begin = tolm::MakeDate(year, monthOfYear, 1);
        rate.end = tolm::MakeDate(year, monthOfYear, 28);
        const std::string day = std::to_string(year) + "-" + std::to_string(monthOfYear) + "-";
        if (!access.Query("select 1 from t_exchangerateEntry where FID<>0 and FCyTo=2 and FExchangeRateType=1000  and "
                          "NOT (FBegDate>'" + day + "28' or FEndDate<'" + day + "1' )")
                 ->IsEOF()) {
            state.SkipWithError("the period overlaps");
            return;
        }
        benchmark::DoNotOptimize(access.Query("select FNumber,FName from t_ExchangeRate where FID=1000"));
        benchmark::DoNotOptimize(hub::InsertRate(*db, rate));
    }
}

// The baseline: one indexed point query plus one insert.
void BM_Baseline_PointQueryAndInsert(benchmark::State& state) {
    const auto backend = static_cast<Backend>(state.range(0));
    if (Skip(state, backend)) return;
    auto db = Company(backend, state.range(1));
    static std::map<std::pair<int, int64_t>, int64_t> next;
    int64_t& id = next[{backend, state.range(1)}];
    for (auto _ : state) {
        auto row = db->Query("SELECT FExchangeRate FROM t_ExchangeRateEntry WHERE FID = ?1",
                             {Variant(int64_t{100000} + id % 1000)});
        benchmark::DoNotOptimize(row->IsEOF());
        db->Execute("INSERT INTO t_BenchBaseline (FID, FValue) VALUES (?1, 7.1)", {Variant(++id)});
    }
}

// What the save asks of the database, written by hand with bound values and no
// plug-in or bridge in between: the overlap and type questions, the next id, the
// header and entry inserts in one transaction. It saves for another currency than
// BM_SaveRate, so that neither finds the other's new periods in its way. The rest
// of BM_SaveRate's time is the host's; the gap between this and the point-query
// baseline is the schema's (two tables, their period and parent indexes, the
// overlap trigger).
void BM_Baseline_SaveStatements(benchmark::State& state) {
    const auto backend = static_cast<Backend>(state.range(0));
    if (Skip(state, backend)) return;
    auto db = Company(backend, state.range(1));
    static std::map<std::pair<int, int64_t>, int> next;
    int& month = next[{backend, state.range(1)}];
    for (auto _ : state) {
        const int year = 9000 + month / 12;
        const unsigned monthOfYear = static_cast<unsigned>(month % 12 + 1);
        ++month;
        const Variant begin(tolm::MakeDate(year, monthOfYear, 1));
        const Variant end(tolm::MakeDate(year, monthOfYear, 28));
        const Variant type(int64_t{tolm::FirstUserTypeId});
        if (!db->Query("SELECT 1 FROM t_ExchangeRateEntry WHERE FID <> 0 AND FCyTo = 3 AND FExchangeRateType = ?1"
                       " AND FBegDate <= ?2 AND FEndDate >= ?3",
                       {type, end, begin})
                 ->IsEOF()) {
            state.SkipWithError("the period overlaps");
            return;
        }
        benchmark::DoNotOptimize(db->Query("SELECT FNumber, FName FROM t_ExchangeRate WHERE FID = ?1", {type}));
        hub::Transaction tx(*db);
        const Variant id = db->Query("SELECT MAX(FID) + 1 AS FID FROM t_ExchangeRate")->Field("FID");
        db->Execute("INSERT INTO t_ExchangeRate (FID, FNumber, FName, FDigits, FRemark, FLevels, FParentID,"
                    " FIsNativeRate) VALUES (?1, '', '', 4, '', 2, ?2, 0)",
                    {id, type});
        db->Execute("INSERT INTO t_ExchangeRateEntry (FID, FCyTo, FExchangeRateType, FExchangeRate, FBegDate, FEndDate,"
                    " FNumber, FName, FChkUserID) VALUES (?1, 3, ?2, 7.1, ?3, ?4, '', '', 0)",
                    {id, type, begin, end});
        tx.Commit();
    }
}

void Sizes(benchmark::internal::Benchmark* bench) {
    bench->ArgNames({"backend", "rates"});
    for (int backend : {SqliteFile, Postgres, SqliteMemory}) {
        for (int64_t rates : {int64_t{10'010}, int64_t{1'000'010}}) bench->Args({backend, rates});
    }
}

BENCHMARK(BM_Baseline_PointQueryAndInsert)->Apply(Sizes)->Iterations(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Baseline_SaveStatements)->Apply(Sizes)->Iterations(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SaveRate)->Apply(Sizes)->Iterations(1000)->Unit(benchmark::kMicrosecond);

}  // namespace
