#include "text_util.h"

namespace hub {

namespace {
constexpr std::string_view Blanks = " \t\r\n\f\v";
}  // namespace

bool IsBlankCharacter(char c) { return Blanks.find(c) != std::string_view::npos; }

bool IsBlank(std::string_view text) { return text.find_first_not_of(Blanks) == std::string_view::npos; }

std::string_view Trim(std::string_view text) {
    const size_t first = text.find_first_not_of(Blanks);
    if (first == std::string_view::npos) return {};
    const size_t last = text.find_last_not_of(Blanks);
    return text.substr(first, last - first + 1);
}

std::string Trimmed(std::string_view text) { return std::string(Trim(text)); }

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string AsciiLower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = AsciiLower(c);
    return lower;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    }
    return true;
}

}  // namespace hub
