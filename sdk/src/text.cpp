#include "tolm/text.h"

#include <algorithm>
#include <iterator>

#include <utf8.h>

namespace tolm::text {

namespace {

// Calls visit(codePoint, offset) for each character in turn until it returns false.
// Runs of well-formed text are found by the library's validator and decoded without
// further checks; each byte it stops at is one U+FFFD.
template <class Visit>
void ForEachCharacter(std::string_view text, Visit visit) {
    const auto begin = text.begin();
    const auto end = text.end();
    for (auto it = begin; it != end;) {
        const auto invalid = utf8::find_invalid(it, end);
        while (it != invalid) {
            const auto offset = static_cast<std::size_t>(it - begin);
            if (!visit(static_cast<char32_t>(utf8::unchecked::next(it)), offset)) return;
        }
        if (it == end) return;
        if (!visit(ReplacementCharacter, static_cast<std::size_t>(it - begin))) return;
        ++it;
    }
}

}  // namespace

std::string AsciiLower(std::string_view text) {
    std::string folded(text);
    for (char& c : folded) c = AsciiLower(c);
    return folded;
}

std::string AsciiUpper(std::string_view text) {
    std::string folded(text);
    for (char& c : folded) c = AsciiUpper(c);
    return folded;
}

bool EqualsNoCase(std::string_view a, std::string_view b) noexcept {
    return std::ranges::equal(a, b, [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

bool IsBlank(std::string_view text) noexcept {
    return std::ranges::all_of(text, [](char c) { return IsBlank(c); });
}

std::string_view Trim(std::string_view text) noexcept {
    const auto blank = [](char c) { return IsBlank(c); };
    const auto first = std::ranges::find_if_not(text, blank);
    const auto last = std::find_if_not(text.rbegin(), std::make_reverse_iterator(first), blank).base();
    return {first, last};
}

bool IsValidUtf8(std::string_view text) noexcept {
    return utf8::is_valid(text.begin(), text.end());
}

std::string ToValidUtf8(std::string_view text) {
    if (IsValidUtf8(text)) return std::string(text);
    std::string result;
    result.reserve(text.size() + 8);
    ForEachCharacter(text, [&result](char32_t codePoint, std::size_t) {
        utf8::unchecked::append(codePoint, std::back_inserter(result));
        return true;
    });
    return result;
}

std::size_t CharacterCount(std::string_view text) noexcept {
    std::size_t count = 0;
    ForEachCharacter(text, [&count](char32_t, std::size_t) {
        ++count;
        return true;
    });
    return count;
}

std::size_t ByteOffset(std::string_view text, std::size_t index) noexcept {
    std::size_t result = text.size();
    std::size_t count = 0;
    ForEachCharacter(text, [&](char32_t, std::size_t offset) {
        if (count++ < index) return true;
        result = offset;
        return false;
    });
    return result;
}

std::u32string CodePoints(std::string_view text) {
    std::u32string result;
    result.reserve(text.size());
    ForEachCharacter(text, [&result](char32_t codePoint, std::size_t) {
        result.push_back(codePoint);
        return true;
    });
    return result;
}

std::string EncodeUtf8(char32_t codePoint) {
    const bool valid = codePoint <= 0x10FFFF && (codePoint < 0xD800 || codePoint > 0xDFFF);
    std::string result;
    utf8::unchecked::append(valid ? codePoint : ReplacementCharacter, std::back_inserter(result));
    return result;
}

}  // namespace tolm::text
