// The data-access object a window hands to the plug-in: the session's database,
// texts looked up in the session's language, rights checked by the security
// component.
#pragma once

#include <memory>

#include "db/data_access.h"
#include "services/session.h"

namespace hub {

std::shared_ptr<DataAccess> WindowDataAccess(const std::shared_ptr<Session>& session);

}  // namespace hub
