// On a database server every company user is a login role of the same name, and the
// server grants each role on the company's tables no more than the user's rights
// allow: what a user may not do in the program, the user cannot do with any other
// client either. Roles belong to the server and are shared by its databases, so a
// role that exists already is taken as it is, and one is never dropped.
#pragma once

#include <optional>
#include <string>

#include "db/database.h"
#include "model/user_store.h"

namespace hub {

// Whether the company's database has login roles (a server).
bool HasServerRoles(Database& db);

// Creates the login role of `name` with `password` (none: the role has no password
// and logs in only as the server's authentication allows), or, when the server has
// a role of that name, keeps it and sets the password when one is given.
void EnsureServerRole(Database& db, const std::string& name, const std::optional<std::string>& password);

// Gives the user's role exactly the privileges on the company's tables that the
// user's rights call for: every user reads the company (never the password hashes)
// and writes the operation log; an administrator may do everything; a disabled user
// nothing. Nothing for a user whose role does not exist.
void GrantServerRights(Database& db, const UserAccount& user);

// For a company set up or copied onto a server: every user but the administrators
// gets a login role (kept when it exists), and every role the privileges its user's
// rights call for. Nothing on a database without login roles.
void SetUpServerRoles(Database& db);

// Takes every privilege on the company's tables from the role of `name`.
void RevokeServerRights(Database& db, const std::string& name);

}  // namespace hub
