#include "windows/rate_history.h"

#include <algorithm>
#include <map>
#include <utility>

#include "model/user_store.h"
#include "services/security_info.h"
#include "tolm/base_data.h"
#include "tolm/registry.h"

namespace hub {
namespace {

tolm::DateTime DayOf(tolm::DateTime moment) { return std::chrono::floor<std::chrono::days>(moment); }

std::vector<HistoryStep> StepsOf(const std::vector<CoveredPeriod>& periods, tolm::DateTime from, tolm::DateTime to) {
    std::vector<HistoryStep> steps;
    for (const CoveredPeriod& period : periods) {
        if (period.end < from || period.begin > to) continue;
        steps.push_back(HistoryStep{period.rateId, period.number, period.rate, std::max(period.begin, from),
                                    std::min(period.end, to), period.audited, period.begin < from, period.end > to});
    }
    return steps;
}

}  // namespace

HistorySeries SeriesOf(int32_t currencyId, std::string currency, const std::vector<CoveredPeriod>& periods,
                       tolm::DateTime from, tolm::DateTime to) {
    from = DayOf(from);
    to = DayOf(to);
    DayCoverage days = CoverageOf(periods, from, to);
    return HistorySeries{currencyId, std::move(currency), StepsOf(periods, from, to), std::move(days.gaps),
                         std::move(days.unaudited)};
}

RateHistory::RateHistory(std::shared_ptr<Session> session) : m_session(std::move(session)) {
    RequireRight(*m_session, rights::BaseDataSubsystem, rights::BaseDataObject, rights::View, "用户 %1 无权查看汇率。");
}

std::vector<TypeRow> RateHistory::Types() const { return ListTypes(*m_session->Db()); }

std::vector<CurrencyChoice> RateHistory::Currencies() const { return RatedCurrencies(); }

std::vector<CurrencyChoice> RatedCurrencies() {
    // The ledger's currency set, as every other part of the host asks for it.
    auto rows = tolm::CreateObject<tolm::IGlData>(tolm::classname::GlData)->CurrencySet()->Recordset();
    std::vector<CurrencyChoice> currencies;
    for (rows->MoveFirst(); !rows->IsEOF(); rows->MoveNext()) {
        const int32_t id = rows->Field("FCurrencyID").ToLong();
        if (id == tolm::HomeCurrencyId) continue;
        currencies.push_back({id, rows->Field("FNumber").ToText(), rows->Field("FName").ToText()});
    }
    return currencies;
}

std::vector<HistorySeries> RateHistory::Series(int32_t typeId, const std::vector<int32_t>& currencyIds,
                                               tolm::DateTime from, tolm::DateTime to) const {
    std::map<int32_t, std::vector<CoveredPeriod>> periodsOf;
    for (CoveredPeriod& period : PeriodsMeeting(*m_session->Db(), typeId, currencyIds, DayOf(from), DayOf(to))) {
        periodsOf[period.currencyId].push_back(std::move(period));
    }
    std::map<int32_t, std::string> codes;
    for (const CurrencyChoice& currency : Currencies()) codes[currency.id] = currency.number;
    std::vector<HistorySeries> series;
    for (int32_t id : currencyIds) series.push_back(SeriesOf(id, codes[id], periodsOf[id], from, to));
    return series;
}

std::vector<HistorySeries> RateHistory::Coverage(int32_t typeId, tolm::DateTime from, tolm::DateTime to,
                                                 const std::vector<int32_t>& currencyIds) const {
    auto lookup = tolm::CreateObject<tolm::IExRateLookup>(tolm::classname::ExRateLookup);
    const std::vector<tolm::ExRateCoverage> coverage =
        lookup->Coverage(m_session->PropsString(), typeId, from, to, currencyIds);
    std::vector<int32_t> ids;
    for (const tolm::ExRateCoverage& currency : coverage) ids.push_back(currency.currencyId);
    std::map<int32_t, std::vector<CoveredPeriod>> periodsOf;
    for (CoveredPeriod& period : PeriodsMeeting(*m_session->Db(), typeId, ids, DayOf(from), DayOf(to))) {
        periodsOf[period.currencyId].push_back(std::move(period));
    }
    std::vector<HistorySeries> rows;
    for (const tolm::ExRateCoverage& currency : coverage) {
        rows.push_back(HistorySeries{currency.currencyId, currency.currencyNumber,
                                     StepsOf(periodsOf[currency.currencyId], DayOf(from), DayOf(to)), currency.gaps,
                                     currency.unaudited});
    }
    return rows;
}

tolm::ExRateOnDay RateHistory::RateOnDay(int32_t typeId, int32_t currencyId, tolm::DateTime day, bool audited) const {
    auto lookup = tolm::CreateObject<tolm::IExRateLookup>(tolm::classname::ExRateLookup);
    return lookup->RateOnDay(m_session->PropsString(), typeId, currencyId, day, audited);
}

}  // namespace hub
