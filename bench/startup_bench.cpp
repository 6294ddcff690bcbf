// A whole command-line process that shows one rate (`tolm rate show ID`: start,
// open the company, read and print the rate, exit) beside a raw `sqlite3` process
// that reads the same rate from the same company file.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "db/database.h"
#include "model/company_setup.h"
#include "model/rate_store.h"
#include "tolm/base_data.h"
#include "tolm/variant.h"

namespace {

// A company file with one rate, removed when the run ends.
struct Company {
    std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("tolm-startup-bench-" + std::to_string(::getpid()));
    std::filesystem::path file = folder / "company.db";
    int32_t rateId = 0;
    Company() {
        std::filesystem::create_directories(folder);
        auto db = hub::OpenDatabase(file.string());
        hub::InitCompany(*db, false);
        hub::RateValues rate;
        rate.typeId = 1;
        rate.currencyId = 2;
        rate.rate = 7.1;
        rate.begin = tolm::MakeDate(2024, 1, 1);
        rate.end = tolm::MakeDate(2024, 12, 31);
        rateId = hub::InsertRate(*db, rate);
    }
    ~Company() {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
};

const Company& TheCompany() {
    static const Company company;
    return company;
}

// Runs the program to its end with its output dropped; false when it failed.
bool Run(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    const int started = ::posix_spawnp(&child, argv.front(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    return started == 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void BM_RateShowProcess(benchmark::State& state) {
    const Company& company = TheCompany();
    const std::vector<std::string> command = {TOLM_PROGRAM, "--db", company.file.string(), "--registry",
                                              (company.folder / "classes.json").string(), "rate", "show",
                                              std::to_string(company.rateId)};
    for (auto _ : state) {
        if (!Run(command)) state.SkipWithError("tolm rate show failed");
    }
}

void BM_Baseline_Sqlite3Process(benchmark::State& state) {
    const Company& company = TheCompany();
    const std::vector<std::string> command = {
        "sqlite3", company.file.string(),
        "SELECT FNumber, FExchangeRate, FBegDate, FEndDate FROM t_ExchangeRateEntry WHERE FID = " +
            std::to_string(company.rateId)};
    for (auto _ : state) {
        if (!Run(command)) state.SkipWithError("sqlite3 failed");
    }
}

// Wall time: a process's start is mostly the loader's work, which the CPU clock of
// this one does not see.
BENCHMARK(BM_Baseline_Sqlite3Process)->Iterations(50)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RateShowProcess)->Iterations(50)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
