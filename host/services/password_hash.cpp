#include "services/password_hash.h"

#include <sodium.h>

#include "tolm/host_error.h"

namespace hub {

namespace {

void StartSodium() {
    // Safe to call again and from several threads; it only fails without a source
    // of randomness, when no salt could be drawn.
    if (sodium_init() < 0) {
        throw tolm::HostError(tolm::err::InvalidProcedureCall, "No source of randomness for the password salt",
                              "TolmHost.Passwords");
    }
}

}  // namespace

std::string HashPassword(const std::string& password) {
    StartSodium();
    char hash[crypto_pwhash_STRBYTES] = {};
    // The interactive cost: a login waits for it, and every wrong guess pays it.
    if (crypto_pwhash_str(hash, password.data(), password.size(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0) {
        throw tolm::HostError(tolm::err::OutOfMemory, "Not enough memory to hash the password", "TolmHost.Passwords");
    }
    return hash;
}

bool PasswordMatches(const std::string& hash, const std::string& password) {
    StartSodium();
    if (hash.empty() || hash.size() >= crypto_pwhash_STRBYTES) return false;
    return crypto_pwhash_str_verify(hash.c_str(), password.data(), password.size()) == 0;
}

}  // namespace hub
