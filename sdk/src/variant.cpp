#include "tolm/variant.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <system_error>

#include "tolm/text.h"

namespace tolm {

namespace {

namespace chr = std::chrono;

constexpr chr::sys_days SerialEpoch{chr::year{1899} / chr::December / 30};
constexpr int64_t SecondsPerDay = 86400;
// The calendar the host keeps: years 100 to 9999, as serial numbers.
constexpr int MinYear = 100;
constexpr int MaxYear = 9999;

[[noreturn]] void RaiseTypeMismatch() {
    throw HostError(err::TypeMismatch, "Type mismatch");
}
[[noreturn]] void RaiseOverflow() {
    throw HostError(err::Overflow, "Overflow");
}
[[noreturn]] void RaiseInvalidUseOfNull() {
    throw HostError(err::InvalidUseOfNull, "Invalid use of Null");
}
[[noreturn]] void RaiseInvalidCall(const char* what) {
    throw HostError(err::InvalidProcedureCall, std::string("Invalid procedure call or argument: ") + what);
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

// ---- numbers in text ---------------------------------------------------------------

// Length of the longest prefix of `text` that is an unsigned decimal number: digits
// with at most one point (at least one digit in all), then an exponent only when it
// is complete ("1e" is the number 1 followed by a letter). 0 when there is none.
size_t ScanUnsignedNumber(std::string_view text) {
    size_t pos = 0;
    size_t digits = 0;
    while (pos < text.size() && IsDigit(text[pos])) ++pos, ++digits;
    if (pos < text.size() && text[pos] == '.') {
        ++pos;
        while (pos < text.size() && IsDigit(text[pos])) ++pos, ++digits;
    }
    if (digits == 0) return 0;
    if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
        size_t exp = pos + 1;
        if (exp < text.size() && (text[exp] == '+' || text[exp] == '-')) ++exp;
        if (exp < text.size() && IsDigit(text[exp])) {
            while (exp < text.size() && IsDigit(text[exp])) ++exp;
            pos = exp;
        }
    }
    return pos;
}

// Whether a number that from_chars found out of range lies above the largest
// double (rather than below the smallest): the decimal exponent of its first
// significant digit decides.
bool IsAboveRange(std::string_view number) {
    size_t pos = 0;
    long intDigits = 0;
    long firstSignificant = -1;  // index among all mantissa digits
    long digitIndex = 0;
    bool inFraction = false;
    for (; pos < number.size(); ++pos) {
        char c = number[pos];
        if (c == '.') {
            inFraction = true;
            continue;
        }
        if (!IsDigit(c)) break;
        if (!inFraction) ++intDigits;
        if (c != '0' && firstSignificant < 0) firstSignificant = digitIndex;
        ++digitIndex;
    }
    if (firstSignificant < 0) return false;
    long exponent = 0;
    if (pos < number.size()) {  // 'e' or 'E'
        ++pos;
        bool negative = false;
        if (pos < number.size() && (number[pos] == '+' || number[pos] == '-')) negative = number[pos++] == '-';
        for (; pos < number.size(); ++pos) exponent = std::min(exponent * 10 + (number[pos] - '0'), 100000L);
        if (negative) exponent = -exponent;
    }
    return intDigits - 1 - firstSignificant + exponent >= 0;
}

// Converts an unsigned decimal number (as ScanUnsignedNumber accepts it).
double ConvertUnsigned(std::string_view number) {
    double value = 0;
    auto result = std::from_chars(number.data(), number.data() + number.size(), value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        if (IsAboveRange(number)) RaiseOverflow();
        return 0.0;
    }
    if (result.ec != std::errc()) RaiseTypeMismatch();
    return value;
}

bool ScanHex(std::string_view digits, double& value) {
    if (digits.empty()) return false;
    uint64_t bits = 0;
    for (char c : digits) {
        int nibble;
        if (IsDigit(c)) nibble = c - '0';
        else if (c >= 'a' && c <= 'f') nibble = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') nibble = c - 'A' + 10;
        else return false;
        bits = (bits << 4) | static_cast<uint64_t>(nibble);
        if (bits > 0xFFFFFFFFull) RaiseOverflow();
    }
    // Hex text is a 32-bit pattern: &HFFFFFFFF is -1.
    value = static_cast<double>(static_cast<int32_t>(static_cast<uint32_t>(bits)));
    return true;
}

// Reads numeric text as the conversions accept it; false when it is not numeric.
// Raises Overflow for a number beyond the range of a double.
bool ParseNumericText(std::string_view text, double& value) {
    text = TrimBlanks(text);
    if (text.size() >= 2 && text[0] == '&' && (text[1] == 'H' || text[1] == 'h')) {
        return ScanHex(text.substr(2), value);
    }
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    size_t length = ScanUnsignedNumber(text);
    if (length == 0 || length != text.size()) return false;
    double magnitude = ConvertUnsigned(text);
    value = negative ? -magnitude : magnitude;
    return true;
}

double NumericTextToDouble(std::string_view text) {
    double value = 0;
    if (!ParseNumericText(text, value)) RaiseTypeMismatch();
    return value;
}

template <class Int>
Int RoundToInteger(double value) {
    // Halves go to the even neighbour: nearbyint in the default rounding mode. The
    // range is checked on the rounded value, so 2147483647.5 (which rounds up to
    // 2147483648) overflows a Long.
    if (!std::isfinite(value)) RaiseOverflow();
    double rounded = std::nearbyint(value);
    if (rounded < static_cast<double>(std::numeric_limits<Int>::min()) ||
        rounded > static_cast<double>(std::numeric_limits<Int>::max())) {
        RaiseOverflow();
    }
    return static_cast<Int>(rounded);
}

// ---- decimal digits of a double ----------------------------------------------------

// A positive number as decimal digits: d0.d1d2... x 10^exponent.
struct DecimalDigits {
    std::string digits;
    int exponent = 0;
};

// Splits to_chars' scientific output "d[.ddd]e+XX".
DecimalDigits SplitScientific(const char* begin, const char* end) {
    DecimalDigits result;
    const char* p = begin;
    for (; p != end && *p != 'e'; ++p) {
        if (*p != '.') result.digits.push_back(*p);
    }
    if (p != end) {
        ++p;
        bool negative = *p == '-';
        ++p;
        int exponent = 0;
        std::from_chars(p, end, exponent);
        result.exponent = negative ? -exponent : exponent;
    }
    return result;
}

// The shortest decimal that reads back as the same double: the value a person
// typed, so that rounding judges 1.005 as 1.005 and not as 1.00499999999999989...
DecimalDigits ShortestDecimal(double magnitude) {
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific);
    return SplitScientific(buffer, result.ptr);
}

enum class HalfRule { AwayFromZero, ToEven };

// The digits of magnitude x 10^places rounded to an integer, without leading zeros.
std::string RoundedScaledDigits(double magnitude, int places, HalfRule rule) {
    if (magnitude == 0) return "0";
    DecimalDigits decimal = ShortestDecimal(magnitude);
    const long keep = static_cast<long>(decimal.exponent) + 1 + places;  // digits at or above 10^-places
    if (keep < 0) return "0";  // the first digit lies two places or more below the last kept one
    std::string kept;
    bool roundUp = false;
    if (keep >= static_cast<long>(decimal.digits.size())) {
        kept = decimal.digits + std::string(static_cast<size_t>(keep) - decimal.digits.size(), '0');
    } else {
        kept = decimal.digits.substr(0, static_cast<size_t>(keep));
        const char next = decimal.digits[static_cast<size_t>(keep)];
        // Shortest digits end in a non-zero digit, so anything after `next` means
        // the value lies above the half.
        const bool beyondHalf = static_cast<size_t>(keep) + 1 < decimal.digits.size();
        if (next > '5') {
            roundUp = true;
        } else if (next == '5') {
            if (rule == HalfRule::AwayFromZero || beyondHalf) {
                roundUp = true;
            } else {
                const int last = kept.empty() ? 0 : kept.back() - '0';
                roundUp = last % 2 == 1;
            }
        }
    }
    if (kept.empty()) kept = "0";
    if (roundUp) {
        size_t i = kept.size();
        while (i > 0) {
            --i;
            if (kept[i] == '9') {
                kept[i] = '0';
            } else {
                ++kept[i];
                break;
            }
            if (i == 0) kept.insert(kept.begin(), '1');
        }
    }
    const size_t firstNonZero = kept.find_first_not_of('0');
    if (firstNonZero == std::string::npos) return "0";
    return kept.substr(firstNonZero);
}

void CheckPlaces(int places) {
    // Enough for every digit a double can show after the point.
    if (places < 0 || places > 340) RaiseInvalidCall("number of decimal places");
}

// Up to 15 significant digits, plain between 1E-15 and 1E15, exponent form outside.
std::string DoubleToText(double value) {
    if (value == 0) return "0";  // also -0
    if (std::isnan(value)) RaiseOverflow();
    if (std::isinf(value)) RaiseOverflow();
    char buffer[64];
    auto result =
        std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::scientific, 14);
    DecimalDigits decimal = SplitScientific(buffer, result.ptr);
    while (decimal.digits.size() > 1 && decimal.digits.back() == '0') decimal.digits.pop_back();

    std::string text = value < 0 ? "-" : "";
    const std::string& digits = decimal.digits;
    const int exponent = decimal.exponent;
    if (exponent >= -15 && exponent <= 14) {
        if (exponent >= 0) {
            const size_t intDigits = static_cast<size_t>(exponent) + 1;
            if (digits.size() <= intDigits) {
                text += digits + std::string(intDigits - digits.size(), '0');
            } else {
                text += digits.substr(0, intDigits) + "." + digits.substr(intDigits);
            }
        } else {
            text += "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
        }
        return text;
    }
    text += digits.substr(0, 1);
    if (digits.size() > 1) text += "." + digits.substr(1);
    char exponentText[16];
    std::snprintf(exponentText, sizeof exponentText, "E%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
    return text + exponentText;
}

// ---- dates ---------------------------------------------------------------------------

bool YearInRange(chr::year year) {
    return static_cast<int>(year) >= MinYear && static_cast<int>(year) <= MaxYear;
}

// Dates are written for every bound parameter and exported cell, so the common
// case (a non-negative field) is written digit by digit rather than through printf.
void AppendPadded(std::string& text, long value, int width) {
    if (value < 0) {
        char buffer[24];
        std::snprintf(buffer, sizeof buffer, "%0*ld", width, value);
        text += buffer;
        return;
    }
    char digits[20];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    for (int pad = width - count; pad > 0; --pad) text += '0';
    while (count > 0) text += digits[--count];
}

// Reads 1 to maxDigits digits at pos; false when there is none.
bool ReadDigits(std::string_view text, size_t& pos, size_t minDigits, size_t maxDigits, unsigned& value) {
    size_t start = pos;
    value = 0;
    while (pos < text.size() && pos - start < maxDigits && IsDigit(text[pos])) {
        value = value * 10 + static_cast<unsigned>(text[pos] - '0');
        ++pos;
    }
    return pos - start >= minDigits && !(pos < text.size() && IsDigit(text[pos]));
}

}  // namespace

std::optional<DateTime> ParseDate(std::string_view text, DateForm form) {
    const bool stored = form == DateForm::Stored;
    if (form == DateForm::Any) text = TrimBlanks(text);
    // A day as the database stores it, which every form reads alike: read at once, as
    // it comes for each row of a large result.
    if (text.size() == 10 && text[4] == '-' && text[7] == '-') {
        const auto digit = [&](size_t i) { return static_cast<unsigned>(text[i] - '0'); };
        if (!(IsDigit(text[0]) && IsDigit(text[1]) && IsDigit(text[2]) && IsDigit(text[3]) && IsDigit(text[5]) &&
              IsDigit(text[6]) && IsDigit(text[8]) && IsDigit(text[9]))) {
            return std::nullopt;
        }
        const chr::year_month_day day{
            chr::year{static_cast<int>(digit(0) * 1000 + digit(1) * 100 + digit(2) * 10 + digit(3))},
            chr::month{digit(5) * 10 + digit(6)}, chr::day{digit(8) * 10 + digit(9)}};
        if (!day.ok() || !YearInRange(day.year())) return std::nullopt;
        return DateTime(chr::sys_days(day));
    }
    const size_t partDigits = stored ? 2 : 1;
    size_t pos = 0;
    unsigned year = 0, month = 0, day = 0;
    size_t digitRun = 0;
    while (digitRun < text.size() && IsDigit(text[digitRun])) ++digitRun;
    auto digitsAt = [&](size_t start, size_t count) {
        unsigned value = 0;
        for (size_t i = start; i < start + count; ++i) value = value * 10 + static_cast<unsigned>(text[i] - '0');
        return value;
    };
    if (digitRun == 8 && form == DateForm::Any) {
        year = digitsAt(0, 4);
        month = digitsAt(4, 2);
        day = digitsAt(6, 2);
        pos = 8;
    } else if (digitRun == 4) {
        year = digitsAt(0, 4);
        pos = 4;
        if (pos >= text.size() || (text[pos] != '-' && (stored || text[pos] != '/'))) return std::nullopt;
        const char separator = text[pos++];
        if (!ReadDigits(text, pos, partDigits, 2, month)) return std::nullopt;
        if (pos >= text.size() || text[pos] != separator) return std::nullopt;
        ++pos;
        if (!ReadDigits(text, pos, partDigits, 2, day)) return std::nullopt;
    } else {
        return std::nullopt;
    }
    const chr::year_month_day date{chr::year{static_cast<int>(year)}, chr::month{month}, chr::day{day}};
    if (!date.ok() || !YearInRange(date.year())) return std::nullopt;

    unsigned hours = 0, minutes = 0, seconds = 0;
    if (pos < text.size()) {
        // The stored form puts one blank (or a 'T') before the time, a written date
        // one blank; a date read loosely any number of blanks.
        if (form == DateForm::Any) {
            if (!IsBlank(text[pos])) return std::nullopt;
            while (pos < text.size() && IsBlank(text[pos])) ++pos;
        } else if (text[pos] == ' ' || (stored && text[pos] == 'T')) {
            ++pos;
        } else {
            return std::nullopt;
        }
        if (!ReadDigits(text, pos, partDigits, 2, hours)) return std::nullopt;
        if (pos >= text.size() || text[pos] != ':') return std::nullopt;
        ++pos;
        if (!ReadDigits(text, pos, 2, 2, minutes)) return std::nullopt;
        // The stored form always carries the seconds.
        if (pos < text.size() || stored) {
            if (pos >= text.size() || text[pos] != ':') return std::nullopt;
            ++pos;
            if (!ReadDigits(text, pos, 2, 2, seconds)) return std::nullopt;
        }
        if (pos != text.size() || hours > 23 || minutes > 59 || seconds > 59) return std::nullopt;
    }
    return DateTime(chr::sys_days(date)) + chr::hours(hours) + chr::minutes(minutes) + chr::seconds(seconds);
}

std::string FormatDateText(DateTime value) {
    const bool hasTime = value != DateTime(chr::floor<chr::days>(value));
    return FormatDate(value, hasTime ? "yyyy-MM-dd HH:mm:ss" : "yyyy-MM-dd");
}

namespace {

// Serial numbers of the host's calendar: from 100-01-01 to the end of 9999-12-31.
constexpr double MinSerial = static_cast<double>((chr::sys_days{chr::year{MinYear} / 1 / 1} - SerialEpoch).count());
constexpr double MaxSerial =
    static_cast<double>((chr::sys_days{chr::year{MaxYear + 1} / 1 / 1} - SerialEpoch).count());

}  // namespace

// ---- Variant -----------------------------------------------------------------------

Variant::Variant(int64_t value) {
    if (value >= std::numeric_limits<int32_t>::min() && value <= std::numeric_limits<int32_t>::max()) {
        m_value = static_cast<int32_t>(value);
    } else {
        m_value = static_cast<double>(value);
    }
}

bool Variant::IsNumeric() const {
    switch (Type()) {
        case VarType::Boolean:
        case VarType::Integer:
        case VarType::Long:
        case VarType::Double:
            return true;
        case VarType::String: {
            double value = 0;
            try {
                return ParseNumericText(std::get<std::string>(m_value), value);
            } catch (const HostError&) {
                return false;  // beyond the range of a double: converts to nothing
            }
        }
        default:
            return false;
    }
}

double Variant::ToDouble() const {
    switch (Type()) {
        case VarType::Empty:
            return 0.0;
        case VarType::Null:
            RaiseInvalidUseOfNull();
        case VarType::Boolean:
            return std::get<bool>(m_value) ? -1.0 : 0.0;
        case VarType::Integer:
            return std::get<int16_t>(m_value);
        case VarType::Long:
            return std::get<int32_t>(m_value);
        case VarType::Double:
            return std::get<double>(m_value);
        case VarType::Date:
            return DateToSerial(std::get<DateTime>(m_value));
        case VarType::String:
            return NumericTextToDouble(std::get<std::string>(m_value));
        case VarType::Object:
            break;
    }
    RaiseTypeMismatch();
}

int32_t Variant::ToLong() const {
    switch (Type()) {
        case VarType::Integer:
            return std::get<int16_t>(m_value);
        case VarType::Long:
            return std::get<int32_t>(m_value);
        default:
            return RoundToInteger<int32_t>(ToDouble());
    }
}

int16_t Variant::ToInteger() const {
    if (Type() == VarType::Integer) return std::get<int16_t>(m_value);
    return RoundToInteger<int16_t>(ToDouble());
}

bool Variant::ToBool() const {
    switch (Type()) {
        case VarType::Empty:
            return false;
        case VarType::Boolean:
            return std::get<bool>(m_value);
        case VarType::String: {
            std::string_view text = TrimBlanks(std::get<std::string>(m_value));
            if (text::EqualsNoCase(text, "True")) return true;
            if (text::EqualsNoCase(text, "False")) return false;
            return NumericTextToDouble(text) != 0.0;
        }
        default:
            return ToDouble() != 0.0;
    }
}

std::string Variant::ToString() const {
    switch (Type()) {
        case VarType::Empty:
            return {};
        case VarType::Null:
            RaiseInvalidUseOfNull();
        case VarType::Boolean:
            return std::get<bool>(m_value) ? "True" : "False";
        case VarType::Integer:
            return std::to_string(std::get<int16_t>(m_value));
        case VarType::Long:
            return std::to_string(std::get<int32_t>(m_value));
        case VarType::Double:
            return DoubleToText(std::get<double>(m_value));
        case VarType::Date: {
            const DateTime value = std::get<DateTime>(m_value);
            return FormatDateText(value);
        }
        case VarType::String:
            return std::get<std::string>(m_value);
        case VarType::Object:
            break;
    }
    RaiseTypeMismatch();
}

std::string Variant::ToText() const {
    if (IsNull()) return {};
    return ToString();
}

DateTime Variant::ToDate() const {
    switch (Type()) {
        case VarType::Null:
            RaiseInvalidUseOfNull();
        case VarType::Date:
            return std::get<DateTime>(m_value);
        case VarType::String: {
            const std::optional<DateTime> result = ParseDate(std::get<std::string>(m_value), DateForm::Any);
            if (!result) RaiseTypeMismatch();
            return *result;
        }
        case VarType::Object:
            RaiseTypeMismatch();
        default:
            return SerialToDate(ToDouble());
    }
}

std::shared_ptr<Object> Variant::ToObject() const {
    if (!IsObject()) throw HostError(err::ObjectRequired, "Object required");
    return std::get<std::shared_ptr<Object>>(m_value);
}

// ---- free functions ------------------------------------------------------------------

double LeadingNumber(std::string_view text) {
    size_t pos = 0;
    while (pos < text.size() && IsBlank(text[pos])) ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
    std::string_view rest = text.substr(pos);
    const size_t length = ScanUnsignedNumber(rest);
    if (length == 0) return 0.0;
    const double magnitude = ConvertUnsigned(rest.substr(0, length));
    return negative ? -magnitude : magnitude;
}

int32_t ZeroPrefixedLong(const Variant& value) {
    return Variant("0" + value.ToText()).ToLong();
}

std::string FormatFixed(double value, int places) {
    CheckPlaces(places);
    if (!std::isfinite(value)) RaiseOverflow();
    std::string digits = RoundedScaledDigits(std::fabs(value), places, HalfRule::AwayFromZero);
    const bool negative = std::signbit(value) && digits != "0";
    const size_t count = static_cast<size_t>(places);
    if (digits.size() <= count) digits.insert(0, count + 1 - digits.size(), '0');
    std::string text = negative ? "-" : "";
    text += digits.substr(0, digits.size() - count);
    text += '.';
    text += digits.substr(digits.size() - count);
    return text;
}

double RoundHalfEven(double value, int places) {
    CheckPlaces(places);
    if (!std::isfinite(value)) return value;
    const std::string digits = RoundedScaledDigits(std::fabs(value), places, HalfRule::ToEven);
    if (digits == "0") return 0.0;
    const std::string number = digits + "e-" + std::to_string(places);
    double magnitude = 0;
    auto result = std::from_chars(number.data(), number.data() + number.size(), magnitude);
    if (result.ec != std::errc()) RaiseOverflow();  // rounding up past the largest double
    return std::signbit(value) ? -magnitude : magnitude;
}

DateTime MakeDate(int year, unsigned month, unsigned day) {
    const chr::year_month_day date{chr::year{year}, chr::month{month}, chr::day{day}};
    if (!date.ok() || !YearInRange(date.year())) RaiseInvalidCall("no such date");
    return DateTime(chr::sys_days(date));
}

std::string FormatDate(DateTime value, std::string_view pattern) {
    const chr::sys_days dayPoint = chr::floor<chr::days>(value);
    const chr::year_month_day date{dayPoint};
    const chr::hh_mm_ss time{value - dayPoint};
    std::string text;
    text.reserve(pattern.size());
    size_t pos = 0;
    while (pos < pattern.size()) {
        std::string_view rest = pattern.substr(pos);
        if (rest.starts_with("yyyy")) {
            AppendPadded(text, static_cast<int>(date.year()), 4);
            pos += 4;
        } else if (rest.starts_with("MM")) {
            AppendPadded(text, static_cast<long>(static_cast<unsigned>(date.month())), 2);
            pos += 2;
        } else if (rest.starts_with("dd")) {
            AppendPadded(text, static_cast<long>(static_cast<unsigned>(date.day())), 2);
            pos += 2;
        } else if (rest.starts_with("HH")) {
            AppendPadded(text, time.hours().count(), 2);
            pos += 2;
        } else if (rest.starts_with("mm")) {
            AppendPadded(text, time.minutes().count(), 2);
            pos += 2;
        } else if (rest.starts_with("ss")) {
            AppendPadded(text, static_cast<long>(time.seconds().count()), 2);
            pos += 2;
        } else {
            text += pattern[pos++];
        }
    }
    return text;
}

double DateToSerial(DateTime value) {
    const chr::sys_days dayPoint = chr::floor<chr::days>(value);
    const double day = static_cast<double>((dayPoint - SerialEpoch).count());
    const double fraction = static_cast<double>((value - dayPoint).count()) / SecondsPerDay;
    // The whole part counts days and the fraction is the time of day, also before
    // the epoch: 1899-12-29 06:00 is -1.25, not -0.75.
    return day < 0 ? day - fraction : day + fraction;
}

DateTime SerialToDate(double serial) {
    if (!std::isfinite(serial) || serial < MinSerial || serial >= MaxSerial) RaiseOverflow();
    const double day = std::trunc(serial);
    const int64_t seconds = std::llround(std::fabs(serial - day) * SecondsPerDay);
    return DateTime(SerialEpoch + chr::days(static_cast<int64_t>(day))) + chr::seconds(seconds);
}

}  // namespace tolm
