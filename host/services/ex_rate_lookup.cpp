#include "services/ex_rate_lookup.h"

#include <chrono>
#include <map>
#include <optional>
#include <set>

#include "model/currency_store.h"
#include "model/rate_lookup.h"
#include "model/type_store.h"
#include "tolm/base_data.h"

namespace hub {

namespace {

std::string DayText(tolm::DateTime day) { return tolm::FormatDateText(day); }

}  // namespace

ExRateLookup::ExRateLookup(std::shared_ptr<Session> session) : ServiceComponent(std::move(session)) {}

void ExRateLookup::RequireType(int32_t typeId) const {
    if (!TypeExists(Db(), typeId)) Refuse("汇率类型%1不存在。", {tolm::Variant(typeId)});
}

std::string ExRateLookup::RequireRatedCurrency(int32_t currencyId) const {
    // Deleted currencies still answer: their old rates are still asked for.
    const std::optional<CurrencyRecord> currency = FindCurrency(Db(), currencyId);
    if (!currency) Refuse("币别%1不存在。", {tolm::Variant(currencyId)});
    if (currencyId == tolm::HomeCurrencyId) {
        Refuse("%1是本位币，没有汇率，请选择其它币别。", {tolm::Variant(currency->number)});
    }
    return currency->number;
}

std::string ExRateLookup::PeriodText(const tolm::ExRatePeriod& period) const {
    return Text("%1至%2", {tolm::Variant(DayText(period.begin)), tolm::Variant(DayText(period.end))});
}

tolm::ExRateOnDay ExRateLookup::RateOnDay(const std::string& props, int32_t lTypeID, int32_t lCurrencyID,
                                          tolm::DateTime dDate, bool bAudited) {
    RequireOwnProps(props);
    if (lCurrencyID == tolm::HomeCurrencyId) RequireRatedCurrency(lCurrencyID);
    const tolm::DateTime day = std::chrono::floor<std::chrono::days>(dDate);

    RateOnDayRows rows = FindRateOnDay(Db(), lTypeID, lCurrencyID, day);
    tolm::ExRateOnDay answer;
    if (rows.valid) {
        // A stored rate vouches for its type and currency: a posting's question costs
        // one statement.
        answer.rate = std::move(rows.valid);
        answer.outcome = tolm::ExRateOnDay::Outcome::Valid;
        if (bAudited && answer.rate->auditorId == 0) {
            answer.outcome = tolm::ExRateOnDay::Outcome::NotAudited;
            answer.message = Text("汇率%1（%2至%3）在%4有效，但尚未审核，请先审核。",
                                  {tolm::Variant(answer.rate->number), tolm::Variant(DayText(answer.rate->begin)),
                                   tolm::Variant(DayText(answer.rate->end)), tolm::Variant(DayText(day))});
        }
        return answer;
    }
    // No rate for a type or currency that does not exist is a mistake in the question.
    RequireType(lTypeID);
    const std::string currency = RequireRatedCurrency(lCurrencyID);
    answer.before = std::move(rows.before);
    answer.after = std::move(rows.after);
    const std::string none = Text("无");
    answer.message = Text("汇率类型%1下币别%2在%3没有有效汇率（之前最近：%4；之后最近：%5）。",
                          {tolm::Variant(lTypeID), tolm::Variant(currency), tolm::Variant(DayText(day)),
                           tolm::Variant(answer.before ? PeriodText(*answer.before) : none),
                           tolm::Variant(answer.after ? PeriodText(*answer.after) : none)});
    return answer;
}

std::vector<tolm::ExRateCoverage> ExRateLookup::Coverage(const std::string& props, int32_t lTypeID,
                                                         tolm::DateTime dFrom, tolm::DateTime dTo,
                                                         const std::vector<int32_t>& currencyIds) {
    RequireOwnProps(props);
    RequireType(lTypeID);
    const tolm::DateTime from = std::chrono::floor<std::chrono::days>(dFrom);
    const tolm::DateTime to = std::chrono::floor<std::chrono::days>(dTo);
    if (from > to) {
        Refuse("开始日期%1晚于结束日期%2，请调换。", {tolm::Variant(DayText(from)), tolm::Variant(DayText(to))});
    }

    // The ledger's currency set, as HubLedgerView.GlData hands it out, read once.
    std::map<int32_t, std::string> ledgerCurrencies;
    for (auto rows = CurrencyRows(Db()); !rows->IsEOF(); rows->MoveNext()) {
        ledgerCurrencies.emplace(rows->Field("FCurrencyID").ToLong(), rows->Field("FNumber").ToText());
    }
    std::vector<tolm::ExRateCoverage> coverage;
    if (currencyIds.empty()) {
        for (const auto& [id, number] : ledgerCurrencies) {
            if (id != tolm::HomeCurrencyId) coverage.push_back({id, number, {}, {}});
        }
    } else {
        std::set<int32_t> seen;
        for (int32_t id : currencyIds) {
            const auto found = ledgerCurrencies.find(id);
            if (found == ledgerCurrencies.end()) Refuse("币别%1不存在。", {tolm::Variant(id)});
            if (id == tolm::HomeCurrencyId) RequireRatedCurrency(id);
            if (seen.insert(id).second) coverage.push_back({id, found->second, {}, {}});
        }
    }

    std::vector<int32_t> ids;
    for (const tolm::ExRateCoverage& currency : coverage) ids.push_back(currency.currencyId);
    std::map<int32_t, std::vector<CoveredPeriod>> periodsOf;
    for (CoveredPeriod& period : PeriodsMeeting(Db(), lTypeID, ids, from, to)) {
        periodsOf[period.currencyId].push_back(period);
    }
    for (tolm::ExRateCoverage& currency : coverage) {
        DayCoverage days = CoverageOf(periodsOf[currency.currencyId], from, to);
        currency.gaps = std::move(days.gaps);
        currency.unaudited = std::move(days.unaudited);
    }
    return coverage;
}

}  // namespace hub
