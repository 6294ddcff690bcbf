// The plug-in's classes the windows of a command attach.
#pragma once

#include "cli/command_set.h"

namespace hub::cli {

// A plug-in class must be registered for its window to work. A registry without it
// (or naming a library that is gone) gets the plug-in built beside this program
// registered, and the person is told so on the error stream. Raises
// CannotCreateComponent, in the session language, when that is not possible.
void EnsureClassRegistered(CommandContext& context, const char* className);

}  // namespace hub::cli
