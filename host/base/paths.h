// Where the host finds itself and the files it ships beside its programs.
#pragma once

#include <filesystem>

namespace hub {

// The folder of the running program (the current folder when the system cannot
// tell).
std::filesystem::path ProgramDirectory();

// $TOLM_DATA_DIR when it is set and not empty; otherwise share/tolm beside the
// folder of the running program (<program folder>/../share/tolm), so a program in
// build/bin reads build/share/tolm and an installed one <prefix>/share/tolm.
// The directory is not required to exist.
std::filesystem::path DataDirectory();

}  // namespace hub
