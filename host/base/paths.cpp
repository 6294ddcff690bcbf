#include "paths.h"

#include <cstdlib>
#include <system_error>

namespace hub {

std::filesystem::path ProgramDirectory() {
    // The link names the program itself, whatever folder it was started from.
    std::error_code ec;
    std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::current_path(ec) : program.parent_path();
}

std::filesystem::path DataDirectory() {
    if (const char* configured = std::getenv("TOLM_DATA_DIR"); configured != nullptr && *configured != '\0') {
        return std::filesystem::path(configured);
    }
    return (ProgramDirectory() / ".." / "share" / "tolm").lexically_normal();
}

std::filesystem::path LibraryDirectory() {
    const std::filesystem::path program = ProgramDirectory();
    // Relative, so an installation can be moved to another prefix as a whole.
    const std::filesystem::path installed = (program / TOLM_LIBRARY_DIR_FROM_PROGRAM).lexically_normal();
    std::error_code ec;
    return std::filesystem::is_directory(installed, ec) ? installed : program;
}

std::filesystem::path SystemRegistryPath() { return LibraryDirectory() / "classes.json"; }

}  // namespace hub
