// The whole command line of tolm, in process: what main runs, and what tests run
// without starting a process for each command.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "cli/command_set.h"

namespace hub::cli {

// Everything tolm understands: the global options (read into `options`) and every
// command (added to `commands`, a set on `app`). Its manual page and its shell
// completion are generated from the same parser, so they tell what it accepts.
void DefineCommandLine(CLI::App& app, GlobalOptions& options, CommandSet& commands);

// Parses the arguments (without the program's name), runs the command they give and
// returns the exit status. What tolm prints goes to `out` and `err`.
int RunCommandLine(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

}  // namespace hub::cli
