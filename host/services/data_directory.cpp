#include "services/data_directory.h"

#include <cstdlib>
#include <system_error>

namespace hub {

std::filesystem::path DataDirectory() {
    if (const char* configured = std::getenv("TOLM_DATA_DIR"); configured != nullptr && *configured != '\0') {
        return std::filesystem::path(configured);
    }
    // The link names the program itself, whatever directory it was started from.
    std::error_code ec;
    std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) program = std::filesystem::current_path(ec) / "tolm";
    return (program.parent_path() / ".." / "share" / "tolm").lexically_normal();
}

}  // namespace hub
