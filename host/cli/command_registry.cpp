#include "cli/command_registry.h"

#include <algorithm>
#include <ranges>

namespace hub::cli {
namespace {

void AddRateGroup(CommandSet& commands) {
    AddRateCommands(commands);
    AddRateAtCommand(commands);
}

// The commands that are added together, under the names of the top-level commands
// each group adds, in the order `tolm --help` lists them. A group that adds a
// subcommand to another group's command (`rate at`) is part of that group.
struct CommandGroup {
    std::string_view names;
    void (*add)(CommandSet&);
};
constexpr CommandGroup Groups[] = {
    {"init", &AddCompanyCommands},
    {"rate", &AddRateGroup},
    {"rates export import option", &AddRateListCommands},
    {"coverage", &AddCoverageCommand},
    {"feed", &AddFeedCommands},
    {"type types", &AddTypeCommands},
    {"log", &AddLogCommands},
    {"users rights user", &AddUserCommands},
    {"menu help", &AddInspectionCommands},
    {"register unregister classes", &AddClassCommands},
    {"db", &AddDatabaseCommands},
};

bool Names(const CommandGroup& group, std::string_view name) {
    return std::ranges::any_of(group.names | std::views::split(' '),
                               [name](auto word) { return std::string_view(word.begin(), word.end()) == name; });
}

}  // namespace

void AddInspectionCommands(CommandSet& commands) {
    std::vector<InspectedWindow> windows = RateListInspectedWindows();
    windows.push_back({"types", "The list of exchange-rate types", nullptr, &OpenTypeListForInspection});
    windows.push_back({"log", "The operation-log list", nullptr, &OpenLogListForInspection});
    AddWindowCommands(commands, std::move(windows));
}

void AddAllCommands(CommandSet& commands) {
    for (const CommandGroup& group : Groups) group.add(commands);
}

bool AddCommandGroup(CommandSet& commands, std::string_view name) {
    const auto* group = std::ranges::find_if(Groups, [name](const CommandGroup& each) { return Names(each, name); });
    if (group == std::end(Groups)) return false;
    group->add(commands);
    return true;
}

}  // namespace hub::cli
