// The history chart's steps and the coverage view's rows: periods cut to the range,
// the days between them left as gaps.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "model/company_setup.h"
#include "model/rate_store.h"
#include "platform/headless_platform.h"
#include "support/test_runtime.h"
#include "windows/rate_history.h"

namespace hub {
namespace {

using tolm::DayRange;
using tolm::MakeDate;

tolm::DateTime Day(unsigned month, unsigned day) { return MakeDate(2024, month, day); }

CoveredPeriod Period(tolm::DateTime begin, tolm::DateTime end, bool audited, double rate) {
    return CoveredPeriod{2, begin, end, audited, 0, "", rate};
}

struct ExpectedStep {
    tolm::DateTime first, last;
    double rate;
    bool audited, beganBefore, endsAfter;
};

void ExpectSteps(const HistorySeries& series, const std::vector<ExpectedStep>& expected) {
    ASSERT_EQ(series.steps.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const HistoryStep& step = series.steps[i];
        EXPECT_EQ(step.first, expected[i].first) << i;
        EXPECT_EQ(step.last, expected[i].last) << i;
        EXPECT_EQ(step.rate, expected[i].rate) << i;
        EXPECT_EQ(step.audited, expected[i].audited) << i;
        EXPECT_EQ(step.beganBefore, expected[i].beganBefore) << i;
        EXPECT_EQ(step.endsAfter, expected[i].endsAfter) << i;
    }
}

TEST(RateHistorySeries, PeriodsBecomeStepsCutToTheRangeWithTheDaysBetweenAsGaps) {
    // March: one period from February, one inside, one going on into April.
    const HistorySeries series =
        SeriesOf(2, "USD",
                 {Period(Day(2, 20), Day(3, 5), true, 7.1), Period(Day(3, 10), Day(3, 12), false, 7.2),
                  Period(Day(3, 20), Day(4, 10), true, 7.3)},
                 Day(3, 1), Day(3, 31));
    ExpectSteps(series, {{Day(3, 1), Day(3, 5), 7.1, true, true, false},
                         {Day(3, 10), Day(3, 12), 7.2, false, false, false},
                         {Day(3, 20), Day(3, 31), 7.3, true, false, true}});
    EXPECT_EQ(series.gaps, (std::vector<DayRange>{{Day(3, 6), Day(3, 9)}, {Day(3, 13), Day(3, 19)}}));
    EXPECT_EQ(series.unaudited, (std::vector<DayRange>{{Day(3, 10), Day(3, 12)}}));

    const HistorySeries none = SeriesOf(2, "USD", {}, Day(3, 1), Day(3, 31));
    EXPECT_TRUE(none.steps.empty());
    EXPECT_EQ(none.gaps, (std::vector<DayRange>{{Day(3, 1), Day(3, 31)}}));
}

TEST(RateHistorySeries, CoverageRowsHoldTheLookupServicesGapsAndTheStepsOfEachCurrency) {
    auto db = OpenDatabase(":memory:");
    InitCompany(*db, /*demo=*/false);
    for (auto [begin, end, rate] : {std::tuple{Day(2, 20), Day(3, 5), 7.1}, {Day(3, 20), Day(4, 10), 7.3}}) {
        RateValues values;
        values.typeId = 1;
        values.currencyId = 2;
        values.rate = rate;
        values.begin = begin;
        values.end = end;
        InsertRate(*db, values);
    }
    Runtime runtime(TestRuntimeOptions(std::make_shared<HeadlessPlatform>()));
    const RateHistory history(runtime.LogIn(db, "administrator", "chs"));

    const std::vector<HistorySeries> rows = history.Coverage(1, Day(3, 1), Day(3, 31), {2});
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].currency, "USD");
    ExpectSteps(rows[0], {{Day(3, 1), Day(3, 5), 7.1, false, true, false}, {Day(3, 20), Day(3, 31), 7.3, false, false, true}});
    EXPECT_EQ(rows[0].gaps, (std::vector<DayRange>{{Day(3, 6), Day(3, 19)}}));
    EXPECT_EQ(rows[0].unaudited, (std::vector<DayRange>{{Day(3, 1), Day(3, 5)}, {Day(3, 20), Day(3, 31)}}));

    const std::vector<HistorySeries> chart = history.Series(1, {2}, Day(3, 1), Day(3, 31));
    ASSERT_EQ(chart.size(), 1u);
    EXPECT_EQ(chart[0].gaps, rows[0].gaps) << "the chart leaves the same days empty";
    EXPECT_EQ(history.RateOnDay(1, 2, Day(3, 10), false).outcome, tolm::ExRateOnDay::Outcome::None);
}

}  // namespace
}  // namespace hub
