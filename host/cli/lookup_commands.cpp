// rate at, coverage: the rate valid on a day and the days without one, as a posting
// or a month-end script asks for them. Both ask the host's lookup service
// (HubBaseData.CExRateLookup) and the ledger's currency set, as any other part of
// the host would; "no rate" ends the command with exit status 1 and never turns
// into some other rate.
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/command_registry.h"
#include "cli/command_rights.h"
#include "cli/record_output.h"
#include "i18n/catalogue.h"
#include "model/user_store.h"
#include "tolm/components.h"
#include "tolm/host_error.h"
#include "tolm/registry.h"
#include "tolm/text.h"

namespace hub::cli {
namespace {

constexpr const char* Source = "tolm";

[[noreturn]] void Refuse(const CommandContext& context, const char* chineseTemplate, const tolm::VariantArray& values) {
    throw tolm::HostError(tolm::err::Refused, TranslateFormat(context.Language(), chineseTemplate, values), Source);
}

std::string DayText(tolm::DateTime day) { return tolm::FormatDateText(day); }

// A day written yyyy-MM-dd, nothing else.
tolm::DateTime ReadDay(const CommandContext& context, const std::string& text) {
    const std::optional<tolm::DateTime> day = tolm::ParseDate(text, tolm::DateForm::Stored);
    if (!day || DayText(*day) != text) Refuse(context, "“%1”不是yyyy-MM-dd格式的日期。", {tolm::Variant(text)});
    return *day;
}

void RequireViewRight(CommandContext& context) {
    RequireRight(context, rights::BaseDataSubsystem, rights::BaseDataObject, rights::View, "用户 %1 无权查看汇率。");
}

struct Currency {
    int32_t id = 0;
    std::string number;
};

// The currencies with these codes in the ledger's currency set, letter case ignored.
std::vector<Currency> CurrenciesByCode(const CommandContext& context, const std::vector<std::string>& codes) {
    auto set = tolm::CreateObject<tolm::IGlData>(tolm::classname::GlData)->CurrencySet()->Recordset();
    std::vector<Currency> found;
    for (const std::string& code : codes) {
        std::optional<Currency> match;
        for (set->MoveFirst(); !set->IsEOF() && !match; set->MoveNext()) {
            const std::string number = set->Field("FNumber").ToText();
            if (tolm::text::EqualsNoCase(number, code)) match = Currency{set->Field("FCurrencyID").ToLong(), number};
        }
        if (!match) Refuse(context, "币别代码%1不存在。", {tolm::Variant(code)});
        found.push_back(*match);
    }
    return found;
}

// ---- rate at ------------------------------------------------------------------------------------

struct RateAtInput {
    int32_t typeId = 0;
    std::string currency;
    std::string date;
    bool audited = false;
};

nlohmann::ordered_json PeriodJson(const tolm::ExRatePeriod& period) {
    return {{"FID", period.id},
            {"FNumber", period.number},
            {"FExchangeRate", period.rate},
            {"FReverseExRate", period.reverseRate ? nlohmann::ordered_json(*period.reverseRate) : nlohmann::ordered_json()},
            {"FBegDate", DayText(period.begin)},
            {"FEndDate", DayText(period.end)},
            {"FChkUserID", period.auditorId}};
}

nlohmann::ordered_json OptionalPeriodJson(const std::optional<tolm::ExRatePeriod>& period) {
    return period ? PeriodJson(*period) : nlohmann::ordered_json();
}

void PrintRate(std::ostream& out, const std::string& language, const tolm::ExRatePeriod& rate) {
    const std::string reverse =
        rate.reverseRate ? ValueToText(tolm::Variant(*rate.reverseRate)) : Translate(language, "未设置");
    PrintFields(out, "",
                {{Translate(language, "代码："), rate.number},
                 {Translate(language, "汇率："),
                  TranslateFormat(language, "%1（反向汇率：%2）", {ValueToText(tolm::Variant(rate.rate)), reverse})},
                 {Translate(language, "生效日期："), DayText(rate.begin)},
                 {Translate(language, "失效日期："), DayText(rate.end)},
                 {Translate(language, "审核状态："),
                  Translate(language, rate.auditorId == 0 ? "未审核" : "已审核")}});
}

int RateAt(CommandContext& context, const RateAtInput& input) {
    RequireViewRight(context);
    const tolm::DateTime day = ReadDay(context, input.date);
    const Currency currency = CurrenciesByCode(context, {input.currency}).front();
    auto lookup = tolm::CreateObject<tolm::IExRateLookup>(tolm::classname::ExRateLookup);
    const tolm::ExRateOnDay answer =
        lookup->RateOnDay(context.OpenSession()->PropsString(), input.typeId, currency.id, day, input.audited);
    const bool valid = answer.outcome == tolm::ExRateOnDay::Outcome::Valid;

    if (context.Json()) {
        PrintJson(context.Out(), {{"FExchangeRateType", input.typeId},
                                  {"FCyTo", currency.id},
                                  {"FCurrencyNumber", currency.number},
                                  {"FDate", DayText(day)},
                                  {"valid", valid},
                                  {"rate", OptionalPeriodJson(answer.rate)},
                                  {"before", OptionalPeriodJson(answer.before)},
                                  {"after", OptionalPeriodJson(answer.after)},
                                  {"message", valid ? nlohmann::ordered_json() : nlohmann::ordered_json(answer.message)}});
    } else if (answer.rate) {
        PrintRate(context.Out(), context.Language(), *answer.rate);
    }
    if (!valid) context.Err() << "tolm: " << answer.message << "\n";
    return valid ? 0 : 1;
}

// ---- coverage -----------------------------------------------------------------------------------

struct CoverageInput {
    int32_t typeId = 0;
    std::string from;
    std::string to;
    std::vector<std::string> currencies;
};

nlohmann::ordered_json RangesJson(const std::vector<tolm::DayRange>& ranges) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const tolm::DayRange& range : ranges) list.push_back({{"from", DayText(range.first)}, {"to", DayText(range.last)}});
    return list;
}

std::string RangeText(const std::string& language, const tolm::DayRange& range) {
    if (range.first == range.last) return DayText(range.first);
    return TranslateFormat(language, "%1至%2", {DayText(range.first), DayText(range.last)});
}

int ShowCoverage(CommandContext& context, const CoverageInput& input) {
    RequireViewRight(context);
    const tolm::DateTime from = ReadDay(context, input.from);
    const tolm::DateTime to = ReadDay(context, input.to);
    std::vector<int32_t> ids;
    for (const Currency& currency : CurrenciesByCode(context, input.currencies)) ids.push_back(currency.id);
    auto lookup = tolm::CreateObject<tolm::IExRateLookup>(tolm::classname::ExRateLookup);
    const std::vector<tolm::ExRateCoverage> coverage =
        lookup->Coverage(context.OpenSession()->PropsString(), input.typeId, from, to, ids);

    bool gaps = false;
    for (const tolm::ExRateCoverage& currency : coverage) gaps = gaps || !currency.gaps.empty();

    const std::string& language = context.Language();
    if (context.Json()) {
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (const tolm::ExRateCoverage& currency : coverage) {
            list.push_back({{"FCurrencyID", currency.currencyId},
                            {"FCurrencyNumber", currency.currencyNumber},
                            {"gaps", RangesJson(currency.gaps)},
                            {"unaudited", RangesJson(currency.unaudited)}});
        }
        PrintJson(context.Out(), list);
    } else {
        std::vector<std::vector<std::string>> table{
            {Translate(language, "币别"), Translate(language, "日期"), Translate(language, "情况")}};
        for (const tolm::ExRateCoverage& currency : coverage) {
            for (const tolm::DayRange& gap : currency.gaps) {
                table.push_back({currency.currencyNumber, RangeText(language, gap), Translate(language, "没有有效汇率")});
            }
            for (const tolm::DayRange& days : currency.unaudited) {
                table.push_back(
                    {currency.currencyNumber, RangeText(language, days), Translate(language, "仅有未审核的汇率")});
            }
        }
        if (table.size() > 1) PrintTable(context.Out(), table);
        if (!gaps) {
            context.Out() << TranslateFormat(language, "%1至%2每天都有有效汇率。", {DayText(from), DayText(to)})
                          << "\n";
        }
    }
    if (gaps) context.Err() << "tolm: " << Translate(language, "有的币别在某些日期没有有效汇率。") << "\n";
    return gaps ? 1 : 0;
}

}  // namespace

void AddRateAtCommand(CommandSet& commands) {
    auto at = std::make_shared<RateAtInput>();
    CLI::App* rateAt = commands.AddUnder("rate", "at", "The rate valid on a day; exit status 1 when there is none",
                                         [at](CommandContext& context) { return RateAt(context, *at); });
    if (rateAt == nullptr) return;
    rateAt->add_option("--type", at->typeId, "The id of the exchange-rate type")->required();
    rateAt->add_option("--currency", at->currency, "The currency's code, such as USD")->required();
    rateAt->add_option("--date", at->date, "The day, yyyy-MM-dd")->required();
    rateAt->add_flag("--audited", at->audited, "Accept only an audited rate");
    commands.OnlyReads(*rateAt);
}

void AddCoverageCommand(CommandSet& commands) {
    auto range = std::make_shared<CoverageInput>();
    CLI::App& coverage =
        commands.Add("coverage", "The days of a range without a valid rate; exit status 1 when there are any",
                     [range](CommandContext& context) { return ShowCoverage(context, *range); });
    coverage.add_option("--type", range->typeId, "The id of the exchange-rate type")->required();
    coverage.add_option("--from", range->from, "The first day, yyyy-MM-dd")->required();
    coverage.add_option("--to", range->to, "The last day, yyyy-MM-dd")->required();
    coverage.add_option("--currency", range->currencies,
                        "Only these currencies (codes; the ledger's currency set when not given)");
    commands.OnlyReads(coverage);
}

}  // namespace hub::cli
