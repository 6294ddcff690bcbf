// Users and their rights as the company database stores them.
//
// A right is a bit in t_UserRight.FRights of the row (FUserID, FSubSystem,
// FObjectNumber). The first number of a rights test names the subsystem, the second
// the object within it: the base-data test (65001, 0, bit) reads row (65001, 0); the
// operation-log test (65000, access type, 0) reads row (65000, 0).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "db/database.h"

namespace hub {

namespace rights {
// Base data: exchange rates and exchange-rate types.
inline constexpr int32_t BaseDataSubsystem = 65001;
inline constexpr int32_t BaseDataObject = 0;
inline constexpr int32_t View = 0x1;
inline constexpr int32_t New = 0x2;
inline constexpr int32_t Modify = 0x4;
inline constexpr int32_t Delete = 0x8;
inline constexpr int32_t Audit = 0x10;
inline constexpr int32_t ReverseAudit = 0x20;
inline constexpr int32_t UseUnuse = 0x40;
inline constexpr int32_t Export = 0x800000;
inline constexpr int32_t Import = 0x1000000;

// The operation log: the access types of the log list.
inline constexpr int32_t LogSubsystem = 65000;
inline constexpr int32_t LogObject = 0;
inline constexpr int32_t LogView = 4;
inline constexpr int32_t LogDelete = 8;
inline constexpr int32_t LogExport = 16;
inline constexpr int32_t LogPrint = 32;
}  // namespace rights

// The one rights test of the host. Whether the user holds every bit of `mask` on
// the subsystem's object, as the database says now. Callers ask for single bits
// (the constants above); a mask of several bits is held only when all of them are,
// and a mask without any bit is never held. `mask` is taken as 32 unsigned bits, so
// bit 31 is asked for as 0x80000000 whatever its sign. FRights is read whole as a
// 64-bit integer: a mask with the top bits set (4294967295, or -1 written as a
// signed number) holds every right. An administrator holds every right; a user
// who is unknown or forbidden now holds none.
bool UserHasRight(Database& db, int64_t userId, int32_t subsystem, int32_t objectNumber, int32_t mask);

// Whether the user exists, is not forbidden and is an administrator, now.
bool UserIsAdministrator(Database& db, int64_t userId);

// Adds the bits of `mask` to the user's rights on the subsystem's object.
void GrantRight(Database& db, int64_t userId, int32_t subsystem, int32_t objectNumber, int32_t mask);
// Takes the bits of `mask` from the user's rights on the subsystem's object.
void RevokeRight(Database& db, int64_t userId, int32_t subsystem, int32_t objectNumber, int32_t mask);
// The bits the user's row holds on the subsystem's object (0 without a row), as
// stored: an administrator's row says nothing of what the administrator may do.
uint64_t StoredRights(Database& db, int64_t userId, int32_t subsystem, int32_t objectNumber);

namespace rights {
// A right as administrators name it: one bit of one subsystem's object.
struct NamedRight {
    const char* name;  // "view", "reverse-audit", "log-delete", ...
    int32_t subsystem;
    int32_t objectNumber;
    int32_t bit;
};
// Every right a user can be granted, in the order they are listed.
std::span<const NamedRight> Named();
// The right of that name (exact, lower case); nothing for an unknown name.
const NamedRight* FindNamed(std::string_view name);
}  // namespace rights

struct UserRecord {
    int32_t id = 0;
    std::string name;
    bool forbidden = false;
};

// A user as the login and the administration of users see it.
struct UserAccount {
    int32_t id = 0;
    std::string name;
    std::string description;
    bool administrator = false;
    bool forbidden = false;
    std::string passwordHash;  // "" when the user has no password
    std::string osAccount;     // "" when no operating-system account is linked
    int32_t failedLogins = 0;  // wrong passwords in a row
    int64_t lockedUntil = 0;   // seconds since 1970 (UTC); 0 when never locked
};

// Whether wrong passwords lock the user now.
bool IsLockedNow(const UserAccount& user);

// The user of that name (compared as FindUserByName compares); nothing when none.
std::optional<UserAccount> FindUserAccount(Database& db, const std::string& name);
// The user of that id; nothing when none.
std::optional<UserAccount> FindUserAccount(Database& db, int32_t userId);
// Every user, by name.
std::vector<UserAccount> ListUserAccounts(Database& db);
// The users linked to the operating-system account, administrators first, then by id.
std::vector<UserAccount> UsersLinkedTo(Database& db, const std::string& osAccount);

// The password hash of the user ("" removes the password).
void StorePasswordHash(Database& db, int64_t userId, const std::string& hash);
// Links the user to the operating-system account ("" unlinks).
void LinkOsAccount(Database& db, int64_t userId, const std::string& osAccount);
// Forbids or allows the user; allowing also lifts a lock and forgets wrong passwords.
void StoreForbidden(Database& db, int64_t userId, bool forbidden);
// Counts one more wrong password; when that makes `lockAfter` in a row, the user is
// locked until `lockUntil` and the count starts again. Returns the count now.
int32_t CountFailedLogin(Database& db, int64_t userId, int32_t lockAfter, int64_t lockUntil);
// Forgets the wrong passwords counted (after a right one).
void ForgetFailedLogins(Database& db, int64_t userId);
// Whether a rate or a log record names the user (so the user must stay).
bool UserIsReferenced(Database& db, int64_t userId);
// Removes the user and the user's rights.
void RemoveUser(Database& db, int64_t userId);

// The user of that name, compared as stored (the names are ASCII and the column
// compares without regard to letter case); nothing when there is none.
std::optional<UserRecord> FindUserByName(Database& db, const std::string& name);

// The name of the user with that id; "" when there is none (any more).
std::string UserNameOf(Database& db, int64_t userId);

// The id of the user of that name, added (with `description`, as administrator or
// not, under `preferredId` when that id is free) when there is none yet.
int64_t EnsureUser(Database& db, const std::string& name, const std::string& description, bool administrator,
                   int64_t preferredId);

}  // namespace hub
