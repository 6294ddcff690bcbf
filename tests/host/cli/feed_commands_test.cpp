// Taking a central bank's published rates in with tolm, from a file and downloaded:
// what is stored, what is already there, what is refused and what is skipped, on
// both databases; and every way a download can go wrong storing nothing.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "db/database.h"
#include "model/rate_store.h"
#include "services/rate_feed.h"
#include "support/scratch_database.h"
#include "tolm/host_error.h"
#include "tolm_company_fixture.h"

namespace {

using hub::test::Backend;
using hub::test::ProcessResult;

// Friday 8 and Monday 11 March 2024; ZAR is no currency of the company. 7.953055 /
// 1.1 is 7.23005 exactly, whose nearest double lies below the half.
const std::string DailyXml = R"(<?xml version="1.0" encoding="UTF-8"?>
<gesmes:Envelope xmlns:gesmes="http://www.gesmes.org/xml/2002-08-01" xmlns="http://www.ecb.int/vocabulary/2002-08-01/eurofxref">
  <gesmes:subject>Reference rates</gesmes:subject>
  <Cube>
    <Cube time="2024-03-11"><Cube currency="USD" rate="1.0923"/><Cube currency="JPY" rate="160.88"/>
      <Cube currency="CNY" rate="7.8561"/><Cube currency="ZAR" rate="20.52"/></Cube>
    <Cube time="2024-03-08"><Cube currency="USD" rate="1.1"/><Cube currency="JPY" rate="161.5"/>
      <Cube currency="CNY" rate="7.953055"/><Cube currency="ZAR" rate="20.48"/></Cube>
  </Cube>
</gesmes:Envelope>
)";

// The same days as the history CSV writes them; GBP was not published on the 11th.
const std::string HistoryCsv =
    "Date, USD, JPY, CNY, GBP, ZAR,\n"
    "2024-03-11, 1.0923, 160.88, 7.8561, N/A, 20.52,\n"
    "2024-03-08, 1.1, 161.5, 7.953055, 0.8551, 20.48,\n";

// The same CSV as the bank publishes it, in a zip archive.
const std::string HistoryZip(
    "\x50\x4b\x03\x04\x14\x00\x00\x00\x08\x00\x00\x80\x6b\x58\x76\xfc\xd2\x26\x69\x00\x00\x00\x80\x00"
    "\x00\x00\x12\x00\x00\x00\x65\x75\x72\x6f\x66\x78\x72\x65\x66\x2d\x68\x69\x73\x74\x2e\x63\x73\x76"
    "\x45\x8b\x3b\x0e\xc2\x40\x0c\x44\xfb\x9c\xc2\x07\x98\x18\xdb\x1b\x2f\x4e\x99\x8f\x84\x44\x11\x45"
    "\x20\x0a\xe8\x28\xb8\x41\xee\x2f\xbc\x34\x34\x33\xa3\xd1\x7b\xeb\xfb\xf8\x80\x1e\xf7\x15\x74\xdd"
    "\x9f\xa0\x65\xcb\xb8\xcc\x3b\xe8\x35\xdd\xd0\x99\xd8\xd0\x4b\xe9\x55\x41\xca\x32\x5a\xc9\xae\xc2"
    "\x11\xa0\x33\x87\xd7\xfc\xb7\xd3\x04\x32\x61\xb7\x3f\x2f\xd1\xf8\x26\x55\x65\x6f\xec\xe8\x45\x3c"
    "\x57\xba\xee\xfa\x13\x86\x40\xf7\x05\x50\x4b\x01\x02\x14\x03\x14\x00\x00\x00\x08\x00\x00\x80\x6b"
    "\x58\x76\xfc\xd2\x26\x69\x00\x00\x00\x80\x00\x00\x00\x12\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"
    "\x00\x80\x01\x00\x00\x00\x00\x65\x75\x72\x6f\x66\x78\x72\x65\x66\x2d\x68\x69\x73\x74\x2e\x63\x73"
    "\x76\x50\x4b\x05\x06\x00\x00\x00\x00\x01\x00\x01\x00\x40\x00\x00\x00\x99\x00\x00\x00\x00\x00",
    239);

// Units of the home currency; a manual USD rate holds 2 April already.
const std::string PlainCsv =
    "date,currency,rate\n"
    "2024-04-01,USD,7.10004\n"
    "2024-04-02,USD,7.2\n"
    "2024-04-01,CNY,1\n";

struct Stored {
    const char* currency;
    const char* begin;
    const char* end;
    const char* rate;
};

struct FeedCase {
    const char* what;
    const std::string* content;
    const char* format;  // "" lets tolm tell it from the content
    bool euroHome;
    size_t storedCount;
    std::vector<Stored> stored;  // some of them
    std::vector<std::string> skipped;
    std::vector<std::string> refused;  // currencies, in order
};

const std::vector<FeedCase> FeedCases = {
    {"reference XML, home currency yuan",
     &DailyXml, "", false, 6,
     {{"USD", "2024-03-08", "2024-03-10", "7.2301"}, {"USD", "2024-03-11", "2024-03-11", "7.1923"},
      {"JPY", "2024-03-08", "2024-03-10", "0.0492"}, {"EUR", "2024-03-11", "2024-03-11", "7.8561"}},
     {"ZAR"}, {}},
    {"reference XML, home currency euro",
     &DailyXml, "ecb-xml", true, 6,
     {{"USD", "2024-03-08", "2024-03-10", "0.9091"}, {"CNY", "2024-03-08", "2024-03-10", "0.1257"},
      {"JPY", "2024-03-11", "2024-03-11", "0.0062"}},
     {"ZAR"}, {}},
    {"history CSV with N/A",
     &HistoryCsv, "", false, 7,
     {{"USD", "2024-03-08", "2024-03-10", "7.2301"}, {"GBP", "2024-03-08", "2024-03-08", "9.3007"}},
     {"ZAR"}, {}},
    {"history CSV zipped", &HistoryZip, "", false, 7, {{"JPY", "2024-03-11", "2024-03-11", "0.0488"}}, {"ZAR"}, {}},
    {"plain CSV meeting a manual rate and naming the home currency",
     &PlainCsv, "csv", false, 1,
     {{"USD", "2024-04-01", "2024-04-01", "7.1000"}},
     {}, {"CNY", "USD"}},
};

// A company of its own for each case, on the backend of the parameter, with a
// manual USD rate on 2 April under type 1.
class TolmFeed : public hub::test::TolmCompany, public ::testing::WithParamInterface<Backend> {
protected:
    void FreshCompany(int number, bool euroHome) {
        m_location = (m_dir / ("company" + std::to_string(number) + ".db")).string();
        if (GetParam() == Backend::Postgres) {
            m_server = std::make_unique<hub::test::ScratchDatabase>(GetParam());
            m_location = m_server->Location();
        }
        ASSERT_EQ(Run({"init"}).exitCode, 0);
        m_db = hub::OpenDatabase(m_location);
        hub::RateValues manual;
        manual.typeId = 1;
        manual.currencyId = 2;  // USD
        manual.rate = 7;
        manual.reverseRate = 0.1429;
        manual.number = "01.USD.20240402";
        manual.begin = manual.end = tolm::MakeDate(2024, 4, 2);
        hub::InsertRate(*m_db, manual);
        if (!euroHome) return;
        for (const char* statement : {"UPDATE t_Currency SET FNumber = 'XXX' WHERE FCurrencyID = 3",
                                      "UPDATE t_Currency SET FNumber = 'EUR' WHERE FCurrencyID = 1",
                                      "UPDATE t_Currency SET FNumber = 'CNY' WHERE FCurrencyID = 3"}) {
            m_db->Execute(statement);
        }
    }

    ProcessResult Run(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"--registry", m_registry.string(), "--db", m_location, "--lang", "en"});
        return hub::test::RunProcess(TOLM_CLI_PATH, arguments, m_dir.Path());
    }

    std::string Write(const std::string& content) {
        const std::filesystem::path file = m_dir / "published.txt";
        std::ofstream(file, std::ios::binary) << content;
        return file.string();
    }

    int64_t Count(const std::string& sql) { return m_db->Query(sql)->Field("n").ToLong(); }

    std::unique_ptr<hub::test::ScratchDatabase> m_server;
    std::string m_location;
    std::shared_ptr<hub::Database> m_db;
};

TEST_P(TolmFeed, PublishedRatesArriveUnauditedBesideWhatIsThereAndOnlyOnce) {
    int number = 0;
    for (const FeedCase& feed : FeedCases) {
        SCOPED_TRACE(feed.what);
        FreshCompany(++number, feed.euroHome);
        std::vector<std::string> arguments{"--json", "feed", "import", Write(*feed.content), "--type", "1"};
        if (*feed.format != '\0') arguments.insert(arguments.end(), {"--format", feed.format});

        for (int run = 0; run < 2; ++run) {
            const ProcessResult result = Run(arguments);
            ASSERT_EQ(result.exitCode, feed.refused.empty() ? 0 : 1) << result.err;
            const nlohmann::json report = nlohmann::json::parse(result.out);
            EXPECT_EQ(report.at("stored").size(), run == 0 ? feed.storedCount : 0);
            EXPECT_EQ(report.at("present"), run == 0 ? 0 : feed.storedCount);
            EXPECT_EQ(report.at("skipped"), feed.skipped);
            std::vector<std::string> refused;
            for (const auto& rate : report.at("refused")) refused.push_back(rate.at("FCurrencyNumber"));
            EXPECT_EQ(refused, feed.refused);
            if (run == 1) continue;
            for (const Stored& expected : feed.stored) {
                const nlohmann::json wanted = {{"FCurrencyNumber", expected.currency},
                                               {"FBegDate", expected.begin},
                                               {"FEndDate", expected.end},
                                               {"FExchangeRate", expected.rate}};
                bool found = false;
                for (nlohmann::json rate : report.at("stored")) {
                    rate.erase("FNumber");
                    found = found || rate == wanted;
                }
                EXPECT_TRUE(found) << wanted.dump() << "\n" << result.out;
            }
        }
        EXPECT_EQ(Count("SELECT COUNT(*) AS n FROM t_ExchangeRateEntry WHERE FChkUserID <> 0"), 0);
        EXPECT_EQ(Count("SELECT COUNT(*) AS n FROM t_Log WHERE FFunctionID = 'TolmHost_feedImport'"), 1);
        EXPECT_EQ(Count("SELECT COUNT(*) AS n FROM t_ExchangeRateEntry WHERE FNumber = '01.USD.20240402' AND "
                        "FExchangeRate = 7"),
                  1);
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, TolmFeed, ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         [](const auto& info) { return hub::test::BackendName(info.param); });

class TolmFeedCompany : public hub::test::TolmCompany {};

// Every weekday of March 2024 and the days either side published: no day of March
// is left without a rate.
TEST_F(TolmFeedCompany, AFullyPublishedMonthLeavesNoGapInTheCoverage) {
    Init(false);
    std::string csv = "Date,USD,CNY,\n";
    for (auto day = std::chrono::sys_days{std::chrono::year{2024} / 2 / 29};
         day <= std::chrono::sys_days{std::chrono::year{2024} / 4 / 1}; day += std::chrono::days{1}) {
        const unsigned weekday = std::chrono::weekday{day}.c_encoding();
        if (weekday == 0 || weekday == 6) continue;
        csv += tolm::FormatDateText(tolm::DateTime(day)) + ",1.08" + std::to_string(weekday) + ",7.8,\n";
    }
    const std::filesystem::path file = m_dir / "history.csv";
    std::ofstream(file) << csv;
    ASSERT_EQ(Tolm({"feed", "import", file.string(), "--type", "2"}).exitCode, 0);
    const ProcessResult coverage =
        Tolm({"coverage", "--type", "2", "--from", "2024-03-01", "--to", "2024-03-31", "--currency", "USD"});
    EXPECT_EQ(coverage.exitCode, 0) << coverage.out << coverage.err;
}

// An HTTP server on 127.0.0.1 answering each path with a response written out whole
// (status line, headers and body as given, so a body may fall short of its length).
class HttpStub {
public:
    explicit HttpStub(std::map<std::string, std::string> responses) : m_responses(std::move(responses)) {
        m_listener = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (bind(m_listener, reinterpret_cast<sockaddr*>(&address), length) != 0 || listen(m_listener, 8) != 0 ||
            getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            throw std::runtime_error("no port for the test server");
        }
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { Serve(); });
    }
    ~HttpStub() {
        shutdown(m_listener, SHUT_RDWR);
        m_thread.join();
        close(m_listener);
    }
    std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(m_port) + path; }

    static std::string Response(const std::string& status, const std::string& body, size_t declaredLength) {
        return "HTTP/1.1 " + status + "\r\nContent-Length: " + std::to_string(declaredLength) +
               "\r\nConnection: close\r\n\r\n" + body;
    }

private:
    void Serve() {
        for (;;) {
            const int connection = accept(m_listener, nullptr, nullptr);
            if (connection < 0) return;
            std::string request;
            char buffer[4096];
            while (request.find("\r\n\r\n") == std::string::npos) {
                const ssize_t got = recv(connection, buffer, sizeof buffer, 0);
                if (got <= 0) break;
                request.append(buffer, static_cast<size_t>(got));
            }
            const size_t start = request.find(' ') + 1;
            const auto found = m_responses.find(request.substr(start, request.find(' ', start) - start));
            const std::string response =
                found != m_responses.end() ? found->second : Response("404 Not Found", "", 0);
            for (size_t sent = 0; sent < response.size();) {
                const ssize_t wrote = send(connection, response.data() + sent, response.size() - sent, MSG_NOSIGNAL);
                if (wrote <= 0) break;
                sent += static_cast<size_t>(wrote);
            }
            close(connection);
        }
    }

    std::map<std::string, std::string> m_responses;
    int m_listener = -1;
    uint16_t m_port = 0;
    std::thread m_thread;
};

TEST(FeedFetch, AFailedDownloadSaysWhyAndHandsNothingOver) {
    const std::string big(4096, 'x');
    HttpStub server({{"/good.xml", HttpStub::Response("200 OK", DailyXml, DailyXml.size())},
                     {"/short.xml", HttpStub::Response("200 OK", DailyXml.substr(0, 200), DailyXml.size())},
                     {"/big.xml", HttpStub::Response("200 OK", big, big.size())},
                     {"/unannounced.xml", "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + big}});
    const hub::FetchLimits limits{5, std::chrono::seconds{30}, 2048};
    EXPECT_EQ(hub::FetchFeed(server.Url("/good.xml"), "en", limits), DailyXml);
    struct Case {
        const char* path;
        const char* said;
    };
    for (const Case& c : {Case{"/missing.xml", "(answer 404)"}, Case{"/short.xml", "broke off"},
                          Case{"/big.xml", "larger than"}, Case{"/unannounced.xml", "larger than"}}) {
        try {
            hub::FetchFeed(server.Url(c.path), "en", limits);
            ADD_FAILURE() << c.path << " was handed over";
        } catch (const tolm::HostError& error) {
            EXPECT_NE(error.Description().find(c.said), std::string::npos) << c.path << ": " << error.Description();
        }
    }
}

TEST_F(TolmFeedCompany, FeedFetchStoresAGoodFileAndNothingOfAMissingOne) {
    Init(false);
    HttpStub server({{"/eurofxref-daily.xml", HttpStub::Response("200 OK", DailyXml, DailyXml.size())}});
    const ProcessResult missing = Tolm({"--lang", "en", "feed", "fetch", server.Url("/gone.xml"), "--type", "1"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("(answer 404)"), std::string::npos) << missing.err;
    const ProcessResult fetched =
        Tolm({"--lang", "en", "feed", "fetch", server.Url("/eurofxref-daily.xml"), "--type", "1"});
    EXPECT_EQ(fetched.exitCode, 0) << fetched.err;
    EXPECT_NE(fetched.out.find("Rates added (not audited): 6; already present: 0; not stored: 0; currencies skipped: 1."),
              std::string::npos)
        << fetched.out;
}

}  // namespace
