#include "model/rate_naming.h"

namespace hub {

RateNaming ComposeRateNaming(const std::string& typeNumber, const std::string& typeName,
                             const std::string& currencyNumber, const std::string& currencyName, tolm::DateTime begin) {
    const std::string day = tolm::FormatDate(begin, "yyyyMMdd");
    return RateNaming{typeNumber + "." + currencyNumber + "." + day, typeName + "." + currencyName + "." + day};
}

double ReverseRateOf(double rate, int digits) { return tolm::RoundHalfEven(1.0 / rate, digits); }

}  // namespace hub
