#include "text_util.h"

#include <utf8proc.h>

#include <charconv>
#include <cmath>

namespace hub {

std::optional<double> ParseTypedNumber(std::string_view text) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    double value = 0;
    const char* end = text.data() + text.size();
    auto [stop, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || stop != end || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::size_t DisplayWidth(std::string_view text) {
    std::size_t width = 0;
    const auto* bytes = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
    auto left = static_cast<utf8proc_ssize_t>(text.size());
    while (left > 0) {
        utf8proc_int32_t codePoint = 0;
        const utf8proc_ssize_t length = utf8proc_iterate(bytes, left, &codePoint);
        if (length <= 0) {
            // A byte that does not start a well-formed character takes one column.
            ++width;
            ++bytes;
            --left;
            continue;
        }
        width += static_cast<std::size_t>(std::max(0, utf8proc_charwidth(codePoint)));
        bytes += length;
        left -= length;
    }
    return width;
}

}  // namespace hub
