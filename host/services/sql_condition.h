// Conditions that arrive as SQL text from a filter window, checked before they are
// placed inside a statement of the host.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace hub {

// Why a condition cannot be placed into a WHERE clause as one expression (a host
// message in Simplified Chinese, to be translated for the user), or nothing when
// it can: a NUL character, a ";" outside quotes, a comment ("--", "/*") outside
// quotes, a quote ('...', "...", `...`, [...]) left open, or parentheses that do
// not pair up. Quotes are doubled inside quoted text ('it''s'); a bracketed name ends
// at its first "]".
std::optional<std::string> ConditionFault(std::string_view condition);

}  // namespace hub
