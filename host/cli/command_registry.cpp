#include "cli/command_registry.h"

namespace hub::cli {

void AddInspectionCommands(CommandSet& commands) {
    AddWindowCommands(commands, {{"types", "The list of exchange-rate types", nullptr, &OpenTypeListForInspection}});
}

void AddAllCommands(CommandSet& commands) {
    AddCompanyCommands(commands);
    AddRateCommands(commands);
    AddLookupCommands(commands);
    AddTypeCommands(commands);
    AddLogCommands(commands);
    AddInspectionCommands(commands);
    AddClassCommands(commands);
    AddDatabaseCommands(commands);
}

}  // namespace hub::cli
