#include "formats/feed_reader.h"

#include <algorithm>

#include <expat.h>

#include "base/text_util.h"

namespace hub::feed {

namespace {

// Wide enough for 18 digits scaled by 10^18 and one more decimal place.
__extension__ typedef unsigned __int128 Wide;

constexpr std::string_view Utf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view NotPublished = "N/A";

std::string_view WithoutBom(std::string_view content) {
    if (content.substr(0, Utf8Bom.size()) == Utf8Bom) content.remove_prefix(Utf8Bom.size());
    return content;
}

std::optional<tolm::DateTime> DayOf(std::string_view text) {
    const std::optional<tolm::DateTime> day = tolm::ParseDate(text, tolm::DateForm::Stored);
    if (!day || tolm::FormatDateText(*day) != text) return std::nullopt;
    return day;
}

tolm::DateTime RequireDay(std::string_view text, int64_t line) {
    const std::optional<tolm::DateTime> day = DayOf(text);
    if (!day) throw FeedError(FeedError::Fault::BadDate, line, std::string(text));
    return *day;
}

std::string RequireRate(std::string_view text, int64_t line) {
    const std::optional<Decimal> rate = ParseDecimal(text);
    if (!rate || rate->digits == 0) throw FeedError(FeedError::Fault::BadRate, line, std::string(text));
    return std::string(text);
}

// The cells of one CSV line, blanks and enclosing double quotes taken off. The
// files read here never quote a comma.
std::vector<std::string_view> Cells(std::string_view line) {
    std::vector<std::string_view> cells;
    for (size_t start = 0;;) {
        const size_t comma = line.find(',', start);
        std::string_view cell = Trim(line.substr(start, comma == std::string_view::npos ? line.npos : comma - start));
        if (cell.size() >= 2 && cell.front() == '"' && cell.back() == '"') cell = Trim(cell.substr(1, cell.size() - 2));
        cells.push_back(cell);
        if (comma == std::string_view::npos) return cells;
        start = comma + 1;
    }
}

// Calls `onLine` with each line that is not blank and its number.
template <typename OnLine>
void ForEachLine(std::string_view content, OnLine onLine) {
    int64_t number = 0;
    while (!content.empty()) {
        const size_t end = content.find('\n');
        std::string_view line = content.substr(0, end);
        content.remove_prefix(end == std::string_view::npos ? content.size() : end + 1);
        ++number;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!IsBlank(line)) onLine(line, number);
    }
}

std::string_view FirstLine(std::string_view content) {
    content = WithoutBom(content);
    while (!content.empty() && (content.front() == '\n' || content.front() == '\r' || IsBlank(content.front()))) {
        content.remove_prefix(1);
    }
    const size_t end = content.find_first_of("\r\n");
    return content.substr(0, end);
}

bool IsPlainCsvHeading(const std::vector<std::string_view>& cells) {
    return cells.size() == 3 && EqualsNoCase(cells[0], "date") && EqualsNoCase(cells[1], "currency") &&
           EqualsNoCase(cells[2], "rate");
}

// ---- the reference-rate XML -------------------------------------------------------------------

std::string_view LocalName(const XML_Char* name) {
    std::string_view text(name);
    const size_t colon = text.rfind(':');
    return colon == std::string_view::npos ? text : text.substr(colon + 1);
}

struct XmlReading {
    XML_Parser parser = nullptr;
    bool rootSeen = false;
    std::optional<tolm::DateTime> day;  // of the day's Cube being read
    int depthInDay = 0;
    std::vector<PublishedRate> rates;
    std::optional<FeedError> fault;

    int64_t Line() const { return static_cast<int64_t>(XML_GetCurrentLineNumber(parser)); }
    void Stop(FeedError error) {
        if (!fault) fault = std::move(error);
        XML_StopParser(parser, XML_FALSE);
    }
};

const XML_Char* Attribute(const XML_Char** attributes, std::string_view name) {
    for (const XML_Char** a = attributes; a[0] != nullptr; a += 2) {
        if (LocalName(a[0]) == name) return a[1];
    }
    return nullptr;
}

void XMLCALL StartElement(void* data, const XML_Char* name, const XML_Char** attributes) {
    auto& reading = *static_cast<XmlReading*>(data);
    if (reading.fault) return;
    if (!reading.rootSeen) {
        reading.rootSeen = true;
        if (LocalName(name) != "Envelope") reading.Stop(FeedError(FeedError::Fault::NotThisFormat, reading.Line(), name));
        return;
    }
    if (reading.day) ++reading.depthInDay;
    if (LocalName(name) != "Cube") return;
    if (const XML_Char* time = Attribute(attributes, "time")) {
        try {
            reading.day = RequireDay(time, reading.Line());
            reading.depthInDay = 0;
        } catch (FeedError& error) {
            reading.Stop(std::move(error));
        }
        return;
    }
    const XML_Char* currency = Attribute(attributes, "currency");
    const XML_Char* rate = Attribute(attributes, "rate");
    if (currency == nullptr && rate == nullptr) return;  // the envelope's outer Cube
    if (currency == nullptr || rate == nullptr || !reading.day || IsBlank(currency)) {
        reading.Stop(FeedError(FeedError::Fault::BadLine, reading.Line(), ""));
        return;
    }
    try {
        reading.rates.push_back(PublishedRate{*reading.day, Trimmed(currency), RequireRate(Trim(rate), reading.Line())});
    } catch (FeedError& error) {
        reading.Stop(std::move(error));
    }
}

void XMLCALL EndElement(void* data, const XML_Char*) {
    auto& reading = *static_cast<XmlReading*>(data);
    if (!reading.day) return;
    if (reading.depthInDay == 0) {
        reading.day.reset();
    } else {
        --reading.depthInDay;
    }
}

// A document type could declare entities that expand beyond any size limit; the
// published files have none.
void XMLCALL RefuseDoctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int) {
    auto& reading = *static_cast<XmlReading*>(data);
    reading.Stop(FeedError(FeedError::Fault::NotThisFormat, reading.Line(), "DOCTYPE"));
}

std::vector<PublishedRate> ReadEcbXml(std::string_view content) {
    XmlReading reading;
    reading.parser = XML_ParserCreate(nullptr);
    if (reading.parser == nullptr) throw std::bad_alloc();
    XML_SetUserData(reading.parser, &reading);
    XML_SetElementHandler(reading.parser, &StartElement, &EndElement);
    XML_SetStartDoctypeDeclHandler(reading.parser, &RefuseDoctype);
    bool parsed = true;
    // Fed in pieces that an int can count, however large the file.
    constexpr size_t Piece = 1 << 20;
    for (size_t offset = 0; parsed && !reading.fault;) {
        const size_t length = std::min(Piece, content.size() - offset);
        const bool last = offset + length == content.size();
        parsed = XML_Parse(reading.parser, content.data() + offset, static_cast<int>(length), last) == XML_STATUS_OK;
        offset += length;
        if (last) break;
    }
    const int64_t line = reading.Line();
    XML_ParserFree(reading.parser);
    if (reading.fault) throw *reading.fault;
    if (!parsed) {
        throw FeedError(reading.rootSeen ? FeedError::Fault::Malformed : FeedError::Fault::NotThisFormat, line, "");
    }
    if (!reading.rootSeen) throw FeedError(FeedError::Fault::NotThisFormat, 0, "");
    return std::move(reading.rates);
}

// ---- the history CSV ----------------------------------------------------------------------------

std::vector<PublishedRate> ReadEcbCsv(std::string_view content) {
    std::vector<std::string> currencies;
    std::vector<PublishedRate> rates;
    ForEachLine(WithoutBom(content), [&](std::string_view line, int64_t number) {
        const std::vector<std::string_view> cells = Cells(line);
        if (currencies.empty()) {
            // The heading: Date, then the currencies; the published file ends its
            // lines with a comma.
            size_t count = cells.size();
            while (count > 1 && cells[count - 1].empty()) --count;
            if (count < 2 || !EqualsNoCase(cells[0], "Date")) {
                throw FeedError(FeedError::Fault::NotThisFormat, number, std::string(line.substr(0, 40)));
            }
            for (size_t i = 1; i < count; ++i) {
                if (cells[i].empty()) throw FeedError(FeedError::Fault::BadLine, number, "");
                currencies.emplace_back(cells[i]);
            }
            return;
        }
        const tolm::DateTime day = RequireDay(cells[0], number);
        for (size_t i = 1; i < cells.size(); ++i) {
            if (cells[i].empty() || cells[i] == NotPublished) continue;
            if (i > currencies.size()) throw FeedError(FeedError::Fault::BadLine, number, std::string(cells[i]));
            rates.push_back(PublishedRate{day, currencies[i - 1], RequireRate(cells[i], number)});
        }
    });
    if (currencies.empty()) throw FeedError(FeedError::Fault::NotThisFormat, 0, "");
    return rates;
}

// ---- the plain CSV ------------------------------------------------------------------------------

std::vector<PublishedRate> ReadPlainCsv(std::string_view content) {
    std::vector<PublishedRate> rates;
    bool first = true;
    ForEachLine(WithoutBom(content), [&](std::string_view line, int64_t number) {
        const std::vector<std::string_view> cells = Cells(line);
        const bool heading = first && IsPlainCsvHeading(cells);
        if (first && !heading && (cells.size() != 3 || !DayOf(cells[0]))) {
            throw FeedError(FeedError::Fault::NotThisFormat, number, std::string(line.substr(0, 40)));
        }
        first = false;
        if (heading) return;
        if (cells.size() != 3 || cells[1].empty()) throw FeedError(FeedError::Fault::BadLine, number, "");
        rates.push_back(PublishedRate{RequireDay(cells[0], number), std::string(cells[1]), RequireRate(cells[2], number)});
    });
    if (first) throw FeedError(FeedError::Fault::NotThisFormat, 0, "");
    return rates;
}

std::string WideToText(Wide value) {
    std::string text;
    do {
        text.insert(text.begin(), static_cast<char>('0' + static_cast<int>(value % 10)));
        value /= 10;
    } while (value != 0);
    return text;
}

Wide PowerOfTen(int exponent) {
    Wide value = 1;
    for (int i = 0; i < exponent; ++i) value *= 10;
    return value;
}

}  // namespace

FeedError::FeedError(Fault fault, int64_t line, std::string text)
    : std::runtime_error("unreadable rate feed"), m_fault(fault), m_line(line), m_text(std::move(text)) {}

std::optional<FeedFormat> FeedFormatNamed(std::string_view name) {
    for (FeedFormat format : {FeedFormat::EcbXml, FeedFormat::EcbCsv, FeedFormat::Csv}) {
        if (name == FeedFormatName(format)) return format;
    }
    return std::nullopt;
}

const char* FeedFormatName(FeedFormat format) {
    switch (format) {
        case FeedFormat::EcbXml:
            return "ecb-xml";
        case FeedFormat::EcbCsv:
            return "ecb-csv";
        case FeedFormat::Csv:
            break;
    }
    return "csv";
}

bool QuotesPerEuro(FeedFormat format) { return format != FeedFormat::Csv; }

std::optional<FeedFormat> SniffFeedFormat(std::string_view content) {
    const std::string_view line = FirstLine(content);
    if (line.starts_with('<')) return FeedFormat::EcbXml;
    const std::vector<std::string_view> cells = Cells(line);
    if (IsPlainCsvHeading(cells) || (cells.size() == 3 && DayOf(cells[0]))) return FeedFormat::Csv;
    if (cells.size() >= 2 && EqualsNoCase(cells[0], "Date")) return FeedFormat::EcbCsv;
    return std::nullopt;
}

std::vector<PublishedRate> ReadFeed(std::string_view content, FeedFormat format) {
    std::vector<PublishedRate> rates;
    switch (format) {
        case FeedFormat::EcbXml:
            rates = ReadEcbXml(content);
            break;
        case FeedFormat::EcbCsv:
            rates = ReadEcbCsv(content);
            break;
        case FeedFormat::Csv:
            rates = ReadPlainCsv(content);
            break;
    }
    if (rates.empty()) throw FeedError(FeedError::Fault::NoRates, 0, "");
    return rates;
}

std::optional<Decimal> ParseDecimal(std::string_view text) {
    Decimal value;
    bool point = false;
    int significant = 0;
    bool anyDigit = false;
    for (char c : text) {
        if (c == '.' && !point) {
            point = true;
            continue;
        }
        if (c < '0' || c > '9') return std::nullopt;
        anyDigit = true;
        if (point) ++value.scale;
        if (value.digits != 0 || c != '0') ++significant;
        if (significant > 18 || value.scale > 18) return std::nullopt;
        value.digits = value.digits * 10 + static_cast<uint64_t>(c - '0');
    }
    if (!anyDigit) return std::nullopt;
    return value;
}

std::optional<std::string> RoundedQuotient(Decimal numerator, Decimal denominator, int places) {
    if (denominator.digits == 0 || places < 0 || places > 18) return std::nullopt;
    // (n / 10^a) / (d / 10^b) = (n * 10^b) / (d * 10^a): whole numbers, divided long-hand.
    const Wide dividend = static_cast<Wide>(numerator.digits) * PowerOfTen(denominator.scale);
    const Wide divisor = static_cast<Wide>(denominator.digits) * PowerOfTen(numerator.scale);
    Wide whole = dividend / divisor;
    Wide remainder = dividend % divisor;
    std::string fraction;
    for (int i = 0; i < places; ++i) {
        remainder *= 10;
        fraction.push_back(static_cast<char>('0' + static_cast<int>(remainder / divisor)));
        remainder %= divisor;
    }
    // The next digit decides: 5 and above is at least half way, which goes up.
    if (remainder * 10 / divisor >= 5) {
        size_t i = fraction.size();
        while (i > 0 && fraction[i - 1] == '9') fraction[--i] = '0';
        if (i == 0) {
            ++whole;
        } else {
            ++fraction[i - 1];
        }
    }
    std::string text = WideToText(whole);
    if (places > 0) text += "." + fraction;
    return text;
}

}  // namespace hub::feed
