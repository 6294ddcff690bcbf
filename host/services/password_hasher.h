// The hashing of passwords (password_hash.h). It lives in a module of its own
// (libtolm_passwords.so) with the cryptography library it needs, loaded when a
// password is first hashed or checked, so that a command that never does either
// does not load them.
#pragma once

#include <string>

namespace hub {

// What the module exports, with its version, checked so that a module of another
// build is refused, not called.
struct PasswordHasher {
    int version;
    // Readies the library, again and from any thread; false without a source of
    // randomness. The others are called only after it said true.
    bool (*start)();
    // Writes the Argon2id hash of `password` (encoded with its salt and cost) to
    // `hash`; false when the hashing could not get its memory.
    bool (*hash)(const std::string& password, std::string& hash);
    // Whether `password` is the one `hash` was made from; a damaged hash matches
    // nothing.
    bool (*matches)(const std::string& hash, const std::string& password);
};
inline constexpr int PasswordHasherVersion = 1;

}  // namespace hub

#define TOLM_PASSWORDS_MODULE "libtolm_passwords.so"
#define TOLM_PASSWORDS_ENTRY "tolm_password_hasher"
extern "C" const hub::PasswordHasher* tolm_password_hasher();
