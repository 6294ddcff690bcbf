#include "cli/command_registry.h"

namespace hub::cli {

void AddInspectionCommands(CommandSet& commands) {
    std::vector<InspectedWindow> windows = RateListInspectedWindows();
    windows.push_back({"types", "The list of exchange-rate types", nullptr, &OpenTypeListForInspection});
    windows.push_back({"log", "The operation-log list", nullptr, &OpenLogListForInspection});
    AddWindowCommands(commands, std::move(windows));
}

void AddAllCommands(CommandSet& commands) {
    AddCompanyCommands(commands);
    AddRateCommands(commands);
    AddLookupCommands(commands);
    AddFeedCommands(commands);
    AddTypeCommands(commands);
    AddLogCommands(commands);
    AddUserCommands(commands);
    AddInspectionCommands(commands);
    AddClassCommands(commands);
    AddDatabaseCommands(commands);
}

}  // namespace hub::cli
