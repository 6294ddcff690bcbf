// The system profile: options stored per (category, key), such as
// "BaseData"/"CheckUser" and the ledger's current period under "GL".
#pragma once

#include <string>

#include "db/database.h"
#include "tolm/variant.h"

namespace hub {

// The stored option: Empty when there is none, Null when it is stored without a
// value, a Long when its text is a whole 32-bit number written plainly ("-12",
// "42"), else the text as stored (" 42", "4.0" and "+7" stay text: an option's
// text is compared as the user typed it).
tolm::Variant ReadProfile(Database& db, const std::string& category, const std::string& key);

// Stores the option: Empty and Null store no value, a Boolean "1" or "0", anything
// else its text. Replaces what was stored.
void WriteProfile(Database& db, const std::string& category, const std::string& key, const tolm::Variant& value);

// Stores the option only when it is not stored yet.
void AddProfileDefault(Database& db, const std::string& category, const std::string& key, const std::string& value);

}  // namespace hub
