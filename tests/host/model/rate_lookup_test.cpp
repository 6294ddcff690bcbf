// The rate valid on a day and the days without one, on every backend.
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "model/company_setup.h"
#include "model/rate_lookup.h"
#include "model/rate_store.h"
#include "support/scratch_database.h"

namespace hub {
namespace {

using test::Backend;
using tolm::DateTime;
using tolm::DayRange;
using tolm::MakeDate;

constexpr int32_t Type = 1;
constexpr int32_t Usd = 2;
constexpr int32_t Eur = 3;
constexpr int32_t Jpy = 4;  // never has a rate

DateTime March(unsigned day) { return MakeDate(2024, 3, day); }
DateTime Day(unsigned month, unsigned day) { return MakeDate(2024, month, day); }

// USD: March audited, 10 April alone, May disabled, June; EUR: April in two halves.
class RateLookup : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        m_scratch = std::make_unique<test::ScratchDatabase>(GetParam());
        m_db = m_scratch->Open();
        InitCompany(*m_db, false);
        m_march = Store(Usd, Day(3, 1), Day(3, 31), 1);
        m_tenth = Store(Usd, Day(4, 10), Day(4, 10));
        ASSERT_TRUE(SetRateDisabled(*m_db, Store(Usd, Day(5, 1), Day(5, 31)), true));
        m_june = Store(Usd, Day(6, 1), Day(6, 30));
        Store(Eur, Day(4, 1), Day(4, 15));
        Store(Eur, Day(4, 16), Day(4, 30));
        // Another type's rate holds every day in question and answers none of them.
        Store(Usd, Day(1, 1), Day(12, 31), 0, 2);
    }

    int32_t Store(int32_t currency, DateTime begin, DateTime end, int32_t auditor = 0, int32_t type = Type) {
        RateValues rate;
        rate.typeId = type;
        rate.currencyId = currency;
        rate.rate = 7.1;
        rate.begin = begin;
        rate.end = end;
        rate.auditorId = auditor;
        return InsertRate(*m_db, rate);
    }

    std::unique_ptr<test::ScratchDatabase> m_scratch;
    std::shared_ptr<Database> m_db;
    int32_t m_march = 0, m_tenth = 0, m_june = 0;
};

std::optional<int32_t> IdOf(const std::optional<tolm::ExRatePeriod>& period) {
    return period ? std::optional<int32_t>(period->id) : std::nullopt;
}

TEST_P(RateLookup, TheRateValidOnADayOrTheNearestPeriodsAroundIt) {
    struct Case {
        const char* what;
        DateTime day;
        std::optional<int32_t> valid, before, after;
    };
    const std::optional<int32_t> none;
    const Case cases[] = {
        {"the first day", March(1), m_march, none, none},
        {"the last day", March(31), m_march, none, none},
        {"a one-day period", Day(4, 10), m_tenth, none, none},
        {"between two periods", Day(4, 1), none, m_march, m_tenth},
        {"before the first", Day(2, 29), none, none, m_march},
        {"after the last", Day(7, 1), none, m_june, none},
        {"a disabled rate's day", Day(5, 15), none, m_tenth, m_june},
    };
    for (const Case& c : cases) {
        const RateOnDayRows answer = FindRateOnDay(*m_db, Type, Usd, c.day + std::chrono::hours(15));
        EXPECT_EQ(IdOf(answer.valid), c.valid) << c.what;
        EXPECT_EQ(IdOf(answer.before), c.before) << c.what;
        EXPECT_EQ(IdOf(answer.after), c.after) << c.what;
    }
    const RateOnDayRows march = FindRateOnDay(*m_db, Type, Usd, March(5));
    EXPECT_EQ(march.valid->begin, March(1));
    EXPECT_EQ(march.valid->end, March(31));
    EXPECT_EQ(march.valid->auditorId, 1);
}

TEST_P(RateLookup, CoverageNamesTheDaysWithoutARateAndThoseOnlyUnauditedRatesHold) {
    struct Case {
        const char* what;
        int32_t currency;
        DateTime from, to;
        std::vector<DayRange> gaps, unaudited;
    };
    const Case cases[] = {
        {"gaps at the start, in the middle and at the end", Usd, Day(2, 20), Day(7, 5),
         {{Day(2, 20), Day(2, 29)}, {Day(4, 1), Day(4, 9)}, {Day(4, 11), Day(5, 31)}, {Day(7, 1), Day(7, 5)}},
         {{Day(4, 10), Day(4, 10)}, {Day(6, 1), Day(6, 30)}}},
        {"a range beginning inside a period", Usd, March(15), March(31), {}, {}},
        {"unaudited periods that follow each other", Eur, Day(4, 1), Day(4, 30), {}, {{Day(4, 1), Day(4, 30)}}},
        {"a currency without rates", Jpy, Day(4, 1), Day(4, 30), {{Day(4, 1), Day(4, 30)}}, {}},
    };
    for (const Case& c : cases) {
        const std::vector<CoveredPeriod> periods = PeriodsMeeting(*m_db, Type, {c.currency}, c.from, c.to);
        const DayCoverage coverage = CoverageOf(periods, c.from, c.to);
        EXPECT_EQ(coverage.gaps, c.gaps) << c.what;
        EXPECT_EQ(coverage.unaudited, c.unaudited) << c.what;
    }
    // One statement for several currencies keeps each one's periods apart.
    const std::vector<CoveredPeriod> both = PeriodsMeeting(*m_db, Type, {Usd, Eur, Jpy}, Day(4, 1), Day(4, 30));
    ASSERT_EQ(both.size(), 3u);
    EXPECT_EQ(both[0].currencyId, Usd);
    EXPECT_EQ(both[1].currencyId, Eur);
    EXPECT_EQ(both[2].currencyId, Eur);
}

INSTANTIATE_TEST_SUITE_P(Backends, RateLookup, ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         [](const auto& info) { return test::BackendName(info.param); });

}  // namespace
}  // namespace hub
