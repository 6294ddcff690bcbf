#include "model/rate_lookup.h"

#include <algorithm>
#include <chrono>
#include <string>

namespace hub {

using tolm::Variant;

namespace {

using std::chrono::days;

tolm::DateTime DayOf(tolm::DateTime moment) { return std::chrono::floor<days>(moment); }

// The enabled rate records of one type and currency; ?1 the type, ?2 the currency.
constexpr const char* EnabledPeriods =
    " FROM t_ExchangeRateEntry e JOIN t_ExchangeRate h ON h.FID = e.FID AND h.FIsNativeRate <> 1"
    " WHERE e.FExchangeRateType = ?1 AND e.FCyTo = ?2 AND e.FDeleted = 0";

constexpr const char* PeriodColumns =
    "SELECT e.FID AS FID, e.FNumber AS FNumber, e.FExchangeRate AS FExchangeRate,"
    " e.FReverseExRate AS FReverseExRate, e.FBegDate AS FBegDate, e.FEndDate AS FEndDate,"
    " e.FChkUserID AS FChkUserID";

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
    const Variant auditor = rows.Field("FAuditorName");
    if (!auditor.IsNull()) period.auditorName = auditor.ToText();
    return period;
}

}  // namespace

RateOnDayRows FindRateOnDay(Database& db, int32_t typeId, int32_t currencyId, tolm::DateTime day) {
    // The last period to begin on or before the day holds it or is the nearest before
    // it; the first to begin after it is the nearest after. Two steps down one index.
    const std::string sql =
        std::string("SELECT p.FSide AS FSide, p.FID AS FID, p.FNumber AS FNumber, p.FExchangeRate AS FExchangeRate,"
                    " p.FReverseExRate AS FReverseExRate, p.FBegDate AS FBegDate, p.FEndDate AS FEndDate,"
                    " p.FChkUserID AS FChkUserID, u.FName AS FAuditorName FROM (") +
        "SELECT 0 AS FSide, latest.* FROM (" + PeriodColumns + EnabledPeriods +
        " AND e.FBegDate <= ?3 ORDER BY e.FBegDate DESC LIMIT 1) AS latest"
        " UNION ALL SELECT 1 AS FSide, following.* FROM (" + PeriodColumns + EnabledPeriods +
        " AND e.FBegDate > ?3 ORDER BY e.FBegDate LIMIT 1) AS following"
        ") AS p LEFT JOIN t_User u ON u.FUserID = p.FChkUserID AND p.FChkUserID <> 0"
        " ORDER BY p.FSide";
    const tolm::DateTime wanted = DayOf(day);
    auto rows = db.Query(sql, {Variant(typeId), Variant(currencyId), Variant(wanted)});
    RateOnDayRows answer;
    for (; !rows->IsEOF(); rows->MoveNext()) {
        tolm::ExRatePeriod period = ReadPeriod(*rows);
        if (rows->Field("FSide").ToLong() == 1) {
            answer.after = std::move(period);
        } else if (period.end >= wanted) {
            answer.valid = std::move(period);
        } else {
            answer.before = std::move(period);
        }
    }
    // Once a rate holds the day, what lies around it is no part of the answer.
    if (answer.valid) answer.after.reset();
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
    // For each currency the period holding `from` (or the last before it, which the
    // outer condition drops) and then those beginning inside the range.
    const std::string sql =
        "SELECT e.FCyTo AS FCyTo, e.FBegDate AS FBegDate, e.FEndDate AS FEndDate, e.FChkUserID AS FChkUserID"
        " FROM t_ExchangeRateEntry e JOIN t_ExchangeRate h ON h.FID = e.FID AND h.FIsNativeRate <> 1"
        " WHERE e.FExchangeRateType = ?1 AND e.FDeleted = 0 AND e.FCyTo IN (" + idList + ")"
        " AND e.FBegDate > ?2 AND e.FBegDate <= ?3"
        " UNION ALL"
        " SELECT e.FCyTo, e.FBegDate, e.FEndDate, e.FChkUserID FROM t_ExchangeRateEntry e"
        " WHERE e.FEndDate >= ?2 AND e.FID IN (SELECT (SELECT p.FID FROM t_ExchangeRateEntry p"
        "   JOIN t_ExchangeRate ph ON ph.FID = p.FID AND ph.FIsNativeRate <> 1"
        "   WHERE p.FExchangeRateType = ?1 AND p.FCyTo = c.FCurrencyID AND p.FDeleted = 0 AND p.FBegDate <= ?2"
        "   ORDER BY p.FBegDate DESC LIMIT 1)"
        "  FROM t_Currency c WHERE c.FCurrencyID IN (" + idList + "))"
        " ORDER BY 1, 2";
    auto rows = db.Query(sql, params);
    std::vector<CoveredPeriod> periods;
    for (; !rows->IsEOF(); rows->MoveNext()) {
        periods.push_back(CoveredPeriod{rows->Field("FCyTo").ToLong(), DayOf(rows->Field("FBegDate").ToDate()),
                                        DayOf(rows->Field("FEndDate").ToDate()),
                                        rows->Field("FChkUserID").ToLong() != 0});
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
