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

}  // namespace hub
