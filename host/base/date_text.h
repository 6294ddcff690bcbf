// Dates as the database stores them: "yyyy-MM-dd" for a day, "yyyy-MM-dd HH:mm:ss"
// for a moment. Text in that form sorts in time order, which the overlap rule and
// every date comparison in SQL rely on.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "tolm/variant.h"

namespace hub {

// "yyyy-MM-dd" when the time of day is 0, else "yyyy-MM-dd HH:mm:ss".
std::string FormatDateText(tolm::DateTime value);

// Reads "yyyy-MM-dd" or "yyyy-MM-dd HH:mm:ss" (also with a 'T' between date and
// time). Nothing when the text is in another form, names a day that does not exist
// or a year outside 100..9999, the years a host date holds.
std::optional<tolm::DateTime> ParseDateText(std::string_view text);

// Reads a date written the way people and regional settings write it: year first,
// '-' or '/' between the parts, month and day with or without a leading zero,
// optionally followed by " H:mm" or " H:mm:ss". Nothing for anything else, nor for
// a year outside 100..9999.
std::optional<tolm::DateTime> ParseLooseDateText(std::string_view text);

// The wall-clock time of this machine, to the second.
tolm::DateTime LocalNow();

}  // namespace hub
