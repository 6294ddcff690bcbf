#include "model/rate_naming.h"

#include <cmath>

#include "tolm/host_error.h"

namespace hub {

RateNaming ComposeRateNaming(const std::string& typeNumber, const std::string& typeName,
                             const std::string& currencyNumber, const std::string& currencyName, tolm::DateTime begin) {
    const std::string day = tolm::FormatDate(begin, "yyyyMMdd");
    return RateNaming{typeNumber + "." + currencyNumber + "." + day, typeName + "." + currencyName + "." + day};
}

double ReverseRateOf(double rate, int digits) { return tolm::RoundHalfEven(1.0 / rate, digits); }

bool IsStorableRate(double rate, int digits) {
    if (!std::isfinite(rate) || rate <= 0) return false;
    try {
        const double reverse = ReverseRateOf(rate, digits);
        return std::isfinite(reverse) && reverse != 0;
    } catch (const tolm::HostError&) {
        return false;  // rounding the reverse rate up past the largest number
    }
}

}  // namespace hub
