#include "services/password_hash.h"

#include "base/host_module.h"
#include "services/password_hasher.h"
#include "tolm/host_error.h"

namespace hub {

namespace {

constexpr const char* Source = "TolmHost.Passwords";

const PasswordHasher* LoadPasswordsModule() {
    return RequireModuleTable<PasswordHasher>(
        TOLM_PASSWORDS_MODULE, TOLM_PASSWORDS_ENTRY, PasswordHasherVersion, tolm::err::FileNotFound, ".Passwords",
        "This installation cannot hash or check passwords: its passwords module", "Install the program again.");
}

// Loaded once per process, at the first password; a failed load is tried again at
// the next one.
const PasswordHasher& StartedHasher() {
    static const PasswordHasher* const hasher = LoadPasswordsModule();
    // It only fails without a source of randomness, when no salt could be drawn.
    if (!hasher->start()) {
        throw tolm::HostError(tolm::err::InvalidProcedureCall, "No source of randomness for the password salt", Source);
    }
    return *hasher;
}

}  // namespace

std::string HashPassword(const std::string& password) {
    std::string hash;
    if (!StartedHasher().hash(password, hash)) {
        throw tolm::HostError(tolm::err::OutOfMemory, "Not enough memory to hash the password", Source);
    }
    return hash;
}

bool PasswordMatches(const std::string& hash, const std::string& password) {
    return StartedHasher().matches(hash, password);
}

}  // namespace hub
