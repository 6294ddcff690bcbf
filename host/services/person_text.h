// The words a person reads for an error.
#pragma once

#include <string>

#include "tolm/host_error.h"

namespace hub {

// What the person is told of `error`, in `language`. A refusal of the database is told
// as the rule it broke, in the words the windows use for that rule (an overlapping
// period, a rate not above 0, the home currency, a code already taken...), and says
// that nothing was stored; the database's own text, with its statement and column
// names, goes to the debug log only. Any other error keeps its description.
std::string PersonText(const tolm::HostError& error, const std::string& language);

}  // namespace hub
