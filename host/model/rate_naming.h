// How a rate's code, name and reverse rate follow from its type, currency and first
// day. The editor composes them as the person saves; whatever else stores a rate
// (an import) must compose them the same way, or the list would show two styles.
#pragma once

#include <string>

#include "tolm/variant.h"

namespace hub {

struct RateNaming {
    std::string number;
    std::string name;
};

// "<type code>.<currency code>.<yyyyMMdd>" and "<type name>.<currency name>.<yyyyMMdd>".
RateNaming ComposeRateNaming(const std::string& typeNumber, const std::string& typeName,
                             const std::string& currencyNumber, const std::string& currencyName, tolm::DateTime begin);

// Units of the currency per unit of the home currency, rounded to the type's
// precision with halves to even. The rate must be above 0.
double ReverseRateOf(double rate, int digits);

}  // namespace hub
