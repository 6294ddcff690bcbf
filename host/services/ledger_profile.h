// HubLedger.SystemProfile: the general ledger's current period.
#pragma once

#include <optional>

#include "services/service_component.h"
#include "tolm/components.h"

namespace hub {

// Periods are calendar months: period n of year y starts on the first of month n.
class LedgerProfile : public tolm::ILedgerProfile, private ServiceComponent {
public:
    explicit LedgerProfile(std::shared_ptr<Session> session);

    // Reads the current year and period ("GL"/"CurrentYear", "GL"/"CurrentPeriod")
    // again.
    void Refresh() override;
    // The first day of a period as a Date. A year or period of 0 stands for the
    // current one (read at the first call unless Refresh ran). Raises ObjectNotFound
    // when the current period is needed and not set, InvalidProcedureCall for a
    // period outside 1..12 or a year outside 1..9999.
    tolm::Variant GLGetPeriodDate(int32_t year, int32_t period) override;

private:
    std::optional<int32_t> m_currentYear;
    std::optional<int32_t> m_currentPeriod;
    bool m_loaded = false;
};

}  // namespace hub
