// The whole command line of tolm, in process: what main runs, and what tests run
// without starting a process for each command.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace hub::cli {

// Parses the arguments (without the program's name), runs the command they give and
// returns the exit status. What tolm prints goes to `out` and `err`.
int RunCommandLine(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

}  // namespace hub::cli
