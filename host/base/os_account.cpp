#include "base/os_account.h"

#include <pwd.h>
#include <unistd.h>

#include <vector>

namespace hub {

std::string CurrentOsAccount() {
    const uid_t uid = geteuid();
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
        found->pw_name != nullptr && found->pw_name[0] != '\0') {
        return found->pw_name;
    }
    // A container may run under a number nobody named; it is still one account.
    return "uid" + std::to_string(uid);
}

}  // namespace hub
