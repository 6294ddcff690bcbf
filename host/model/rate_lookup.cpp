#include "model/rate_lookup.h"

#include <algorithm>
#include <chrono>
#include <string>

namespace hub {

using tolm::Variant;

namespace {

using std::chrono::days;

tolm::DateTime DayOf(tolm::DateTime moment) { return std::chrono::floor<days>(moment); }

// The enabled periods of one type and currency; ?1 the type, ?2 the currency. A rate
// is disabled on its header row.
constexpr const char* EnabledPeriods =
    " FROM t_ExchangeRateEntry e JOIN t_ExchangeRate h ON h.FID = e.FID AND h.FDeleted = 0"
    " WHERE e.FExchangeRateType = ?1 AND e.FCyTo = ?2";

constexpr const char* PeriodColumns =
    "SELECT e.FID, e.FNumber, e.FExchangeRate, e.FReverseExRate, e.FBegDate, e.FEndDate, e.FChkUserID";

tolm::ExRatePeriod ReadPeriod(const tolm::MemoryRecordset& rows) {
    tolm::ExRatePeriod period;
    period.id = rows.Field("FID").ToLong();
    period.number = rows.Field("FNumber").ToText();
    period.rate = rows.Field("FExchangeRate").ToDouble();
    const Variant reverse = rows.Field("FReverseExRate");
    if (!reverse.IsNull()) period.reverseRate = reverse.ToDouble();
    period.begin = DayOf(rows.Field("FBegDate").ToDate());
    period.end = DayOf(rows.Field("FEndDate").ToDate());
    period.auditorId = rows.Field("FChkUserID").ToLong();
    return period;
}

}  // namespace

RateOnDayRows FindRateOnDay(Database& db, int32_t typeId, int32_t currencyId, tolm::DateTime day) {
    const tolm::DateTime wanted = DayOf(day);
    const Params params{Variant(typeId), Variant(currencyId), Variant(wanted)};
    // The last period to begin on or before the day holds it or is the nearest before
    // it: a posting's question is this one step down the index.
    RateOnDayRows answer;
    // Composed once: a lookup costs little more than the text's hashing.
    static const std::string latestQuery =
        std::string(PeriodColumns) + EnabledPeriods + " AND e.FBegDate <= ?3 ORDER BY e.FBegDate DESC LIMIT 1";
    static const std::string followingQuery =
        std::string(PeriodColumns) + EnabledPeriods + " AND e.FBegDate > ?3 ORDER BY e.FBegDate LIMIT 1";
    auto latest = db.Query(latestQuery, params);
    if (!latest->IsEOF()) {
        tolm::ExRatePeriod period = ReadPeriod(*latest);
        if (period.end >= wanted) {
            answer.valid = std::move(period);
            return answer;
        }
        answer.before = std::move(period);
    }
    // Only a day without a rate needs the nearest period after it: one more step.
    auto following = db.Query(followingQuery, params);
    if (!following->IsEOF()) answer.after = ReadPeriod(*following);
    return answer;
}

std::vector<CoveredPeriod> PeriodsMeeting(Database& db, int32_t typeId, const std::vector<int32_t>& currencyIds,
                                          tolm::DateTime from, tolm::DateTime to) {
    if (currencyIds.empty()) return {};
    std::string idList;
    Params params{Variant(typeId), Variant(DayOf(from)), Variant(DayOf(to))};
    for (int32_t id : currencyIds) {
        params.emplace_back(id);
        idList += (idList.empty() ? "?" : ", ?") + std::to_string(params.size());
    }
    // For each currency, from the first day of the period holding `from` (found by a
    // step down the index) to `to`: a range of the index, never the history before.
    const std::string sql =
        "SELECT e.FCyTo AS FCyTo, e.FBegDate AS FBegDate, e.FEndDate AS FEndDate, e.FChkUserID AS FChkUserID,"
        " e.FID AS FID, e.FNumber AS FNumber, e.FExchangeRate AS FExchangeRate"
        " FROM t_Currency c JOIN t_ExchangeRateEntry e"
        " ON e.FExchangeRateType = ?1 AND e.FCyTo = c.FCurrencyID AND e.FBegDate <= ?3"
        " AND e.FBegDate >= COALESCE((SELECT p.FBegDate FROM t_ExchangeRateEntry p"
        "   JOIN t_ExchangeRate ph ON ph.FID = p.FID AND ph.FDeleted = 0"
        "   WHERE p.FExchangeRateType = ?1 AND p.FCyTo = c.FCurrencyID AND p.FBegDate <= ?2"
        "   ORDER BY p.FBegDate DESC LIMIT 1), ?2)"
        " JOIN t_ExchangeRate h ON h.FID = e.FID AND h.FDeleted = 0"
        " WHERE c.FCurrencyID IN (" + idList + ") AND e.FEndDate >= ?2"
        " ORDER BY e.FCyTo, e.FBegDate";
    auto rows = db.Query(sql, params);
    std::vector<CoveredPeriod> periods;
    for (; !rows->IsEOF(); rows->MoveNext()) {
        periods.push_back(CoveredPeriod{rows->Field("FCyTo").ToLong(), DayOf(rows->Field("FBegDate").ToDate()),
                                        DayOf(rows->Field("FEndDate").ToDate()),
                                        rows->Field("FChkUserID").ToLong() != 0, rows->Field("FID").ToLong(),
                                        rows->Field("FNumber").ToText(), rows->Field("FExchangeRate").ToDouble()});
    }
    return periods;
}

DayCoverage CoverageOf(const std::vector<CoveredPeriod>& periods, tolm::DateTime from, tolm::DateTime to) {
    DayCoverage coverage;
    const tolm::DateTime last = DayOf(to);
    tolm::DateTime next = DayOf(from);  // the first day not yet accounted for
    for (const CoveredPeriod& period : periods) {
        const tolm::DateTime begin = std::max(period.begin, next);
        const tolm::DateTime end = std::min(period.end, last);
        if (begin > end) continue;
        if (begin > next) coverage.gaps.push_back({next, begin - days(1)});
        if (!period.audited) {
            // Unaudited periods that follow each other are one run of days.
            if (!coverage.unaudited.empty() && coverage.unaudited.back().last + days(1) == begin) {
                coverage.unaudited.back().last = end;
            } else {
                coverage.unaudited.push_back({begin, end});
            }
        }
        next = end + days(1);
    }
    if (next <= last) coverage.gaps.push_back({next, last});
    return coverage;
}

}  // namespace hub
