#include "services/ledger_profile.h"

#include <chrono>

#include "model/profile_store.h"
#include "tolm/host_error.h"

namespace hub {

namespace {

constexpr const char* Source = "HubLedger.SystemProfile";

std::optional<int32_t> StoredNumber(Database& database, const char* key) {
    const tolm::Variant value = ReadProfile(database, "GL", key);
    if (value.Type() != tolm::VarType::Long) return std::nullopt;
    return value.ToLong();
}

}  // namespace

LedgerProfile::LedgerProfile(std::shared_ptr<Session> session) : ServiceComponent(std::move(session)) {}

void LedgerProfile::Refresh() {
    m_currentYear = StoredNumber(Db(), "CurrentYear");
    m_currentPeriod = StoredNumber(Db(), "CurrentPeriod");
    m_loaded = true;
}

tolm::Variant LedgerProfile::GLGetPeriodDate(int32_t year, int32_t period) {
    if (!m_loaded && (year == 0 || period == 0)) Refresh();
    if ((year == 0 && !m_currentYear) || (period == 0 && !m_currentPeriod)) {
        throw tolm::HostError(tolm::err::ObjectNotFound, Text("总账当前会计期间未设置。"), Source);
    }
    const int32_t y = year == 0 ? *m_currentYear : year;
    const int32_t p = period == 0 ? *m_currentPeriod : period;
    if (y < 1 || y > 9999 || p < 1 || p > 12) {
        throw tolm::HostError(tolm::err::InvalidProcedureCall,
                              Text("会计期间 %1 年第 %2 期无效。", {tolm::Variant(y), tolm::Variant(p)}), Source);
    }
    const std::chrono::year_month_day first{std::chrono::year{y}, std::chrono::month{static_cast<unsigned>(p)},
                                            std::chrono::day{1}};
    return tolm::Variant(std::chrono::sys_days{first});
}

}  // namespace hub
