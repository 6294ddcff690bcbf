// Text helpers of the host. Letter case, blanks and UTF-8 are the contract's
// (tolm/text.h), named here so the host reads them as its own; what only the host
// needs is added.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "tolm/text.h"

namespace hub {

using tolm::text::AsciiLower;
using tolm::text::EqualsNoCase;
using tolm::text::IsBlank;
using tolm::text::Trim;

// The text without leading and trailing blanks, as a string of its own.
inline std::string Trimmed(std::string_view text) { return std::string(Trim(text)); }

// A number as a person types it: the whole text is the number (decimal, an
// optional sign, an exponent); nothing for other text and for infinities.
std::optional<double> ParseTypedNumber(std::string_view text);

// The columns a terminal gives a text: two for wide East Asian characters, none
// for combining marks, one for anything else, including each byte that is not part
// of valid UTF-8.
std::size_t DisplayWidth(std::string_view text);

}  // namespace hub
