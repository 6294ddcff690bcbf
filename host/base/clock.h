// The machine's clock. Dates are read and written as text by the contract's
// tolm::ParseDate and tolm::FormatDateText.
#pragma once

#include "tolm/variant.h"

namespace hub {

// The wall-clock time of this machine, to the second.
tolm::DateTime LocalNow();

}  // namespace hub
