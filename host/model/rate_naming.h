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

// Whether a rate may be stored under a type of that precision: finite, above 0, and
// with a reverse rate that is finite and not 0 once rounded (a reverse rate of 0
// would turn every amount converted back into nothing). From 2 * 10^digits up the
// reverse rate rounds to 0, so a type's precision bounds its rates.
bool IsStorableRate(double rate, int digits);

}  // namespace hub
