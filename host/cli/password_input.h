// Passwords as the command line takes them: from a file, from the environment, or
// typed on the terminal without being shown. Never from an argument, which other
// users of the machine could read in the process list.
#pragma once

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

namespace hub::cli {

// The password in the first line of `file` (without its line end). Raises
// UsageError, in `language`, when the file cannot be read, is empty or too long to
// be a password.
std::string ReadPasswordFile(const std::string& file, const std::string& language);

// Asks for a password on the terminal without echoing it (`prompt` on `err`); the
// line typed, or nothing when standard input is not a terminal.
std::optional<std::string> AskHidden(const std::string& prompt, std::ostream& err);

// The password of the session's user: from `passwordFile` when given, else from
// TOLM_PASSWORD, else asked on the terminal. Raises HostError(AccessDenied), in
// `language`, saying where a password is given when none of them can be had.
std::function<std::optional<std::string>()> SessionPassword(std::string passwordFile, std::string language,
                                                            std::ostream& err);

}  // namespace hub::cli
