// Letter-case folding for names the system compares without regard to case
// (component class names, field names, control names). Only ASCII letters fold:
// the names are identifiers, and folding other scripts would depend on a locale.
#pragma once

#include <string>
#include <string_view>

namespace tolm::detail {

inline char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string AsciiLower(std::string_view text) {
    std::string folded(text);
    for (char& c : folded) c = AsciiLower(c);
    return folded;
}

inline bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    }
    return true;
}

}  // namespace tolm::detail
