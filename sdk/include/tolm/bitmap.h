// A picture as the platform and the menu bars pass it around.
#pragma once

#include <cstdint>
#include <vector>

namespace tolm {

// A picture of width x height pixels, each 0xRRGGBB, rows from the top.
struct Bitmap {
    int32_t width = 0;
    int32_t height = 0;
    int32_t bitsPerPixel = 24;
    std::vector<uint32_t> pixels;
    bool operator==(const Bitmap&) const = default;
};

}  // namespace tolm
