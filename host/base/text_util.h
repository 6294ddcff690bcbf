// Text helpers shared by the whole host. Letter case folds for ASCII letters only:
// the texts compared are names and keywords, and folding other scripts (or bytes of
// a multi-byte character) would make the answer depend on the process's locale.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace hub {

// Blanks are spaces, tabs, line breaks, form feeds and vertical tabs.
bool IsBlankCharacter(char c);
bool IsBlank(std::string_view text);

// `text` without leading and trailing blanks, as a view into `text`: keep the text
// alive as long as the view (use Trimmed for a temporary).
std::string_view Trim(std::string_view text);
// The same as a string of its own.
std::string Trimmed(std::string_view text);

char AsciiLower(char c);
std::string AsciiLower(std::string_view text);
bool EqualsNoCase(std::string_view a, std::string_view b);

// A number as a person types it: the whole text is the number (decimal, an
// optional sign, an exponent); nothing for other text and for infinities.
std::optional<double> ParseTypedNumber(std::string_view text);

}  // namespace hub
