// Text helpers both sides of the contract share: letter case, blanks and UTF-8.
// Everything lives in tolm::text so that short names (Trim, IsBlank) do not crowd
// the tolm namespace.
//
// Text is UTF-8 in std::string / std::string_view throughout the system. The
// functions take any bytes and never throw for malformed input (only std::bad_alloc
// where they build a string): a byte that does not belong to a well-formed UTF-8
// sequence stands for one character, U+FFFD, everywhere below, so counting, cutting
// and decoding agree with one another and with ToValidUtf8.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "tolm/export.h"

namespace tolm::text {

// ---- Letter case -------------------------------------------------------------------
// Only the ASCII letters A-Z and a-z fold. The texts compared without regard to case
// are identifiers and keywords (class, control and field names, True/False); folding
// other scripts would make the answer depend on the process's locale, and folding
// single bytes would corrupt multi-byte characters.

constexpr char AsciiLower(char c) noexcept {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
constexpr char AsciiUpper(char c) noexcept {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
TOLM_SDK_API std::string AsciiLower(std::string_view text);
TOLM_SDK_API std::string AsciiUpper(std::string_view text);
// Equal byte for byte once ASCII letters are folded.
TOLM_SDK_API bool EqualsNoCase(std::string_view a, std::string_view b) noexcept;

// ---- Blanks --------------------------------------------------------------------------
// Blanks are space, tab, carriage return, line feed, form feed and vertical tab.

constexpr bool IsBlank(char c) noexcept {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}
// True for the empty text too.
TOLM_SDK_API bool IsBlank(std::string_view text) noexcept;
// `text` without leading and trailing blanks: a view into `text`, valid as long as
// the text it was taken from.
TOLM_SDK_API std::string_view Trim(std::string_view text) noexcept;

// ---- UTF-8 -----------------------------------------------------------------------------

inline constexpr char32_t ReplacementCharacter = U'\uFFFD';

TOLM_SDK_API bool IsValidUtf8(std::string_view text) noexcept;
// The text with each malformed byte replaced by U+FFFD; well-formed text comes back
// unchanged.
TOLM_SDK_API std::string ToValidUtf8(std::string_view text);
// Number of characters (code points).
TOLM_SDK_API std::size_t CharacterCount(std::string_view text) noexcept;
// Byte offset at which character `index` starts; text.size() when the text has no
// more than `index` characters.
TOLM_SDK_API std::size_t ByteOffset(std::string_view text, std::size_t index) noexcept;
// The code points of the text.
TOLM_SDK_API std::u32string CodePoints(std::string_view text);
// The UTF-8 form of one code point; U+FFFD for a value that is no Unicode scalar
// value (a surrogate or above U+10FFFF).
TOLM_SDK_API std::string EncodeUtf8(char32_t codePoint);

}  // namespace tolm::text
