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

// The folder of the plug-in and the host's shared libraries. Installed, they live
// apart from the programs (<prefix>/bin/../lib/<multiarch>/tolm); when that folder
// does not exist, as in the build tree, beside the program.
std::filesystem::path LibraryDirectory();

// The class registry that comes with the installed plug-in (classes.json in
// LibraryDirectory()): read after the person's own, so the plug-in works without
// being registered by everybody who uses it. Library paths in it may be relative
// to its folder. Not required to exist.
std::filesystem::path SystemRegistryPath();

}  // namespace hub
