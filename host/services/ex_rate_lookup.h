// HubBaseData.CExRateLookup: which rate is valid on a day, and the days of a range
// without one, for postings and month-end checks. Reads only, through
// model/rate_lookup.h: a posting that finds its rate costs one statement.
#pragma once

#include <string>
#include <vector>

#include "services/service_component.h"
#include "tolm/components.h"

namespace hub {

class ExRateLookup : public tolm::IExRateLookup, private ServiceComponent {
public:
    explicit ExRateLookup(std::shared_ptr<Session> session);

    tolm::ExRateOnDay RateOnDay(const std::string& props, int32_t lTypeID, int32_t lCurrencyID, tolm::DateTime dDate,
                                bool bAudited) override;
    std::vector<tolm::ExRateCoverage> Coverage(const std::string& props, int32_t lTypeID, tolm::DateTime dFrom,
                                               tolm::DateTime dTo, const std::vector<int32_t>& currencyIds) override;

private:
    void RequireType(int32_t typeId) const;
    // The currency's code; refuses one that does not exist and the home currency.
    std::string RequireRatedCurrency(int32_t currencyId) const;
    std::string PeriodText(const tolm::ExRatePeriod& period) const;
};

}  // namespace hub
