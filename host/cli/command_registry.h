// Every subcommand of tolm. Each group of commands lives in its own file and is
// added here.
#pragma once

#include "cli/command_set.h"

namespace hub::cli {

// register, unregister, classes
void AddClassCommands(CommandSet& commands);

// init
void AddCompanyCommands(CommandSet& commands);
// rate new, rate modify, rate show, rates
void AddRateCommands(CommandSet& commands);
// log
void AddLogCommands(CommandSet& commands);

// All of the above, in the order `tolm --help` lists them.
// db copy: a company moved between databases.
void AddDatabaseCommands(CommandSet& commands);

void AddAllCommands(CommandSet& commands);

}  // namespace hub::cli
