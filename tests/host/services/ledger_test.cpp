// The ledger's period and currencies, which the rate list's filter is built from.
#include <chrono>

#include "base/clock.h"
#include "services/services_fixture.h"
#include "tolm/host_error.h"

namespace {

using hub::test::ServicesTest;
using namespace std::chrono;
using tolm::Variant;

class LedgerTest : public ServicesTest {
protected:
    void SetPeriod(const std::string& year, const std::string& period) {
        m_db->Execute("UPDATE t_SystemProfile SET FValue = ?1 WHERE FCategory = 'GL' AND FKey = 'CurrentYear'",
                      {Variant(year)});
        m_db->Execute("UPDATE t_SystemProfile SET FValue = ?1 WHERE FCategory = 'GL' AND FKey = 'CurrentPeriod'",
                      {Variant(period)});
    }
};

TEST_F(LedgerTest, PeriodDateIsTheFirstDayOfTheCurrentMonthPeriod) {
    LogIn("clerk");
    auto ledger = tolm::CreateObject<tolm::ILedgerProfile>(tolm::classname::LedgerProfile);
    ledger->Refresh();
    const year_month_day today{floor<days>(hub::LocalNow())};
    const Variant start = ledger->GLGetPeriodDate(0, 0);
    EXPECT_EQ(start.Type(), tolm::VarType::Date);
    EXPECT_EQ(start.ToDate(), sys_days{today.year() / today.month() / 1});

    SetPeriod("2023", "12");
    EXPECT_EQ(ledger->GLGetPeriodDate(0, 0).ToDate(), sys_days{today.year() / today.month() / 1})
        << "the period read stays until Refresh";
    ledger->Refresh();
    EXPECT_EQ(ledger->GLGetPeriodDate(0, 0).ToDate(), sys_days{2023y / December / 1});
    EXPECT_EQ(ledger->GLGetPeriodDate(2024, 2).ToDate(), sys_days{2024y / February / 1});
    EXPECT_EQ(ledger->GLGetPeriodDate(0, 3).ToDate(), sys_days{2023y / March / 1});
    EXPECT_THROW(ledger->GLGetPeriodDate(2024, 13), tolm::HostError);
}

TEST_F(LedgerTest, MissingPeriodIsAnErrorNotAGuess) {
    LogIn("clerk");
    m_db->Execute("DELETE FROM t_SystemProfile WHERE FCategory = 'GL' AND FKey = 'CurrentPeriod'");
    auto ledger = tolm::CreateObject<tolm::ILedgerProfile>(tolm::classname::LedgerProfile);
    ledger->Refresh();
    EXPECT_THROW(ledger->GLGetPeriodDate(0, 0), tolm::HostError);
    EXPECT_EQ(ledger->GLGetPeriodDate(2024, 7).ToDate(), sys_days{2024y / July / 1});
}

TEST_F(LedgerTest, CurrencySetHoldsTheCurrenciesInUseById) {
    LogIn("clerk");
    m_db->Execute("UPDATE t_Currency SET FDeleted = 1 WHERE FNumber = 'EUR'");
    auto rows = tolm::CreateObject<tolm::IGlData>(tolm::classname::GlData)->CurrencySet()->Recordset();

    std::vector<int32_t> ids;
    for (rows->MoveFirst(); !rows->IsEOF(); rows->MoveNext()) {
        ids.push_back(rows->Field("FCurrencyID").ToLong());
        EXPECT_NE(rows->Field("FNumber").ToText(), "EUR");
    }
    EXPECT_EQ(static_cast<int32_t>(ids.size()), Count("SELECT COUNT(*) FROM t_Currency") - 1);
    EXPECT_TRUE(std::is_sorted(ids.begin(), ids.end()));
    EXPECT_EQ(ids.front(), 1) << "the home currency is a currency of the ledger too";
}

}  // namespace
