// The module that hashes passwords (password_hasher.h), with libsodium.
#include "password_hasher.h"

#include <sodium.h>

namespace hub {

namespace {

bool Start() { return sodium_init() >= 0; }

bool Hash(const std::string& password, std::string& hash) {
    char encoded[crypto_pwhash_STRBYTES] = {};
    // The interactive cost: a login waits for it, and every wrong guess pays it.
    if (crypto_pwhash_str(encoded, password.data(), password.size(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0) {
        return false;
    }
    hash = encoded;
    return true;
}

bool Matches(const std::string& hash, const std::string& password) {
    if (hash.empty() || hash.size() >= crypto_pwhash_STRBYTES) return false;
    return crypto_pwhash_str_verify(hash.c_str(), password.data(), password.size()) == 0;
}

}  // namespace

}  // namespace hub

extern "C" __attribute__((visibility("default"))) const hub::PasswordHasher* tolm_password_hasher() {
    static const hub::PasswordHasher hasher{hub::PasswordHasherVersion, &hub::Start, &hub::Hash, &hub::Matches};
    return &hasher;
}
