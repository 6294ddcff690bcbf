// Every option of every command that reaches the company, fed input meant to hurt:
// each payload is refused in words a person can act on, or taken literally, and a
// refused one leaves the database file exactly as it was.
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/command_line.h"
#include "db/database.h"
#include "support/temp_dir.h"
#include "tolm/text.h"

namespace {

using hub::test::ReadFile;

const std::vector<std::string>& Payloads() {
    static const std::vector<std::string> payloads = {
        // quotes, comments and statement separators
        "'", "''", "\"", "' OR '1'='1", "1' OR 1=1 --", "'; DROP TABLE t_Log; --", "\"; DELETE FROM t_User; --",
        "1; DELETE FROM t_ExchangeRate", "') ; --", "/*", "*/", "--", "#", ";", "%", "_", "[", "]", "\\", "\\'",
        "`", "?1", ":name", "@p", "||", "char(65)", "1 UNION SELECT FPassword FROM t_User",
        "exec p_BASE_CreateLogView 'x'", "top 1",
        // bytes that are no text
        std::string("a\0b", 3), std::string(1, '\0'), "\xff", "\xc3\x28", "\xe2\x82", "\xed\xa0\x80", "\xc0\xaf",
        "\x1b[2J", "\r\n", "\xe2\x80\xae", "", " ", "\t",
        // long input
        std::string(10240, 'A'), std::string(10240, '\''), [] {
            std::string han;
            for (int i = 0; i < 3000; ++i) han += "汇";
            return han;
        }(),
        // numbers
        "NaN", "inf", "-inf", "1e309", "-1e309", "4.9e-324", "1e-320", "-0", "0", "-1", "2147483648",
        "-2147483649", "99999999999999999999", "1,5", "0x10", "1e", "+",
        // impossible dates
        "2024-02-30", "2023-02-29", "0000-00-00", "9999-12-32", "2024-13-01", "0099-12-31", "10000-01-01",
        "2024/01/01", "2024-01-01' OR '1'='1"};
    return payloads;
}

// A command with one place ("@") for the payload.
struct Probe {
    std::vector<std::string> command;
    // Where an accepted payload must be stored literally: a column of the types, and
    // the type's row ("TYPE" stands for the target's id). Empty: it is no text to store.
    const char* storedIn = "";
    const char* row = "";
};

std::vector<Probe> Probes() {
    const std::vector<std::string> criteria = {"--from",         "--to",         "--by",          "--function",
                                               "--machine",      "--address",    "--contains",    "--quick-from",
                                               "--quick-to",     "--quick-by",   "--quick-function",
                                               "--quick-machine", "--quick-address", "--quick-contains"};
    std::vector<Probe> probes = {
        {{"rate", "new", "--type", "@", "--currency", "USD", "--rate", "7", "--from", "2030-01-01", "--to", "2030-01-31"}},
        {{"rate", "new", "--type", "1", "--currency", "@", "--rate", "7", "--from", "2030-01-01", "--to", "2030-01-31"}},
        {{"rate", "new", "--type", "1", "--currency", "USD", "--rate", "@", "--from", "2030-01-01", "--to", "2030-01-31"}},
        {{"rate", "new", "--type", "1", "--currency", "USD", "--rate", "7", "--from", "@", "--to", "2030-01-31"}},
        {{"rate", "new", "--type", "1", "--currency", "USD", "--rate", "7", "--from", "2030-01-01", "--to", "@"}},
        {{"rate", "modify", "@", "--rate", "7"}},
        {{"rate", "modify", "RATE", "--currency", "@"}},
        {{"rate", "modify", "RATE", "--rate", "@"}},
        {{"rate", "modify", "RATE", "--from", "@"}},
        {{"rate", "modify", "RATE", "--to", "@"}},
        {{"rate", "show", "@"}},
        {{"rate", "audit", "@"}},
        {{"rate", "unaudit", "@"}},
        {{"rate", "delete", "@"}},
        {{"rate", "disable", "@"}},
        {{"rate", "enable", "@"}},
        {{"rate", "at", "--type", "@", "--currency", "USD", "--date", "2030-01-01"}},
        {{"rate", "at", "--type", "1", "--currency", "@", "--date", "2030-01-01"}},
        {{"rate", "at", "--type", "1", "--currency", "USD", "--date", "@"}},
        {{"rates", "--type", "@"}},
        {{"coverage", "--type", "@", "--from", "2030-01-01", "--to", "2030-01-31"}},
        {{"coverage", "--type", "1", "--from", "@", "--to", "2030-01-31"}},
        {{"coverage", "--type", "1", "--from", "2030-01-01", "--to", "@"}},
        {{"coverage", "--type", "1", "--from", "2030-01-01", "--to", "2030-01-31", "--currency", "@"}},
        {{"type", "new", "--code", "@", "--name", "Hostile"}, "FNumber", "FName = 'Hostile'"},
        {{"type", "new", "--code", "H1", "--name", "@"}, "FName", "FNumber = 'H1'"},
        {{"type", "new", "--code", "H2", "--name", "Hostile2", "--digits", "@"}},
        {{"type", "new", "--code", "H3", "--name", "Hostile3", "--remark", "@"}, "FRemark", "FNumber = 'H3'"},
        {{"type", "modify", "@", "--name", "Renamed"}},
        {{"type", "modify", "TYPE", "--code", "@"}, "FNumber", "FID = TYPE"},
        {{"type", "modify", "TYPE", "--name", "@"}, "FName", "FID = TYPE"},
        {{"type", "modify", "TYPE", "--digits", "@"}},
        {{"type", "modify", "TYPE", "--remark", "@"}, "FRemark", "FID = TYPE"},
        {{"type", "delete", "@"}},
        {{"log", "--limit", "@"}},
        {{"option", "same-user", "@"}},
        {{"import", "@"}},
        {{"--user", "@", "rates"}},
        {{"--lang", "@", "rates"}},
    };
    for (const std::string& option : criteria) {
        probes.push_back({{"log", option, "@"}});
        probes.push_back({{"log", "delete", option, "@"}});
    }
    return probes;
}

class HostileInput : public ::testing::Test {
protected:
    int Run(std::vector<std::string> arguments, const std::filesystem::path& db, std::string& out, std::string& err) {
        arguments.insert(arguments.begin(), {"--registry", m_registry.string(), "--db", db.string(), "--no"});
        std::ostringstream o, e;
        const int status = hub::cli::RunCommandLine(arguments, o, e);
        out = o.str();
        err = e.str();
        return status;
    }

    hub::test::TempDir m_dir;
    std::filesystem::path m_registry = m_dir / "classes.json";
};

// Words of the program that a person must never read.
const std::regex Internal(R"(\[in: |[Ss][Qq][Ll]ite|SQLSTATE|Error number|syntax error|constraint failed|\bF[A-Z][a-z]+[A-Z]\w*|\bt_[A-Z]\w+|\d{25})");

TEST_F(HostileInput, EveryPayloadIsRefusedClearlyOrTakenLiterally) {
    const std::filesystem::path pristine = m_dir / "pristine.db";
    std::string out, err;
    ASSERT_EQ(Run({"register", TOLM_PLUGIN_PATH}, pristine, out, err), 0) << err;
    ASSERT_EQ(Run({"init", "--demo"}, pristine, out, err), 0) << err;
    ASSERT_EQ(Run({"type", "new", "--code", "TARGET", "--name", "Target"}, pristine, out, err), 0) << err;
    auto company = hub::OpenDatabase(pristine.string(), hub::OpenMode::Existing);
    const std::string type = company->Query("SELECT FID FROM t_ExchangeRate WHERE FNumber = 'TARGET'")->Field("FID").ToText();
    const std::string rate = company->Query("SELECT min(FID) AS FID FROM t_ExchangeRateEntry WHERE FChkUserID = 0")
                                 ->Field("FID").ToText();
    company.reset();
    const std::string before = ReadFile(pristine);

    const std::filesystem::path work = m_dir / "work.db";
    int refused = 0;
    for (const Probe& probe : Probes()) {
        for (const std::string& payload : Payloads()) {
            std::vector<std::string> command = probe.command;
            for (std::string& word : command) {
                if (word == "@") word = payload;
                if (word == "RATE") word = rate;
                if (word == "TYPE") word = type;
            }
            std::filesystem::copy_file(pristine, work, std::filesystem::copy_options::overwrite_existing);
            const int status = Run(command, work, out, err);
            const std::string shown = probe.command[0] + " " + probe.command[1] + " <" + tolm::text::ToValidUtf8(payload.substr(0, 40)) + ">";
            // The person's own input may be quoted back; nothing else of the program.
            std::string said = out + err;
            for (size_t at; !payload.empty() && (at = said.find(payload)) != std::string::npos;) said.erase(at, payload.size());
            EXPECT_FALSE(std::regex_search(said, Internal)) << shown << ": " << err;
            if (status != 0) {
                ++refused;
                EXPECT_FALSE(tolm::text::Trim(err).empty()) << shown << ": refused without a word";
                EXPECT_TRUE(tolm::text::IsValidUtf8(err)) << shown;
                EXPECT_EQ(ReadFile(work), before) << shown << ": a refusal changed the database";
            } else if (*probe.storedIn != '\0') {
                auto db = hub::OpenDatabase(work.string(), hub::OpenMode::ReadOnly);
                std::string row = probe.row;
                if (const size_t at = row.find("TYPE"); at != std::string::npos) row.replace(at, 4, type);
                const std::string stored = std::string("SELECT count(*) AS n FROM t_ExchangeRate WHERE ") + probe.storedIn +
                                           " = ?1 AND FLevels = 1 AND " + row;
                EXPECT_EQ(db->Query(stored, {tolm::Variant(std::string(tolm::text::Trim(payload)))})->Field("n").ToLong(), 1)
                    << shown << ": accepted but not stored literally";
                EXPECT_TRUE(tolm::text::IsValidUtf8(payload)) << shown << ": text that is no text was stored";
            }
        }
    }
    EXPECT_GT(refused, 0);
}

}  // namespace
