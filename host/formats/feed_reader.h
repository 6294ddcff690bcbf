// Reference-rate files as central banks publish them, read into the rates they
// publish: the reference-rate XML (an envelope of Cube elements: one per day with a
// `time`, holding one per currency with a `rate`), its history CSV (a Date column
// and one column per currency, "N/A" where none was published), and a plain
// "date,currency,rate" CSV. Rates stay the decimal text the file wrote, so that
// whatever is worked out of them is worked out on the published decimal value, not
// on its nearest binary double.
//
// Self-contained: text, dates and expat only; no database, no session, no
// translations. Faults are told by kind and place; the caller puts them in words.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "tolm/variant.h"

namespace hub::feed {

enum class FeedFormat {
    EcbXml,  // units of each currency per euro, by day
    EcbCsv,  // the same, one row per day
    Csv,     // units of the company's home currency per unit of the currency
};

// "ecb-xml", "ecb-csv" or "csv"; nothing for another name.
std::optional<FeedFormat> FeedFormatNamed(std::string_view name);
const char* FeedFormatName(FeedFormat format);
// Whether the file's rates are units of a currency per euro (to be crossed into
// the home currency) rather than units of the home currency.
bool QuotesPerEuro(FeedFormat format);

// The format the content has, told from its first characters; nothing when it
// looks like none of them.
std::optional<FeedFormat> SniffFeedFormat(std::string_view content);

// One rate the file publishes.
struct PublishedRate {
    tolm::DateTime day{};
    std::string currency;  // the code as the file writes it, such as "USD"
    std::string rate;      // the decimal text as written, such as "1.0921"
};

class FeedError : public std::runtime_error {
public:
    enum class Fault {
        NotThisFormat,  // the content is not a file of the format asked for
        Malformed,      // it is, but broken off or damaged at `line`
        BadDate,        // `text` is no date written yyyy-MM-dd
        BadRate,        // `text` is no positive decimal number
        BadLine,        // a line has not the columns its format needs
        NoRates,        // well formed, but publishes no rate at all
    };
    FeedError(Fault fault, int64_t line, std::string text);
    Fault Kind() const { return m_fault; }
    // The line of the file (1 for the first); 0 when no line can be named.
    int64_t Line() const { return m_line; }
    const std::string& Text() const { return m_text; }

private:
    Fault m_fault;
    int64_t m_line;
    std::string m_text;
};

// Every rate the content publishes, in the order written; "N/A" and empty cells
// publish nothing. Raises FeedError for content that is not of `format` or holds a
// date or rate that cannot be read, and for one that publishes no rate at all.
std::vector<PublishedRate> ReadFeed(std::string_view content, FeedFormat format);

// A decimal number as written: `digits` / 10^scale.
struct Decimal {
    uint64_t digits = 0;
    int scale = 0;
};

// A plain decimal: digits with at most one point, no sign, no exponent, at most 18
// significant digits and 18 decimals; nothing for anything else.
std::optional<Decimal> ParseDecimal(std::string_view text);

// numerator / denominator, exact to the last kept place and rounded half away from
// zero to `places` decimals (0..18), as decimal text ("7.2315"; "7" for 0 places).
// Nothing when the denominator is 0.
std::optional<std::string> RoundedQuotient(Decimal numerator, Decimal denominator, int places);

}  // namespace hub::feed
