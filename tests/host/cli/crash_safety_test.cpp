// Crash safety: tolm killed at random moments while it saves and audits rates. What
// is left must be whole: every rate has its header, its entry, its reverse rate and
// the version the follow-up gave it and the log record of its saving, or it is not
// there at all; an audit is either done (auditor and day) or not; the file passes
// the database's own integrity check.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "db/database.h"
#include "tolm_company_fixture.h"

namespace {

using tolm::Variant;

class CrashSafety : public hub::test::TolmCompany {
protected:
    // Starts tolm with the arguments and kills it after `delay` unless it ended
    // before; returns how long it ran.
    std::chrono::microseconds RunAndKill(std::vector<std::string> arguments, std::chrono::microseconds delay) {
        arguments.insert(arguments.begin(),
                         {TOLM_CLI_PATH, "--yes", "--registry", m_registry.string(), "--db", m_database.string()});
        const auto start = std::chrono::steady_clock::now();
        const pid_t child = ::fork();
        if (child < 0) throw std::runtime_error("cannot start tolm");
        if (child == 0) {
            const int devNull = ::open("/dev/null", O_RDWR);
            ::dup2(devNull, 0);
            ::dup2(devNull, 1);
            ::dup2(devNull, 2);
            std::vector<char*> argv;
            for (std::string& argument : arguments) argv.push_back(argument.data());
            argv.push_back(nullptr);
            ::execv(TOLM_CLI_PATH, argv.data());
            ::_exit(127);
        }
        int status = 0;
        while (::waitpid(child, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() - start >= delay) {
                ::kill(child, SIGKILL);
                ::waitpid(child, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
        return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
    }

    int64_t Count(hub::Database& db, const std::string& sql) const {
        return static_cast<int64_t>(db.Query(sql)->Field("n").ToDouble());
    }
};

TEST_F(CrashSafety, KilledSavesAndAuditsLeaveWholeRatesOrNone) {
    Init(false);
    // Registered once, so every run below works on the company alone.
    ASSERT_EQ(Tolm({"register", TOLM_PLUGIN_PATH}).exitCode, 0);
    const char* runsText = std::getenv("TOLM_CRASH_RUNS");
    const int runs = runsText != nullptr ? std::atoi(runsText) : 200;
    std::mt19937 random(20261208);
    // The delays span up to half as long again as one whole save takes in this
    // build (a sanitizer build is many times slower): most runs are killed while
    // they open or write, some finish.
    auto save = [&](int month) {
        const int year = 2000 + month / 12;
        const std::string first = std::to_string(year) + "-" + (month % 12 < 9 ? "0" : "") + std::to_string(month % 12 + 1);
        return std::vector<std::string>{"rate", "new", "--type", "1", "--currency", "USD", "--rate", "7.1",
                                        "--from", first + "-01", "--to", first + "-28"};
    };
    const auto whole = RunAndKill(save(0), std::chrono::minutes(1));
    std::uniform_int_distribution<int64_t> delay(0, whole.count() * 3 / 2);
    int month = 1;
    for (int run = 0; run < runs; ++run) {
        if (run % 4 == 3) {
            // Audit (or reverse-audit) what the saves so far left.
            auto db = hub::OpenDatabase(m_database.string(), hub::OpenMode::Existing);
            std::vector<std::string> ids;
            for (auto rows = db->Query("SELECT FID FROM t_ExchangeRateEntry ORDER BY FID DESC LIMIT 3"); !rows->IsEOF();
                 rows->MoveNext()) {
                ids.push_back(rows->Field("FID").ToText());
            }
            db.reset();
            if (ids.empty()) continue;
            std::vector<std::string> arguments{"rate", run % 8 == 3 ? "audit" : "unaudit"};
            arguments.insert(arguments.end(), ids.begin(), ids.end());
            RunAndKill(arguments, std::chrono::microseconds(delay(random)));
            continue;
        }
        RunAndKill(save(month++), std::chrono::microseconds(delay(random)));
    }

    auto db = hub::OpenDatabase(m_database.string(), hub::OpenMode::Existing);
    EXPECT_EQ(db->Query("PRAGMA integrity_check")->Field("integrity_check").ToText(), "ok");
    EXPECT_EQ(Count(*db, "SELECT COUNT(*) AS n FROM t_ExchangeRateEntry e LEFT JOIN t_ExchangeRate h"
                         " ON h.FID = e.FID AND h.FLevels = 2 WHERE h.FID IS NULL"),
              0)
        << "entries without their header";
    EXPECT_EQ(Count(*db, "SELECT COUNT(*) AS n FROM t_ExchangeRate h LEFT JOIN t_ExchangeRateEntry e ON e.FID = h.FID"
                         " WHERE h.FLevels = 2 AND e.FID IS NULL"),
              0)
        << "headers without their entry";
    EXPECT_EQ(Count(*db, "SELECT COUNT(*) AS n FROM t_ExchangeRateEntry WHERE FReverseExRate IS NULL OR FVersion < 1"
                         " OR FNumber = ''"),
              0)
        << "rates without the follow-up of their save";
    EXPECT_EQ(Count(*db, "SELECT COUNT(*) AS n FROM t_ExchangeRateEntry e WHERE NOT EXISTS (SELECT 1 FROM t_Log l"
                         " WHERE l.FFunctionID = 'QEL1014002_mnuFileNewItem'"
                         " AND l.FDescription LIKE '%[' || e.FNumber || ']%')"),
              0)
        << "rates without the log record of their saving";
    EXPECT_EQ(Count(*db, "SELECT COUNT(*) AS n FROM t_ExchangeRateEntry"
                         " WHERE (FChkUserID = 0) <> (FCheckDate IS NULL)"),
              0)
        << "half-done audits";
    const int64_t saved = Count(*db, "SELECT COUNT(*) AS n FROM t_ExchangeRateEntry");
    EXPECT_GT(saved, 1) << "some saves besides the first got through";
    EXPECT_LT(saved, month) << "some saves were killed";
}

}  // namespace
