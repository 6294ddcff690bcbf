#include "date_text.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace hub {

namespace {

using namespace std::chrono;

// Reads exactly `minDigits`..`maxDigits` decimal digits at `pos`.
bool ReadNumber(std::string_view text, size_t& pos, size_t minDigits, size_t maxDigits, int& value) {
    size_t start = pos;
    value = 0;
    while (pos < text.size() && pos - start < maxDigits && text[pos] >= '0' && text[pos] <= '9') {
        value = value * 10 + (text[pos] - '0');
        ++pos;
    }
    return pos - start >= minDigits;
}

bool ReadChar(std::string_view text, size_t& pos, char expected) {
    if (pos < text.size() && text[pos] == expected) {
        ++pos;
        return true;
    }
    return false;
}

// The years a host date can hold; a date outside them could be read here but not
// used anywhere after (every conversion of it fails).
constexpr int FirstYear = 100;
constexpr int LastYear = 9999;

std::optional<tolm::DateTime> Compose(int year, int month, int day, int hour, int minute, int second) {
    if (year < FirstYear || year > LastYear) return std::nullopt;
    year_month_day ymd{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
                       std::chrono::day{static_cast<unsigned>(day)}};
    if (!ymd.ok() || hour > 23 || minute > 59 || second > 59) return std::nullopt;
    return tolm::DateTime(sys_days(ymd)) + hours(hour) + minutes(minute) + seconds(second);
}

// The shared reader: `strict` demands the stored form (two-digit month, day and
// time parts, '-' separators).
std::optional<tolm::DateTime> Parse(std::string_view text, bool strict) {
    size_t pos = 0;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    size_t partMin = strict ? 2 : 1;
    if (!ReadNumber(text, pos, 4, 4, year)) return std::nullopt;
    char separator = pos < text.size() ? text[pos] : '\0';
    if (separator != '-' && (strict || separator != '/')) return std::nullopt;
    ++pos;
    if (!ReadNumber(text, pos, partMin, 2, month) || !ReadChar(text, pos, separator) ||
        !ReadNumber(text, pos, partMin, 2, day))
        return std::nullopt;
    if (pos < text.size()) {
        if (!ReadChar(text, pos, ' ') && !(strict && ReadChar(text, pos, 'T'))) return std::nullopt;
        if (!ReadNumber(text, pos, partMin, 2, hour) || !ReadChar(text, pos, ':') ||
            !ReadNumber(text, pos, 2, 2, minute))
            return std::nullopt;
        if (ReadChar(text, pos, ':') && !ReadNumber(text, pos, 2, 2, second)) return std::nullopt;
        // The stored form always carries seconds.
        if (strict && pos != 19) return std::nullopt;
    }
    if (pos != text.size()) return std::nullopt;
    return Compose(year, month, day, hour, minute, second);
}

}  // namespace

std::string FormatDateText(tolm::DateTime value) {
    sys_days day = floor<days>(value);
    year_month_day ymd{day};
    hh_mm_ss<seconds> time{value - day};
    char buffer[32];
    if (time.to_duration() == seconds{0}) {
        std::snprintf(buffer, sizeof buffer, "%04d-%02u-%02u", static_cast<int>(ymd.year()),
                      static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()));
    } else {
        std::snprintf(buffer, sizeof buffer, "%04d-%02u-%02u %02d:%02d:%02d", static_cast<int>(ymd.year()),
                      static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()),
                      static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                      static_cast<int>(time.seconds().count()));
    }
    return buffer;
}

std::optional<tolm::DateTime> ParseDateText(std::string_view text) { return Parse(text, true); }

std::optional<tolm::DateTime> ParseLooseDateText(std::string_view text) { return Parse(text, false); }

tolm::DateTime LocalNow() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    auto day = sys_days(year_month_day{std::chrono::year{local.tm_year + 1900},
                                        std::chrono::month{static_cast<unsigned>(local.tm_mon + 1)},
                                        std::chrono::day{static_cast<unsigned>(local.tm_mday)}});
    return tolm::DateTime(day) + hours(local.tm_hour) + minutes(local.tm_min) + seconds(local.tm_sec);
}

}  // namespace hub
