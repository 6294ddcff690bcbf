// The service components of the host, registered under their class names for a
// logged-in session.
//
// Layer: services, above model, i18n and db; the windows and the runtime use it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "services/session.h"

namespace hub {

// The class names RegisterServices registers.
std::vector<std::string> ServiceClassNames();

// Registers every service component for the session (replacing earlier
// registrations of the same names). Each tolm::CreateObject of one of the names
// gives a new component working on this session's database as this session's user.
void RegisterServices(std::shared_ptr<Session> session);
// Removes the registrations (and with them the session they hold).
void UnregisterServices();

}  // namespace hub
