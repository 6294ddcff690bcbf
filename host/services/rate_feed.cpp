#include "services/rate_feed.h"

#include <charconv>
#include <fstream>
#include <map>

#include "base/clock.h"
#include "formats/zip_single.h"
#include "i18n/catalogue.h"
#include "model/currency_store.h"
#include "model/log_store.h"
#include "model/rate_lookup.h"
#include "model/rate_naming.h"
#include "model/rate_transfer_store.h"
#include "model/type_store.h"
#include "services/rate_book.h"
#include "tolm/base_data.h"
#include "tolm/host_error.h"

namespace hub {

namespace {

constexpr const char* Source = "HubBaseData.RateFeed";
// The operation-log key of published rates taken in.
constexpr const char* FeedLogKey = "TolmHost_feedImport";
constexpr std::string_view Euro = "EUR";

using feed::Decimal;
using feed::FeedError;

// Day -> rate as published, for one currency.
using Series = std::map<tolm::DateTime, std::string>;

[[noreturn]] void Unreadable(const std::string& language, const char* chineseTemplate, const tolm::VariantArray& values) {
    throw tolm::HostError(tolm::err::PathFileAccess, TranslateFormat(language, chineseTemplate, values), Source);
}

// The one file of a zip archive; the content itself when it is no archive.
std::string Unpacked(const std::string& content, const std::string& source, const std::string& language,
                     size_t maxSize) {
    if (!formats::IsZip(content)) return content;
    try {
        return formats::UnpackSingle(content, maxSize);
    } catch (const formats::ZipError& error) {
        switch (error.Kind()) {
            case formats::ZipError::Fault::NotSingle:
                Unreadable(language, "压缩文件[%1]中应当只有一个汇率文件。", {source});
            case formats::ZipError::Fault::TooLarge:
                Unreadable(language, "[%1]解压后大于%2 MB，没有导入。", {source, static_cast<int32_t>(maxSize >> 20)});
            case formats::ZipError::Fault::Damaged:
                break;
        }
        Unreadable(language, "[%1]是损坏的zip压缩文件。", {source});
    }
}

// One currency's published days turned into periods.
struct Period {
    tolm::DateTime begin{};
    tolm::DateTime end{};
    std::string rate;  // rounded to the type's places; empty when it cannot be worked out
};

std::vector<Period> PeriodsOf(const Series& series, const std::optional<Series>& home, int digits) {
    std::vector<Period> periods;
    for (auto it = series.begin(); it != series.end(); ++it) {
        const auto next = std::next(it);
        const tolm::DateTime end = next == series.end() ? it->first : next->first - std::chrono::days{1};
        const std::optional<Decimal> value = feed::ParseDecimal(it->second);
        std::optional<std::string> rate;
        if (!home) {
            rate = feed::RoundedQuotient(*value, Decimal{1, 0}, digits);
        } else if (const auto homeRate = home->find(it->first); homeRate != home->end()) {
            rate = feed::RoundedQuotient(*feed::ParseDecimal(homeRate->second), *value, digits);
        } else {
            continue;  // no home rate that day: nothing to cross with, so nothing published
        }
        periods.push_back(Period{it->first, end, rate.value_or("")});
    }
    // A day dropped for want of a home rate leaves the day before it to run on.
    for (size_t i = 0; i + 1 < periods.size(); ++i) periods[i].end = periods[i + 1].begin - std::chrono::days{1};
    return periods;
}

double NumberOf(const std::string& text) {
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

}  // namespace

RateFeed::RateFeed(std::shared_ptr<Session> session) : ServiceComponent(std::move(session)) {}

FeedReport RateFeed::Import(const FeedRequest& request) const {
    FeedReport report;
    const auto event = [&] {
        const RateBook book(SharedSession());
        book.RequireSaveRight(true);
        const std::optional<TypeValues> type = FindType(Db(), request.typeId, 6);
        if (!type) Refuse("汇率类型%1不存在。", {request.typeId});

        const std::string content = Unpacked(request.content, request.source, Language(), MaxFeedSize);
        report.format = request.format ? request.format : feed::SniffFeedFormat(content);
        if (!report.format) Refuse("[%1]不是能识别的汇率文件：应当是中央银行的汇率XML或CSV文件，或“日期,币别,汇率”的CSV文件。", {request.source});
        std::vector<feed::PublishedRate> published;
        try {
            published = feed::ReadFeed(content, *report.format);
        } catch (const FeedError& error) {
            const tolm::Variant source(request.source);
            const tolm::Variant format(feed::FeedFormatName(*report.format));
            const tolm::Variant line(static_cast<double>(error.Line()));
            const tolm::Variant text(error.Text());
            switch (error.Kind()) {
                case FeedError::Fault::NotThisFormat:
                    Refuse("[%1]不是%2格式的汇率文件，没有导入。", {source, format});
                case FeedError::Fault::Malformed:
                    Refuse("[%1]在第%2行不完整或已损坏，没有导入。", {source, line});
                case FeedError::Fault::BadDate:
                    Refuse("[%1]第%2行的“%3”不是yyyy-MM-dd格式的日期，没有导入。", {source, line, text});
                case FeedError::Fault::BadRate:
                    Refuse("[%1]第%2行的“%3”不是大于0的数值，没有导入。", {source, line, text});
                case FeedError::Fault::BadLine:
                    Refuse("[%1]第%2行的列与文件格式不符，没有导入。", {source, line});
                case FeedError::Fault::NoRates:
                    break;
            }
            Refuse("[%1]中没有公布任何汇率。", {source});
        }

        std::map<std::string, Series> byCurrency;
        for (const feed::PublishedRate& rate : published) {
            const auto [at, added] = byCurrency[rate.currency].emplace(rate.day, rate.rate);
            if (!added && at->second != rate.rate) {
                Refuse("[%1]中%2在%3有两个不同的汇率，没有导入。",
                       {request.source, rate.currency, tolm::FormatDateText(rate.day)});
            }
        }
        const std::optional<CurrencyRecord> home = FindCurrency(Db(), tolm::HomeCurrencyId);
        if (!home) Refuse("币别%1不存在。", {tolm::HomeCurrencyId});
        std::optional<Series> homePerEuro;
        if (feed::QuotesPerEuro(*report.format)) {
            // Every published day is a day of the euro at 1 euro per euro.
            Series& euro = byCurrency[std::string(Euro)];
            for (const feed::PublishedRate& rate : published) euro.emplace(rate.day, "1");
            const auto found = byCurrency.find(home->number);
            if (found == byCurrency.end()) {
                Refuse("[%1]没有公布本位币%2的汇率，无法换算成本位币。", {request.source, home->number});
            }
            homePerEuro = found->second;
            byCurrency.erase(found);  // the home currency has no rate of its own
        }

        for (const auto& [code, series] : byCurrency) {
            const std::optional<CurrencyRecord> currency = FindCurrencyByCode(Db(), code);
            if (!currency) {
                report.skipped.push_back(code);
                continue;
            }
            for (const Period& period : PeriodsOf(series, homePerEuro, type->digits)) {
                FeedRate rate{currency->number, period.begin, period.end, period.rate, "", ""};
                const double value = NumberOf(period.rate);
                // In the editor's order and words.
                if (currency->id == tolm::HomeCurrencyId) {
                    rate.reason = Text("不允许录入本位币汇率，请选择其它币别。");
                } else if (period.rate.empty() || !IsStorableRate(value, type->digits)) {
                    rate.reason = Text("汇率值无效，请输入大于0的数值！");
                } else if (RateOverlaps(Db(), request.typeId, currency->id, period.begin, period.end)) {
                    const std::optional<tolm::ExRatePeriod> held =
                        FindRateOnDay(Db(), request.typeId, currency->id, period.begin).valid;
                    if (held && held->begin == period.begin && tolm::FormatFixed(held->rate, type->digits) ==
                                                                   tolm::FormatFixed(value, type->digits)) {
                        ++report.present;
                        continue;
                    }
                    rate.reason = Text("已存在同一汇率类型、同一币别、同一日期的汇率数据。");
                }
                if (!rate.reason.empty()) {
                    report.refused.push_back(std::move(rate));
                    continue;
                }
                const RateNaming naming =
                    ComposeRateNaming(type->number, type->name, currency->number, currency->name, period.begin);
                RateValues row;
                row.typeId = request.typeId;
                row.currencyId = currency->id;
                row.rate = value;
                row.reverseRate = ReverseRateOf(value, type->digits);
                row.begin = period.begin;
                row.end = period.end;
                row.number = naming.number;
                row.name = naming.name;
                book.SaveRate(row, 0, 0);
                rate.number = naming.number;
                report.stored.push_back(std::move(rate));
            }
        }
        if (report.stored.empty()) return true;
        TouchRateClass(Db());
        WriteLogRecord(Db(), LogRecord{LocalNow(), CurrentLogin().UserId(), FeedLogKey, 5,
                                       Text("导入公布汇率完成-文件：[%1] 新增：%2 已有：%3 未保存：%4 跳过币别：%5",
                                            {request.source, static_cast<double>(report.stored.size()),
                                             static_cast<double>(report.present),
                                             static_cast<double>(report.refused.size()),
                                             static_cast<double>(report.skipped.size())}),
                                       CurrentLogin().MachineName(), CurrentLogin().IpAddress()});
        return true;
    };
    report.outcome = RunUnitOfWork(CurrentLogin(), event, Text("导入公布汇率没有完成，没有保存任何汇率。"));
    if (report.outcome.kind != Outcome::Kind::Done) {
        // Nothing of it is stored: the report says only why.
        const Outcome outcome = report.outcome;
        report = FeedReport{};
        report.outcome = outcome;
    }
    return report;
}

std::string FeedReportText(const FeedReport& report, const std::string& language) {
    if (report.outcome.kind != Outcome::Kind::Done) return report.outcome.reason + "\n";
    std::string text;
    for (const std::string& code : report.skipped) {
        text += TranslateFormat(language, "跳过币别%1：公司没有这个币别。", {code}) + "\n";
    }
    for (const FeedRate& rate : report.refused) {
        const std::string days =
            rate.begin == rate.end
                ? tolm::FormatDateText(rate.begin)
                : TranslateFormat(language, "%1至%2", {tolm::FormatDateText(rate.begin), tolm::FormatDateText(rate.end)});
        text += TranslateFormat(language, "没有保存%1 %2 的汇率%3：%4", {rate.currency, days, rate.rate, rate.reason}) + "\n";
    }
    text += TranslateFormat(language, "新增汇率（未审核）：%1；已存在：%2；没有保存：%3；跳过的币别：%4。",
                            {static_cast<double>(report.stored.size()), static_cast<double>(report.present),
                             static_cast<double>(report.refused.size()), static_cast<double>(report.skipped.size())}) +
            "\n";
    if (report.stored.empty() && report.refused.empty()) {
        text += Translate(language, "文件中的汇率都已存在，没有保存任何汇率。") + "\n";
    }
    return text;
}

std::string ReadFeedFile(const std::filesystem::path& path, const std::string& language) {
    const tolm::Variant named(path.string());
    std::error_code error;
    if (!std::filesystem::exists(path, error)) Unreadable(language, "文件[%1]不存在：请检查文件名和所在的文件夹。", {named});
    if (!std::filesystem::is_regular_file(path, error)) Unreadable(language, "[%1]不是一个文件。", {named});
    const auto size = std::filesystem::file_size(path, error);
    if (!error && size > MaxFeedSize) {
        Unreadable(language, "文件[%1]大于%2 MB，没有导入。", {named, static_cast<int32_t>(MaxFeedSize >> 20)});
    }
    std::ifstream in(path, std::ios::binary);
    std::string content;
    if (in) content.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (!in && !in.eof()) Unreadable(language, "没有读取文件[%1]的权限：请检查文件的访问权限。", {named});
    if (error || in.bad()) Unreadable(language, "文件[%1]无法读取。", {named});
    return content;
}

}  // namespace hub
