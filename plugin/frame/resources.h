// The library's own pictures (the tool images), built in from resources/*.xpm.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "tolm/bitmap.h"

namespace qel {

// Resource ids of the tool pictures.
inline constexpr int32_t PictureAudit = 101;
inline constexpr int32_t PictureReverseAudit = 102;
inline constexpr int32_t PictureRateSystem = 103;

struct EmbeddedPicture {
    int32_t id;
    std::string_view xpm;
};

// Every picture built into the library (generated from resources/).
std::span<const EmbeddedPicture> EmbeddedPictures();

// The picture of a resource id, 8 bits per pixel. Raises ObjectNotFound for an id
// the library has no picture for and InternalError for a picture source it cannot
// read.
tolm::Bitmap LoadResPicture(int32_t lResourceID);

// Reads a picture in XPM form (one character per pixel, colours as #RRGGBB).
// Raises InternalError, naming what is wrong, for anything else.
tolm::Bitmap ReadXpm(std::string_view xpm);

}  // namespace qel
