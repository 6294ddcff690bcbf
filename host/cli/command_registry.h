// Every subcommand of tolm. Each group of commands lives in its own file and is
// added here.
#pragma once

#include "cli/command_set.h"
#include "cli/window_commands.h"

#include <string_view>
#include <utility>
#include <vector>

namespace hub::cli {

// register, unregister, classes
void AddClassCommands(CommandSet& commands);

// init
void AddCompanyCommands(CommandSet& commands);
// The subcommands of `rate`, each with its own action; the files that own them add
// them to the one parser.
struct RateSubcommands {
    CLI::App* parent = nullptr;
    std::vector<std::pair<CLI::App*, CommandAction>> list;
    void Add(CLI::App* sub, CommandAction action) { list.emplace_back(sub, std::move(action)); }
};

// rate new, rate modify, rate show (and those of AddRateListSubcommands)
void AddRateCommands(CommandSet& commands);
// rate audit / unaudit / delete / disable / enable
void AddRateListSubcommands(CommandSet& commands, RateSubcommands& rate);
// rate at (after the rate commands: it joins `rate`)
void AddRateAtCommand(CommandSet& commands);
// rates, export, import, option same-user
void AddRateListCommands(CommandSet& commands);
// coverage
void AddCoverageCommand(CommandSet& commands);
// The exchange-rate list and editor, for menu and help.
std::vector<InspectedWindow> RateListInspectedWindows();
// feed import, feed fetch: published reference rates taken in
void AddFeedCommands(CommandSet& commands);
// type new, type modify, type delete, types
void AddTypeCommands(CommandSet& commands);
// log, log delete, log export, log print
void AddLogCommands(CommandSet& commands);
// users, rights, user add / passwd / disable / enable / grant / revoke / remove
void AddUserCommands(CommandSet& commands);
// menu <window>, help <window>, for the windows the command files offer
void AddInspectionCommands(CommandSet& commands);

// The type list opened for menu and help.
OpenedWindow OpenTypeListForInspection(CommandContext& context);
// The log list opened for menu and help.
OpenedWindow OpenLogListForInspection(CommandContext& context);

// db copy: a company moved between databases; db check (after db).
void AddDatabaseCommands(CommandSet& commands);
// db check: the company's storage and rules checked.
void AddDatabaseCheckCommand(CommandSet& commands);

// All of the above, in the order `tolm --help` lists them.
void AddAllCommands(CommandSet& commands);
// Only the group of commands that has a top-level command `name`, whole: with the
// other commands of its group and whatever other files add under them (`rate at`).
// False, with nothing added, when no command has that name.
bool AddCommandGroup(CommandSet& commands, std::string_view name);

}  // namespace hub::cli
