// The plug-in's classes the windows of a command attach.
#pragma once

#include "cli/command_set.h"

namespace hub::cli {

// A plug-in class must be registered for its window to work. When neither the
// person's registry nor the installed one has it (or it names a library that is
// gone), the plug-in in LibraryDirectory() is registered in the person's, and the
// person is told so on the error stream. Raises
// CannotCreateComponent, in the session language, when that is not possible.
void EnsureClassRegistered(CommandContext& context, const char* className);

}  // namespace hub::cli
