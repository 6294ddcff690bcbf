// The rights a command needs, checked as the windows check them.
#pragma once

#include <cstdint>
#include <string>

#include "cli/command_set.h"

namespace hub::cli {

// Raises AccessDenied naming the user and `action` ("list the rates") when the
// session's user lacks the bits of `mask` on the subsystem's object.
void RequireRight(CommandContext& context, int32_t subsystem, int32_t objectNumber, int32_t mask,
                  const std::string& action);

}  // namespace hub::cli
