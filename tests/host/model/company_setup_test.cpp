// A new company, with and without demonstration data.
#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "model/company_setup.h"
#include "tolm/base_data.h"
#include "model/rate_store.h"
#include "model/user_store.h"

namespace hub {
namespace {

using tolm::Variant;

int64_t Scalar(Database& db, const std::string& sql) {
    return static_cast<int64_t>(db.Query(sql)->Field("n").ToDouble());
}

// Row counts of every table InitCompany fills.
std::map<std::string, int64_t> Counts(Database& db) {
    std::map<std::string, int64_t> counts;
    for (const char* table : {"t_User", "t_UserRight", "t_SystemProfile", "t_Currency", "ICClassType", "t_ExchangeRate",
                              "t_ExchangeRateEntry", "t_Log"})
        counts[table] = Scalar(db, std::string("SELECT count(*) AS n FROM ") + table);
    return counts;
}

TEST(CompanySetup, InitAloneGivesAUsableEmptyCompany) {
    auto db = OpenDatabase(":memory:");
    InitCompany(*db, false);
    auto first = Counts(*db);
    InitCompany(*db, false);
    EXPECT_EQ(Counts(*db), first);

    auto home = db->Query("SELECT FNumber, FName FROM t_Currency WHERE FCurrencyID = 1");
    EXPECT_EQ(home->Field("FNumber").ToString(), "CNY");
    EXPECT_EQ(home->Field("FName").ToString(), "人民币");
    EXPECT_GE(first["t_Currency"], 12);

    auto types = db->Query("SELECT FID, FNumber, FName, FDigits, FLevels, FParentID FROM t_ExchangeRate ORDER BY FID");
    ASSERT_EQ(types->RecordCount(), 2);
    EXPECT_EQ(types->Field("FID").ToLong(), 1);
    EXPECT_EQ(types->Field("FNumber").ToString(), "01");
    EXPECT_EQ(types->Field("FName").ToString(), "公司汇率");
    EXPECT_EQ(types->Field("FDigits").ToLong(), 4);
    EXPECT_EQ(types->Field("FLevels").ToLong(), 1);
    EXPECT_EQ(types->Field("FParentID").ToLong(), 0);
    types->MoveNext();
    EXPECT_EQ(types->Field("FName").ToString(), "预算汇率");

    EXPECT_EQ(first["t_ExchangeRateEntry"], 0);
    EXPECT_EQ(db->Query("SELECT FName FROM ICClassType WHERE FID = 1014002")->Field("FName").ToString(), "汇率");
    EXPECT_EQ(db->Query("SELECT FValue FROM t_SystemProfile WHERE FCategory = 'BaseData' AND FKey = 'CheckUser'")
                  ->Field("FValue")
                  .ToString(),
              "0");
    EXPECT_TRUE(UserHasRight(*db, 1, rights::BaseDataSubsystem, 0, rights::Import | rights::Audit))
        << "the administrator holds every right";
}

TEST(CompanySetup, InitKeepsWhatTheCompanyAlreadyHas) {
    auto db = OpenDatabase(":memory:");
    InitCompany(*db, false);
    db->Execute("UPDATE t_SystemProfile SET FValue = '1' WHERE FCategory = 'BaseData' AND FKey = 'CheckUser'");
    db->Execute("UPDATE t_ExchangeRate SET FDigits = 6 WHERE FID = 2");
    db->Execute("DELETE FROM t_Currency WHERE FNumber = 'GBP'");

    InitCompany(*db, false);
    EXPECT_EQ(db->Query("SELECT FValue FROM t_SystemProfile WHERE FKey = 'CheckUser'")->Field("FValue").ToString(), "1");
    EXPECT_EQ(db->Query("SELECT FDigits FROM t_ExchangeRate WHERE FID = 2")->Field("FDigits").ToLong(), 6);
    EXPECT_EQ(Scalar(*db, "SELECT count(*) AS n FROM t_Currency WHERE FNumber = 'GBP'"), 1);
}

class DemoCompany : public ::testing::Test {
protected:
    void SetUp() override {
        m_db = OpenDatabase(":memory:");
        InitCompany(*m_db, true);
    }
    std::shared_ptr<Database> m_db;
};

TEST_F(DemoCompany, RunningDemoAgainAddsNothing) {
    auto first = Counts(*m_db);
    InitCompany(*m_db, true);
    InitCompany(*m_db, false);
    EXPECT_EQ(Counts(*m_db), first);
    EXPECT_GT(first["t_Log"], 0);
}

TEST_F(DemoCompany, RatesAreMonthlyNonOverlappingAndConsistent) {
    // Twelve rates per demo currency under the company type and the month-end type.
    auto perSeries = m_db->Query(
        "SELECT t.FNumber AS FType, c.FNumber AS FCurrency, count(*) AS n FROM t_ExchangeRateEntry e "
        "JOIN t_ExchangeRate t ON t.FID = e.FExchangeRateType JOIN t_Currency c ON c.FCurrencyID = e.FCyTo "
        "GROUP BY t.FNumber, c.FNumber");
    EXPECT_EQ(perSeries->RecordCount(), 8);
    for (; !perSeries->IsEOF(); perSeries->MoveNext()) EXPECT_EQ(perSeries->Field("n").ToLong(), 12);

    EXPECT_EQ(Scalar(*m_db,
                     "SELECT count(*) AS n FROM t_ExchangeRateEntry a JOIN t_ExchangeRateEntry b "
                     "ON a.FExchangeRateType = b.FExchangeRateType AND a.FCyTo = b.FCyTo AND a.FID < b.FID "
                     "AND NOT (a.FBegDate > b.FEndDate OR a.FEndDate < b.FBegDate)"),
              0);

    const std::map<std::string, std::pair<double, double>> plausible = {
        {"USD", {6.8, 7.4}}, {"EUR", {7.4, 8.2}}, {"JPY", {0.045, 0.051}}, {"HKD", {0.87, 0.95}}};
    auto rows = m_db->Query(
        "SELECT e.FID, e.FNumber, e.FName, e.FExchangeRate, e.FReverseExRate, e.FBegDate, e.FEndDate, "
        "e.FExchangeRateType, t.FNumber AS FTypeNumber, t.FName AS FTypeName, t.FDigits AS FTypeDigits, "
        "c.FNumber AS FCurrency, c.FName AS FCurrencyName, h.FLevels, h.FParentID, h.FIsNativeRate, h.FDigits "
        "FROM t_ExchangeRateEntry e JOIN t_ExchangeRate t ON t.FID = e.FExchangeRateType "
        "JOIN t_Currency c ON c.FCurrencyID = e.FCyTo JOIN t_ExchangeRate h ON h.FID = e.FID");
    ASSERT_EQ(rows->RecordCount(), 96) << "every entry has its header row";
    for (; !rows->IsEOF(); rows->MoveNext()) {
        std::string number = rows->Field("FNumber").ToString();
        tolm::DateTime begin = rows->Field("FBegDate").ToDate();
        std::string dateKey = tolm::FormatDate(begin, "yyyyMMdd");
        EXPECT_EQ(number, rows->Field("FTypeNumber").ToString() + "." + rows->Field("FCurrency").ToString() + "." + dateKey);
        EXPECT_EQ(rows->Field("FName").ToString(),
                  rows->Field("FTypeName").ToString() + "." + rows->Field("FCurrencyName").ToString() + "." + dateKey);
        EXPECT_EQ(dateKey.substr(6), "01") << number;

        auto [low, high] = plausible.at(rows->Field("FCurrency").ToString());
        double rate = rows->Field("FExchangeRate").ToDouble();
        int digits = rows->Field("FTypeDigits").ToLong();
        EXPECT_TRUE(rate > low && rate < high) << number << " " << rate;
        EXPECT_DOUBLE_EQ(rows->Field("FReverseExRate").ToDouble(), tolm::RoundHalfEven(1.0 / rate, digits)) << number;
        EXPECT_DOUBLE_EQ(rate, tolm::RoundHalfEven(rate, digits)) << number;

        EXPECT_EQ(rows->Field("FLevels").ToLong(), 2);
        EXPECT_EQ(rows->Field("FParentID"), rows->Field("FExchangeRateType"));
        EXPECT_EQ(rows->Field("FIsNativeRate").ToLong(), 0);
        EXPECT_EQ(rows->Field("FDigits").ToLong(), digits);
    }
}

TEST_F(DemoCompany, UserTypesUsersAndRights) {
    auto types = m_db->Query("SELECT FID, FNumber, FDigits FROM t_ExchangeRate WHERE FLevels = 1 ORDER BY FNumber");
    std::map<std::string, std::pair<int64_t, int64_t>> byNumber;
    for (; !types->IsEOF(); types->MoveNext())
        byNumber[types->Field("FNumber").ToString()] = {types->Field("FID").ToLong(), types->Field("FDigits").ToLong()};
    ASSERT_EQ(byNumber.size(), 4u);
    EXPECT_EQ(byNumber["03"].second, 6);
    EXPECT_EQ(byNumber["04"].second, 2);
    EXPECT_GE(byNumber["03"].first, tolm::FirstUserTypeId);
    EXPECT_GE(byNumber["04"].first, tolm::FirstUserTypeId);

    auto userId = [&](const char* name) {
        return static_cast<int64_t>(
            m_db->Query("SELECT FUserID AS n FROM t_User WHERE FName = ?1", {Variant(name)})->Field("n").ToDouble());
    };
    int64_t accountant = userId("accountant"), auditor = userId("auditor"), clerk = userId("clerk");
    EXPECT_TRUE(UserHasRight(*m_db, accountant, rights::BaseDataSubsystem, 0, rights::Import | rights::Export | rights::Modify));
    EXPECT_TRUE(UserHasRight(*m_db, accountant, rights::LogSubsystem, 0, rights::LogView | rights::LogExport | rights::LogPrint));
    EXPECT_FALSE(UserHasRight(*m_db, accountant, rights::LogSubsystem, 0, rights::LogDelete));
    EXPECT_TRUE(UserHasRight(*m_db, auditor, rights::BaseDataSubsystem, 0, rights::Audit | rights::ReverseAudit));
    EXPECT_FALSE(UserHasRight(*m_db, auditor, rights::BaseDataSubsystem, 0, rights::Import));
    EXPECT_TRUE(UserHasRight(*m_db, clerk, rights::BaseDataSubsystem, 0, rights::View));
    EXPECT_FALSE(UserHasRight(*m_db, clerk, rights::BaseDataSubsystem, 0, rights::Audit));
    EXPECT_EQ(Scalar(*m_db, "SELECT count(*) AS n FROM t_User WHERE FIsAdmin = 1"), 1);

    // Some rates were audited, all of them by the auditor.
    EXPECT_GT(Scalar(*m_db, "SELECT count(*) AS n FROM t_ExchangeRateEntry WHERE FChkUserID <> 0"), 0);
    EXPECT_EQ(Scalar(*m_db, "SELECT count(DISTINCT FChkUserID) AS n FROM t_ExchangeRateEntry WHERE FChkUserID <> 0"), 1);
    EXPECT_EQ(Scalar(*m_db, "SELECT MAX(FChkUserID) AS n FROM t_ExchangeRateEntry"), auditor);
}

TEST_F(DemoCompany, NewIdsComeFromBothRateTables) {
    int64_t highest = Scalar(*m_db, "SELECT MAX(FID) AS n FROM t_ExchangeRateEntry");
    EXPECT_EQ(NewExchangeRateId(*m_db, false), highest + 1);

    auto empty = OpenDatabase(":memory:");
    InitCompany(*empty, false);
    EXPECT_EQ(NewExchangeRateId(*empty, false), 3);
    EXPECT_EQ(NewExchangeRateId(*empty, true), tolm::FirstUserTypeId);
}

}  // namespace
}  // namespace hub
