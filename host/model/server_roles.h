// On a database server every company user works as a login role, the one of the
// user's own name unless another is linked to the user (the role that set the
// company up works as its administrator), and the server grants each role on the
// company's tables no more than the user's rights allow: what a user may not do in
// the program, the user cannot do with any other client either. Roles belong to the
// server and are shared by its databases, so a role that exists already is taken as
// it is, and one is never dropped.
#pragma once

#include <optional>
#include <string>

#include "db/database.h"
#include "model/user_store.h"

namespace hub {

// Whether the company's database has login roles (a server).
bool HasServerRoles(Database& db);

// The role the connection logged in as.
std::string SessionRole(Database& db);

// The role the user works as: the one linked to the user, else the user's name.
std::string ServerRoleOf(Database& db, int32_t userId);

// The user a role works as: the user it is linked to, else the user of its name that
// has no role linked; nothing when the role is no user of the company.
std::optional<int32_t> UserOfServerRole(Database& db, const std::string& role);

// Creates the login role of `name` with `password` (none: the role has no password
// and logs in only as the server's authentication allows), or, when the server has
// a role of that name, keeps it and sets the password when one is given.
void EnsureServerRole(Database& db, const std::string& name, const std::optional<std::string>& password);

// Gives the role the user works as exactly the privileges on the company's tables that the
// user's rights call for: every user reads the company (never the password hashes)
// and writes the operation log; an administrator may do everything; a disabled user
// nothing. Nothing for a role that does not exist, or owns the company.
void GrantServerRights(Database& db, const UserAccount& user);

// For a company set up, upgraded or copied onto a server: the role doing it, when it
// is no user of the company yet, is linked to the first administrator without a
// role of its own; every other user gets a login role of its name (kept when it
// exists), and every role the privileges its user's rights call for. Nothing on a
// database without login roles.
void SetUpServerRoles(Database& db);

// Takes every privilege on the company's tables from the role of `name`.
void RevokeServerRights(Database& db, const std::string& name);

}  // namespace hub
