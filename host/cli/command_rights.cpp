#include "cli/command_rights.h"

#include "db/user_rights.h"
#include "tolm/host_error.h"

namespace hub::cli {

void RequireRight(CommandContext& context, int32_t subsystem, int32_t objectNumber, int32_t mask,
                  const std::string& action) {
    const std::shared_ptr<Session>& session = context.OpenSession();
    if (UserHasRight(*session->Db(), session->UserId(), subsystem, objectNumber, mask)) return;
    throw tolm::HostError(tolm::err::AccessDenied, "The user " + session->UserName() + " may not " + action, "tolm");
}

}  // namespace hub::cli
