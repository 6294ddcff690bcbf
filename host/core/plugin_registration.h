// Making the plug-in's classes available to the windows, for every front end.
#pragma once

#include <string>

#include "core/class_loader.h"

namespace hub {

// The plug-in library the host looks for in LibraryDirectory().
inline constexpr const char* PluginLibraryName = "libTolmBaseQelPlugin.so";

// A plug-in class must be registered for its window to attach it. When neither the
// person's registry nor the system's has it (or it names a library that is gone),
// the plug-in in LibraryDirectory() is registered in the person's. Returns what the person is to be told of that, in `language`
// ("" when the class was registered already). Raises CannotCreateComponent (or the
// registration's own error), in `language`, when that is not possible.
std::string EnsurePluginClassRegistered(const ClassLoader& loader, const char* className, const std::string& language);

}  // namespace hub
