// Text meant for the program's developers (statements, column names, the database's
// own messages), kept away from the person: it is written only when TOLM_DEBUG names
// a file, and then appended there.
#pragma once

#include <string_view>

namespace hub {

void DebugLog(std::string_view text);

}  // namespace hub
