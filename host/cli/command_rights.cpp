#include "cli/command_rights.h"

#include "model/user_store.h"
#include "i18n/catalogue.h"
#include "tolm/host_error.h"

namespace hub::cli {

void RequireRight(CommandContext& context, int32_t subsystem, int32_t objectNumber, int32_t mask, const char* refusal) {
    const std::shared_ptr<Session>& session = context.OpenSession();
    if (UserHasRight(*session->Db(), session->UserId(), subsystem, objectNumber, mask)) return;
    throw tolm::HostError(tolm::err::AccessDenied, TranslateFormat(context.Language(), refusal, {session->UserName()}),
                          "tolm");
}

}  // namespace hub::cli
