#include "cli/plugin_classes.h"

#include <ostream>
#include <string>

#include "core/plugin_registration.h"

namespace hub::cli {

void EnsureClassRegistered(CommandContext& context, const char* className) {
    const std::string note = EnsurePluginClassRegistered(context.Loader(), className, context.Language());
    if (!note.empty()) context.Err() << "tolm: " << note << "\n";
}

}  // namespace hub::cli
