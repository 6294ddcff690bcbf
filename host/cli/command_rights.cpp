#include "cli/command_rights.h"

#include "services/security_info.h"

namespace hub::cli {

void RequireRight(CommandContext& context, int32_t subsystem, int32_t objectNumber, int32_t mask, const char* refusal) {
    hub::RequireRight(*context.OpenSession(), subsystem, objectNumber, mask, refusal);
}

}  // namespace hub::cli
