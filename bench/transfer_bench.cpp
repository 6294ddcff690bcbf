// The rate-system transfer beside its baselines, on an embedded company:
//  * export of N rates by the wizard beside writing the same cells straight with the
//    workbook writer;
//  * import of N rates by the wizard (every row checked, codes and names composed,
//    all in one transaction) beside parsing the file with the reader plus one
//    prepared insert of header and entry per row in one transaction;
//  * peak memory of a process that exports or imports N rates, beside one that
//    only opens the company (each measured in a child process of its own).
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/runtime.h"
#include "db/database.h"
#include "formats/workbook.h"
#include "model/company_setup.h"
#include "model/rate_transfer_store.h"
#include "platform/headless_platform.h"
#include "services/transfer_wizard.h"
#include "tolm/host_library.h"

namespace {

using hub::workbook::Cell;
using hub::workbook::Format;
using tolm::Variant;

// The child of BM_PeakMemory works in its parent's folder and leaves it in place.
std::filesystem::path g_folder;
bool g_child = false;

std::filesystem::path Folder() {
    if (g_folder.empty()) {
        g_folder = std::filesystem::temp_directory_path() / ("tolm-transfer-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(g_folder);
    }
    return g_folder;
}

struct Cleanup {
    ~Cleanup() {
        std::error_code ignored;
        if (!g_child && !g_folder.empty()) std::filesystem::remove_all(g_folder, ignored);
    }
} cleanup;

const char* Extension(int64_t format) { return format == 0 ? "xls" : "xlsx"; }

// A new company with its base data only.
std::filesystem::path NewCompany(const std::string& name) {
    const auto file = Folder() / name;
    std::filesystem::remove(file);
    auto db = hub::OpenDatabase(file.string());
    hub::InitCompany(*db, false);
    return file;
}

// A company with `rates` rates over ten types and eleven currencies, one day each.
std::filesystem::path RateCompany(int64_t rates) {
    static std::map<int64_t, std::filesystem::path> made;
    if (made.contains(rates)) return made[rates];
    const auto file = NewCompany("company-" + std::to_string(rates) + ".db");
    auto db = hub::OpenDatabase(file.string(), hub::OpenMode::Existing);
    hub::Transaction tx(*db);
    for (int t = 0; t < 10; ++t) {
        db->Execute("INSERT INTO t_ExchangeRate (FID, FNumber, FName, FDigits, FLevels) VALUES (?1, ?2, ?3, 6, 1)",
                    {Variant(1000 + t), Variant("B" + std::to_string(t)), Variant("基准" + std::to_string(t))});
    }
    const std::string series = "WITH RECURSIVE s(g) AS (SELECT 0 UNION ALL SELECT g + 1 FROM s WHERE g + 1 < " +
                               std::to_string(rates) + ") ";
    db->Execute(series +
                "INSERT INTO t_ExchangeRate (FID, FNumber, FName, FDigits, FLevels, FParentID)"
                " SELECT 100000 + g, 'R' || g, 'R' || g, 6, 2, 1000 + g % 10 FROM s");
    db->Execute(series +
                "INSERT INTO t_ExchangeRateEntry (FID, FCyTo, FExchangeRateType, FExchangeRate, FReverseExRate,"
                " FBegDate, FEndDate, FNumber, FName)"
                " SELECT 100000 + g, 2 + (g / 10) % 11, 1000 + g % 10, 7.123456 + g / 1000000.0, 0.14,"
                " date('2000-01-01', '+' || (g / 110) || ' days'), date('2000-01-01', '+' || (g / 110) || ' days'),"
                " 'R' || g, 'R' || g FROM s");
    tx.Commit();
    made[rates] = file;
    return file;
}

// A logged-in host on a company file, and its wizard.
struct Host {
    explicit Host(const std::filesystem::path& company) {
        hub::RuntimeOptions options;
        options.database = company.string();
        options.registry = Folder() / "classes.json";
        options.platform = std::make_shared<hub::HeadlessPlatform>();
        runtime = std::make_unique<hub::Runtime>(std::move(options));
        db = hub::OpenDatabase(company.string(), hub::OpenMode::Existing);
        wizard = std::make_unique<hub::TransferWizard>(runtime->LogIn(db, "administrator", "chs"));
    }
    bool Export(const std::filesystem::path& file) {
        auto messages = std::make_shared<tolm::Collection>();
        std::string out;
        std::string path = file.string();
        bool flag = false;
        return wizard
            ->Export("", 1014002, 1014002, out, "", int16_t{2}, "", int16_t{4}, path, flag, int16_t{0}, "", "",
                     messages)
            .ToBool();
    }
    int32_t Import(const std::filesystem::path& file) {
        auto messages = std::make_shared<tolm::Collection>();
        std::string path = file.string();
        bool flag = false;
        const Variant result = wizard->ImportFromData("", int16_t{4}, path, "", nullptr, messages, int16_t{0},
                                                      int16_t{0}, int16_t{0}, false, nullptr, flag, false);
        return messages->Count() == 0
                   ? result.As<tolm::Dictionary>()->Item("Page1").As<tolm::IImportPage>()->RecordCount()
                   : -1;
    }

    std::shared_ptr<hub::Database> db;
    std::unique_ptr<hub::Runtime> runtime;
    std::unique_ptr<hub::TransferWizard> wizard;
};

// The file the wizard exports from a company of that size.
std::filesystem::path ExportedFile(int64_t format, int64_t rates) {
    static std::map<std::pair<int64_t, int64_t>, std::filesystem::path> made;
    auto& file = made[{format, rates}];
    if (!file.empty()) return file;
    file = Folder() / ("exported-" + std::to_string(rates) + "." + Extension(format));
    Host(RateCompany(rates)).Export(file);
    return file;
}

// ---- export -------------------------------------------------------------------------------

void BM_Export(benchmark::State& state) {
    Host host(RateCompany(state.range(1)));
    const auto file = Folder() / (std::string("export.") + Extension(state.range(0)));
    for (auto _ : state) {
        if (!host.Export(file)) state.SkipWithError("the export failed");
    }
    state.SetItemsProcessed(state.iterations() * state.range(1));
}

// The same cells, held ready in memory, written straight with the writer.
void BM_Baseline_WriteCells(benchmark::State& state) {
    auto db = hub::OpenDatabase(RateCompany(state.range(1)).string(), hub::OpenMode::Existing);
    std::vector<hub::workbook::Row> rows;
    hub::ForEachTransferRate(*db, 5000, [&](const hub::TransferRate* rate) {
        if (rate == nullptr) return;
        rows.push_back({Cell::OfText(rate->typeNumber), Cell::OfText(rate->currencyNumber), Cell::OfNumber(rate->rate),
                        Cell::OfDate(rate->begin), Cell::OfDate(rate->end)});
    });
    const auto format = state.range(0) == 0 ? Format::Xls : Format::Xlsx;
    const auto file = Folder() / (std::string("baseline.") + Extension(state.range(0)));
    for (auto _ : state) {
        auto writer = hub::workbook::CreateWriter(file, format);
        writer->AddSheet("汇率类型", {});
        for (int t = 0; t < 10; ++t) writer->AddRow({Cell::OfText("B"), Cell::OfText("基准"), Cell::OfNumber(6)});
        writer->AddSheet("汇率", {});
        int64_t left = writer->MaxRowsPerSheet();
        for (const auto& row : rows) {
            if (--left == 0) {
                writer->AddSheet("汇率 2", {});
                left = writer->MaxRowsPerSheet();
            }
            writer->AddRow(row);
        }
        writer->Close();
    }
    state.SetItemsProcessed(state.iterations() * state.range(1));
}

// ---- import -------------------------------------------------------------------------------

void BM_Import(benchmark::State& state) {
    const auto file = ExportedFile(state.range(0), state.range(1));
    for (auto _ : state) {
        state.PauseTiming();
        Host host(NewCompany("import.db"));
        state.ResumeTiming();
        if (host.Import(file) != state.range(1) + 12) {
            state.SkipWithError("the import refused rows");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * state.range(1));
}

// Parsing the rates with the reader and inserting header and entry of each with one
// prepared statement apiece, in one transaction, through SQLite directly.
void BM_Baseline_ParseAndBulkInsert(benchmark::State& state) {
    const auto file = ExportedFile(state.range(0), state.range(1));
    const auto format = state.range(0) == 0 ? Format::Xls : Format::Xlsx;
    for (auto _ : state) {
        state.PauseTiming();
        const auto company = NewCompany("baseline.db");
        {
            auto db = hub::OpenDatabase(company.string(), hub::OpenMode::Existing);
            for (int t = 0; t < 10; ++t) {
                db->Execute("INSERT INTO t_ExchangeRate (FID, FNumber, FName, FDigits, FLevels) VALUES (?1, ?2, ?2, 6, 1)",
                            {Variant(1000 + t), Variant("B" + std::to_string(t))});
            }
        }
        std::map<std::string, int> currencies;
        {
            auto rows = hub::OpenDatabase(company.string(), hub::OpenMode::Existing)
                            ->Query("SELECT FCurrencyID, FNumber FROM t_Currency");
            for (; !rows->IsEOF(); rows->MoveNext()) {
                currencies[rows->Field("FNumber").ToText()] = rows->Field("FCurrencyID").ToLong();
            }
        }
        std::string failure;
        sqlite3* db = nullptr;
        sqlite3_open(company.string().c_str(), &db);
        sqlite3_exec(db, "PRAGMA foreign_keys = ON", nullptr, nullptr, nullptr);
        state.ResumeTiming();
        sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        sqlite3_stmt* header = nullptr;
        sqlite3_stmt* entry = nullptr;
        sqlite3_prepare_v2(db,
                           "INSERT INTO t_ExchangeRate (FID, FNumber, FName, FDigits, FLevels, FParentID)"
                           " VALUES (?1, ?2, ?2, 6, 2, ?3)",
                           -1, &header, nullptr);
        sqlite3_prepare_v2(db,
                           "INSERT INTO t_ExchangeRateEntry (FID, FCyTo, FExchangeRateType, FExchangeRate,"
                           " FReverseExRate, FBegDate, FEndDate, FNumber, FName) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?8)",
                           -1, &entry, nullptr);
        auto reader = hub::workbook::OpenReader(file, format);
        int64_t id = 5000;
        const auto names = reader->SheetNames();
        for (size_t sheet = 1; sheet < names.size(); ++sheet) {
            reader->ReadSheet(sheet, [&](int64_t row, const hub::workbook::Row& cells) {
                if (row == 1) return true;
                ++id;
                const std::string code = cells[0].text + "." + cells[1].text;
                const std::string begin = tolm::FormatDate(cells[3].date, "yyyy-MM-dd");
                const std::string end = tolm::FormatDate(cells[4].date, "yyyy-MM-dd");
                sqlite3_bind_int64(header, 1, id);
                sqlite3_bind_text(header, 2, code.c_str(), -1, SQLITE_TRANSIENT);
                sqlite3_bind_int(header, 3, 1000 + (cells[0].text.back() - '0'));
                sqlite3_step(header);
                sqlite3_reset(header);
                sqlite3_bind_int64(entry, 1, id);
                sqlite3_bind_int(entry, 2, currencies[cells[1].text]);
                sqlite3_bind_int(entry, 3, 1000 + (cells[0].text.back() - '0'));
                sqlite3_bind_double(entry, 4, cells[2].number);
                sqlite3_bind_double(entry, 5, 1 / cells[2].number);
                sqlite3_bind_text(entry, 6, begin.c_str(), -1, SQLITE_TRANSIENT);
                sqlite3_bind_text(entry, 7, end.c_str(), -1, SQLITE_TRANSIENT);
                sqlite3_bind_text(entry, 8, code.c_str(), -1, SQLITE_TRANSIENT);
                if (sqlite3_step(entry) != SQLITE_DONE && failure.empty()) failure = sqlite3_errmsg(db);
                sqlite3_reset(entry);
                return true;
            });
        }
        sqlite3_finalize(header);
        sqlite3_finalize(entry);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        state.PauseTiming();
        sqlite3_close(db);
        state.ResumeTiming();
        if (!failure.empty()) {
            state.SkipWithError(failure.c_str());
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * state.range(1));
}

// ---- peak memory ----------------------------------------------------------------------------

enum Work { OpenOnly = 0, ExportXls, ExportXlsx, ImportXls, ImportXlsx };

const char* PeakFile = "peak.kib";

// Does the work in this process and exits: the child that BM_PeakMemory starts. It
// tells its own high-water mark of resident memory: what the parent hears from
// wait4 is at least the parent's own peak, as the child began as its copy.
int PeakChild(Work work, const std::string& target, const std::string& input, int64_t rates) {
    bool ok = true;
    {
        Host host(target);
        if (work == ExportXls) ok = host.Export(Folder() / "peak.xls");
        if (work == ExportXlsx) ok = host.Export(Folder() / "peak.xlsx");
        if (work >= ImportXls) ok = host.Import(input) == rates + 12;
    }
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("VmHWM:")) std::ofstream(Folder() / PeakFile) << std::stol(line.substr(6));
    }
    return ok ? 0 : 1;
}

// The peak resident size of a new process (this program started again) that does
// the work, in MiB.
void BM_PeakMemory(benchmark::State& state) {
    const auto work = static_cast<Work>(state.range(0));
    const int64_t rates = state.range(1);
    // Prepared here, so the child does only the work measured.
    const auto company = RateCompany(rates);
    const auto input = work >= ImportXls ? ExportedFile(work == ImportXls ? 0 : 1, rates) : std::filesystem::path();
    const auto target = work >= ImportXls ? NewCompany("peak.db") : company;
    for (auto _ : state) {
        const std::vector<std::string> arguments = {"transfer_bench",       "--peak-child",
                                                    std::to_string(work),   target.string(),
                                                    input.string(),         std::to_string(rates),
                                                    Folder().string()};
        std::vector<char*> argv;
        for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        pid_t child = 0;
        if (::posix_spawn(&child, "/proc/self/exe", nullptr, nullptr, argv.data(), environ) != 0) {
            state.SkipWithError("the child cannot be started");
            break;
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("the work failed");
            break;
        }
        double kib = 0;
        std::ifstream(Folder() / PeakFile) >> kib;
        state.counters["peak_MiB"] = kib / 1024.0;
    }
}

void Transfers(benchmark::internal::Benchmark* bench) {
    bench->ArgNames({"xlsx", "rates"});
    for (int64_t format : {0, 1}) {
        for (int64_t rates : {int64_t{10'000}, int64_t{100'000}}) bench->Args({format, rates});
    }
}

BENCHMARK(BM_Baseline_WriteCells)->Apply(Transfers)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Export)->Apply(Transfers)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Baseline_ParseAndBulkInsert)->Apply(Transfers)->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Import)->Apply(Transfers)->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PeakMemory)
    ->ArgNames({"work", "rates"})
    ->ArgsProduct({{OpenOnly, ExportXls, ExportXlsx, ImportXls, ImportXlsx}, {10'000, 100'000, 1'000'000}})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (argc == 7 && std::string(argv[1]) == "--peak-child") {
        g_child = true;
        g_folder = argv[6];
        return PeakChild(static_cast<Work>(std::stoi(argv[2])), argv[3], argv[4], std::stoll(argv[5]));
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
