#include "frame/resources.h"

#include <charconv>
#include <map>
#include <string>
#include <vector>

#include "tolm/host_error.h"

namespace qel {
namespace {

constexpr const char* Source = "TolmBaseQelPlugin";

[[noreturn]] void Malformed(const std::string& what) {
    throw tolm::HostError(tolm::err::InternalError, "The picture source is malformed: " + what, Source);
}

// The quoted strings of the source, in order; comments hold none that count.
std::vector<std::string_view> QuotedStrings(std::string_view xpm) {
    std::vector<std::string_view> strings;
    size_t position = 0;
    while (position < xpm.size()) {
        if (xpm.compare(position, 2, "/*") == 0) {
            const size_t end = xpm.find("*/", position + 2);
            if (end == std::string_view::npos) Malformed("a comment is not closed");
            position = end + 2;
        } else if (xpm[position] == '"') {
            const size_t end = xpm.find('"', position + 1);
            if (end == std::string_view::npos) Malformed("a string is not closed");
            strings.push_back(xpm.substr(position + 1, end - position - 1));
            position = end + 1;
        } else {
            ++position;
        }
    }
    return strings;
}

int32_t ReadNumber(std::string_view& text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    int32_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || value < 0) Malformed("the header needs four numbers");
    text.remove_prefix(static_cast<size_t>(end - text.data()));
    return value;
}

}  // namespace

tolm::Bitmap ReadXpm(std::string_view xpm) {
    const std::vector<std::string_view> strings = QuotedStrings(xpm);
    if (strings.empty()) Malformed("there is no header");
    std::string_view header = strings[0];
    const int32_t width = ReadNumber(header);
    const int32_t height = ReadNumber(header);
    const int32_t colours = ReadNumber(header);
    const int32_t charsPerPixel = ReadNumber(header);
    if (width == 0 || height == 0 || charsPerPixel != 1) Malformed("only one character per pixel is read");
    if (strings.size() != static_cast<size_t>(1 + colours + height)) Malformed("the rows do not match the header");

    std::map<char, uint32_t> palette;
    for (int32_t i = 1; i <= colours; ++i) {
        const std::string_view entry = strings[static_cast<size_t>(i)];
        const size_t hash = entry.find(" c #");
        if (entry.empty() || hash != 1 || entry.size() != hash + 10) Malformed("colour entries are \"x c #RRGGBB\"");
        uint32_t rgb = 0;
        auto [end, ec] = std::from_chars(entry.data() + 5, entry.data() + entry.size(), rgb, 16);
        if (ec != std::errc() || end != entry.data() + entry.size()) Malformed("a colour is not hexadecimal");
        palette[entry[0]] = rgb;
    }

    tolm::Bitmap bitmap{width, height, 8, {}};
    bitmap.pixels.reserve(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int32_t row = 0; row < height; ++row) {
        const std::string_view pixels = strings[static_cast<size_t>(1 + colours + row)];
        if (pixels.size() != static_cast<size_t>(width)) Malformed("row " + std::to_string(row) + " has the wrong width");
        for (char c : pixels) {
            auto found = palette.find(c);
            if (found == palette.end()) Malformed(std::string("no colour for '") + c + "'");
            bitmap.pixels.push_back(found->second);
        }
    }
    return bitmap;
}

tolm::Bitmap LoadResPicture(int32_t lResourceID) {
    for (const EmbeddedPicture& picture : EmbeddedPictures()) {
        if (picture.id == lResourceID) return ReadXpm(picture.xpm);
    }
    throw tolm::HostError(tolm::err::ObjectNotFound,
                          "The library has no picture with the resource id " + std::to_string(lResourceID), Source);
}

}  // namespace qel
