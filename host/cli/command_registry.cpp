#include "cli/command_registry.h"

namespace hub::cli {

void AddAllCommands(CommandSet& commands) {
    AddCompanyCommands(commands);
    AddRateCommands(commands);
    AddLogCommands(commands);
    AddClassCommands(commands);
    AddDatabaseCommands(commands);
}

}  // namespace hub::cli
