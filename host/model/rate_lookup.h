// Which rate of a type and currency is valid on a day, and which days of a range
// have none. A rate is valid on every day of its period, both ends included, unless
// it is disabled (its header row's FDeleted = 1). Every stored entry counts, a native rate's too: the
// database lets no other rate share its period, so leaving it out would report a day
// as empty that no rate can be added to. Nothing here falls back to an older, a
// later or a made-up rate: "none" is an answer of its own.
//
// The stored periods of one type and currency never overlap, so ordered by their
// first day their last days rise too: the only period that can hold a day is the
// last to begin on or before it. Every read is one step down the period index
// (ix_ExchangeRateEntry_Period), however long a currency's history is.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "db/database.h"
#include "tolm/components.h"

namespace hub {

// The rate valid on `day`, or, when there is none, the nearest enabled periods
// before and after it (either may be missing). One statement when a rate is valid,
// two when none is.
struct RateOnDayRows {
    std::optional<tolm::ExRatePeriod> valid;
    std::optional<tolm::ExRatePeriod> before;
    std::optional<tolm::ExRatePeriod> after;
};
RateOnDayRows FindRateOnDay(Database& db, int32_t typeId, int32_t currencyId, tolm::DateTime day);

// An enabled period of one currency that meets a range, as coverage reads it.
struct CoveredPeriod {
    int32_t currencyId = 0;
    tolm::DateTime begin{};
    tolm::DateTime end{};
    bool audited = false;
    // What a chart of the history shows of it.
    int32_t rateId = 0;
    std::string number;
    double rate = 0;
};

// The enabled periods of the type that meet [from, to], for each of the currencies
// (ids of t_Currency), ordered by currency and first day. One statement.
std::vector<CoveredPeriod> PeriodsMeeting(Database& db, int32_t typeId, const std::vector<int32_t>& currencyIds,
                                          tolm::DateTime from, tolm::DateTime to);

// The days of [from, to] that `periods` (of one currency, ordered by first day,
// not overlapping) leave without a rate, and those they cover only with a rate
// not yet audited, each as runs of consecutive days in order.
struct DayCoverage {
    std::vector<tolm::DayRange> gaps;
    std::vector<tolm::DayRange> unaudited;
};
DayCoverage CoverageOf(const std::vector<CoveredPeriod>& periods, tolm::DateTime from, tolm::DateTime to);

}  // namespace hub
