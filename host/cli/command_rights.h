// The rights a command needs, checked as the windows check them.
#pragma once

#include <cstdint>

#include "cli/command_set.h"

namespace hub::cli {

// Raises AccessDenied when the session's user lacks the bits of `mask` on the
// subsystem's object. `refusal` is the Chinese message template, %1 standing for
// the user's name ("用户 %1 无权查看汇率。"); it is shown in the session language.
void RequireRight(CommandContext& context, int32_t subsystem, int32_t objectNumber, int32_t mask, const char* refusal);

}  // namespace hub::cli
