// Every subcommand of tolm. Each group of commands lives in its own file and is
// added here.
#pragma once

#include "cli/command_set.h"
#include "cli/window_commands.h"

namespace hub::cli {

// register, unregister, classes
void AddClassCommands(CommandSet& commands);

// init
void AddCompanyCommands(CommandSet& commands);
// rate new, rate modify, rate show, rates
void AddRateCommands(CommandSet& commands);
// rate at, coverage (after the rate commands: `at` joins `rate`)
void AddLookupCommands(CommandSet& commands);
// type new, type modify, type delete, types
void AddTypeCommands(CommandSet& commands);
// log
void AddLogCommands(CommandSet& commands);
// menu <window>, help <window>, for the windows the command files offer
void AddInspectionCommands(CommandSet& commands);

// The type list opened for menu and help.
OpenedWindow OpenTypeListForInspection(CommandContext& context);

// All of the above, in the order `tolm --help` lists them.
// db copy: a company moved between databases.
void AddDatabaseCommands(CommandSet& commands);

void AddAllCommands(CommandSet& commands);

}  // namespace hub::cli
