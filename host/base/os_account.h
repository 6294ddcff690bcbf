// The operating-system account this process runs as.
#pragma once

#include <string>

namespace hub {

// The login name of the process's effective user ("uid<number>" for a user without
// an entry in the account database).
std::string CurrentOsAccount();

}  // namespace hub
