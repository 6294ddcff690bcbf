// Passwords are kept only as Argon2id hashes: what is stored can check a password
// but never give it back.
#pragma once

#include <string>

namespace hub {

// The hash of `password` to store (an encoded string with its salt and cost).
// Raises HostError(OutOfMemory) when the hashing cannot get its memory.
std::string HashPassword(const std::string& password);

// Whether `password` is the one `hash` was made from. A damaged hash matches
// nothing.
bool PasswordMatches(const std::string& hash, const std::string& password);

}  // namespace hub
