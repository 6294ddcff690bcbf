// How the rates of one type moved over a range of days, and which days of the range
// have no valid rate: what the history chart and the coverage view show. Both read
// the enabled periods as the lookup service reads them (model/rate_lookup.h); the
// coverage's gaps and the rate on a day are the lookup service's own answers
// (HubBaseData.CExRateLookup), the ones `tolm coverage` and `tolm rate at` print.
// Nothing here guesses a rate: a day no period holds is a gap.
//
// Layer: windows, for the desktop client's chart and coverage views.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/rate_lookup.h"
#include "model/type_store.h"
#include "services/session.h"
#include "tolm/components.h"

namespace hub {

// One period as drawn: a step at its rate from its first to its last day, cut to
// the range asked for.
struct HistoryStep {
    int32_t rateId = 0;
    std::string number;
    double rate = 0;
    tolm::DateTime first{};
    tolm::DateTime last{};
    bool audited = false;
    // The period goes on before the range's first day or after its last.
    bool beganBefore = false;
    bool endsAfter = false;
};

// One currency's steps over the range, the days none holds and those held only by
// unaudited rates, in day order.
struct HistorySeries {
    int32_t currencyId = 0;
    std::string currency;  // its code
    std::vector<HistoryStep> steps;
    std::vector<tolm::DayRange> gaps;
    std::vector<tolm::DayRange> unaudited;
};

// The steps and gaps of one currency's periods (ordered by first day, not
// overlapping, as PeriodsMeeting reads them) over [from, to].
HistorySeries SeriesOf(int32_t currencyId, std::string currency, const std::vector<CoveredPeriod>& periods,
                       tolm::DateTime from, tolm::DateTime to);

// A currency a person picks: its id, code and name.
struct CurrencyChoice {
    int32_t id = 0;
    std::string number;
    std::string name;
};

// The ledger's currencies that take a rate (the home currency has none), by id, as
// the ledger's currency set of the current session hands them out.
std::vector<CurrencyChoice> RatedCurrencies();

class RateHistory {
public:
    // Raises HostError(AccessDenied), in the session language, when the session's
    // user may not view rates.
    explicit RateHistory(std::shared_ptr<Session> session);

    std::vector<TypeRow> Types() const;
    // The ledger's currencies that take a rate (the home currency has none).
    std::vector<CurrencyChoice> Currencies() const;
    // For the chart: a series per currency id (in the order given) over [from, to].
    std::vector<HistorySeries> Series(int32_t typeId, const std::vector<int32_t>& currencyIds, tolm::DateTime from,
                                      tolm::DateTime to) const;
    // For the coverage view: a row per currency (every rated one of the ledger when
    // `currencyIds` is empty), its gaps and unaudited days as the lookup service
    // answers them, its steps as the chart draws them. Raises what the lookup
    // service raises (a range ending before it begins, an unknown type).
    std::vector<HistorySeries> Coverage(int32_t typeId, tolm::DateTime from, tolm::DateTime to,
                                        const std::vector<int32_t>& currencyIds = {}) const;
    // The rate valid on a day, or none with the nearest periods named in `message`.
    tolm::ExRateOnDay RateOnDay(int32_t typeId, int32_t currencyId, tolm::DateTime day, bool audited) const;

private:
    std::shared_ptr<Session> m_session;
};

}  // namespace hub
