// How the windows show an exchange rate.
#pragma once

#include <cstdint>
#include <string>

namespace hub {

// The places a rate shows before its type's precision is known: the precision a
// new type gets.
inline constexpr int32_t DefaultRateDecimals = 4;

// A rate with `decimals` places, rounded as the sdk's fixed format rounds; a whole
// number shows without the point the format leaves behind ("7" rather than "7.").
std::string RateDisplayText(double value, int32_t decimals);

}  // namespace hub
