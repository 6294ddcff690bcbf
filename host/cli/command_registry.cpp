#include "cli/command_registry.h"

namespace hub::cli {

void AddAllCommands(CommandSet& commands) {
    AddClassCommands(commands);
}

}  // namespace hub::cli
