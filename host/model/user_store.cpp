#include "model/user_store.h"

#include <charconv>
#include <ctime>

namespace hub {

namespace {

// A mask too wide for 32 bits comes back from a query as a Double, which loses bits
// beyond 53; as text it arrives whole.
uint64_t StoredMask(const tolm::Variant& text) {
    if (text.IsNull() || text.IsEmpty()) return 0;
    const std::string digits = text.ToText();
    int64_t mask = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), mask);
    // Anything but a whole number (a damaged row) grants nothing.
    if (ec != std::errc() || end != digits.data() + digits.size()) return 0;
    return static_cast<uint64_t>(mask);
}

// The accounts' query. On a server, a role that may not read the password hashes
// reads its own user's only, through the server's function for it.
std::string AccountColumns(Database& db) {
    std::string hash = "FPasswordHash";
    if (db.SqlDialect().Name() == "postgresql" &&
        db.Query("SELECT CASE WHEN has_column_privilege('t_user', 'fpasswordhash', 'SELECT') THEN 1 ELSE 0 END AS FMay")
                ->Field("FMay")
                .ToLong() == 0) {
        hash = "tolm_own_password_hash(FUserID)";
    }
    return "SELECT FUserID, FName, FDescription, FIsAdmin, FForbidden, COALESCE(" + hash + ", '') AS FPasswordHash,"
           " COALESCE(FOsAccount, '') AS FOsAccount, FFailedLogins, COALESCE(FLockedUntil, 0) AS FLockedUntil FROM t_User";
}

std::vector<UserAccount> ReadAccounts(tolm::MemoryRecordset& rows) {
    std::vector<UserAccount> accounts;
    for (; !rows.IsEOF(); rows.MoveNext()) {
        accounts.push_back(UserAccount{rows.Field("FUserID").ToLong(), rows.Field("FName").ToText(),
                                       rows.Field("FDescription").ToText(), rows.Field("FIsAdmin").ToLong() != 0,
                                       rows.Field("FForbidden").ToLong() != 0, rows.Field("FPasswordHash").ToText(),
                                       rows.Field("FOsAccount").ToText(), rows.Field("FFailedLogins").ToLong(),
                                       static_cast<int64_t>(rows.Field("FLockedUntil").ToDouble())});
    }
    return accounts;
}

constexpr rights::NamedRight NamedRights[] = {
    {"view", rights::BaseDataSubsystem, rights::BaseDataObject, rights::View},
    {"new", rights::BaseDataSubsystem, rights::BaseDataObject, rights::New},
    {"modify", rights::BaseDataSubsystem, rights::BaseDataObject, rights::Modify},
    {"delete", rights::BaseDataSubsystem, rights::BaseDataObject, rights::Delete},
    {"audit", rights::BaseDataSubsystem, rights::BaseDataObject, rights::Audit},
    {"reverse-audit", rights::BaseDataSubsystem, rights::BaseDataObject, rights::ReverseAudit},
    {"use-unuse", rights::BaseDataSubsystem, rights::BaseDataObject, rights::UseUnuse},
    {"export", rights::BaseDataSubsystem, rights::BaseDataObject, rights::Export},
    {"import", rights::BaseDataSubsystem, rights::BaseDataObject, rights::Import},
    {"log-view", rights::LogSubsystem, rights::LogObject, rights::LogView},
    {"log-delete", rights::LogSubsystem, rights::LogObject, rights::LogDelete},
    {"log-export", rights::LogSubsystem, rights::LogObject, rights::LogExport},
    {"log-print", rights::LogSubsystem, rights::LogObject, rights::LogPrint},
};

}  // namespace

std::span<const rights::NamedRight> rights::Named() { return NamedRights; }

const rights::NamedRight* rights::FindNamed(std::string_view name) {
    for (const NamedRight& right : NamedRights) {
        if (name == right.name) return &right;
    }
    return nullptr;
}

bool UserHasRight(Database& db, int64_t userId, int32_t subsystem, int32_t objectNumber, int32_t mask) {
    const uint64_t asked = static_cast<uint32_t>(mask);
    if (asked == 0) return false;
    auto rows = db.Query(
        "SELECT u.FIsAdmin, u.FForbidden,"
        " (SELECT CAST(r.FRights AS TEXT) FROM t_UserRight r"
        "   WHERE r.FUserID = u.FUserID AND r.FSubSystem = ?2 AND r.FObjectNumber = ?3) AS FRights"
        " FROM t_User u WHERE u.FUserID = ?1",
        {tolm::Variant(userId), tolm::Variant(subsystem), tolm::Variant(objectNumber)});
    if (rows->IsEOF() || rows->Field("FForbidden").ToLong() != 0) return false;
    if (rows->Field("FIsAdmin").ToLong() != 0) return true;
    return (StoredMask(rows->Field("FRights")) & asked) == asked;
}

bool UserIsAdministrator(Database& db, int64_t userId) {
    auto rows = db.Query("SELECT FIsAdmin, FForbidden FROM t_User WHERE FUserID = ?1", {tolm::Variant(userId)});
    return !rows->IsEOF() && rows->Field("FForbidden").ToLong() == 0 && rows->Field("FIsAdmin").ToLong() != 0;
}

void GrantRight(Database& db, int64_t userId, int32_t subsystem, int32_t objectNumber, int32_t mask) {
    // Stored unsigned, as the rights test reads it.
    const auto bits = static_cast<int64_t>(static_cast<uint32_t>(mask));
    db.Execute(
        "INSERT INTO t_UserRight (FUserID, FSubSystem, FObjectNumber, FRights) VALUES (?1, ?2, ?3, ?4) "
        "ON CONFLICT (FUserID, FSubSystem, FObjectNumber) DO UPDATE SET FRights = t_UserRight.FRights | excluded.FRights",
        {tolm::Variant(userId), tolm::Variant(subsystem), tolm::Variant(objectNumber), tolm::Variant(bits)});
}

void RevokeRight(Database& db, int64_t userId, int32_t subsystem, int32_t objectNumber, int32_t mask) {
    // The 32 bits kept, whether the row holds them signed or not.
    const auto kept = static_cast<int64_t>(~static_cast<uint32_t>(mask));
    db.Execute("UPDATE t_UserRight SET FRights = FRights & ?4 WHERE FUserID = ?1 AND FSubSystem = ?2 AND FObjectNumber = ?3",
               {tolm::Variant(userId), tolm::Variant(subsystem), tolm::Variant(objectNumber), tolm::Variant(kept)});
}

uint64_t StoredRights(Database& db, int64_t userId, int32_t subsystem, int32_t objectNumber) {
    auto rows = db.Query(
        "SELECT CAST(FRights AS TEXT) AS FRights FROM t_UserRight"
        " WHERE FUserID = ?1 AND FSubSystem = ?2 AND FObjectNumber = ?3",
        {tolm::Variant(userId), tolm::Variant(subsystem), tolm::Variant(objectNumber)});
    return rows->IsEOF() ? 0 : StoredMask(rows->Field("FRights"));
}

bool IsLockedNow(const UserAccount& user) { return user.lockedUntil > static_cast<int64_t>(std::time(nullptr)); }

std::optional<UserAccount> FindUserAccount(Database& db, const std::string& name) {
    auto rows = db.Query(AccountColumns(db) + " WHERE FName = ?1", {tolm::Variant(name)});
    std::vector<UserAccount> found = ReadAccounts(*rows);
    if (found.empty()) return std::nullopt;
    return std::move(found.front());
}

std::optional<UserAccount> FindUserAccount(Database& db, int32_t userId) {
    std::vector<UserAccount> found =
        ReadAccounts(*db.Query(AccountColumns(db) + " WHERE FUserID = ?1", {tolm::Variant(userId)}));
    if (found.empty()) return std::nullopt;
    return std::move(found.front());
}

std::vector<UserAccount> ListUserAccounts(Database& db) {
    return ReadAccounts(*db.Query(AccountColumns(db) + " ORDER BY FName"));
}

std::vector<UserAccount> UsersLinkedTo(Database& db, const std::string& osAccount) {
    if (osAccount.empty()) return {};
    return ReadAccounts(*db.Query(AccountColumns(db) + " WHERE FOsAccount = ?1 ORDER BY FIsAdmin DESC, FUserID",
                                  {tolm::Variant(osAccount)}));
}

void StorePasswordHash(Database& db, int64_t userId, const std::string& hash) {
    db.Execute("UPDATE t_User SET FPasswordHash = ?2 WHERE FUserID = ?1",
               {tolm::Variant(userId), hash.empty() ? tolm::Variant::Null() : tolm::Variant(hash)});
}

void LinkOsAccount(Database& db, int64_t userId, const std::string& osAccount) {
    db.Execute("UPDATE t_User SET FOsAccount = ?2 WHERE FUserID = ?1",
               {tolm::Variant(userId), osAccount.empty() ? tolm::Variant::Null() : tolm::Variant(osAccount)});
}

void StoreForbidden(Database& db, int64_t userId, bool forbidden) {
    if (forbidden) {
        db.Execute("UPDATE t_User SET FForbidden = 1 WHERE FUserID = ?1", {tolm::Variant(userId)});
    } else {
        db.Execute("UPDATE t_User SET FForbidden = 0, FFailedLogins = 0, FLockedUntil = NULL WHERE FUserID = ?1",
                   {tolm::Variant(userId)});
    }
}

int32_t CountFailedLogin(Database& db, int64_t userId, int32_t lockAfter, int64_t lockUntil) {
    db.Execute("UPDATE t_User SET FFailedLogins = FFailedLogins + 1 WHERE FUserID = ?1", {tolm::Variant(userId)});
    const int32_t failed =
        db.Query("SELECT FFailedLogins FROM t_User WHERE FUserID = ?1", {tolm::Variant(userId)})->Field("FFailedLogins").ToLong();
    if (failed >= lockAfter) {
        db.Execute("UPDATE t_User SET FFailedLogins = 0, FLockedUntil = ?2 WHERE FUserID = ?1",
                   {tolm::Variant(userId), tolm::Variant(lockUntil)});
    }
    return failed;
}

void ForgetFailedLogins(Database& db, int64_t userId) {
    db.Execute("UPDATE t_User SET FFailedLogins = 0 WHERE FUserID = ?1 AND FFailedLogins <> 0", {tolm::Variant(userId)});
}

bool UserIsReferenced(Database& db, int64_t userId) {
    return !db.Query("SELECT 1 FROM t_ExchangeRateEntry WHERE FChkUserID = ?1 UNION ALL"
                     " SELECT 1 FROM t_Log WHERE FUserID = ?1",
                     {tolm::Variant(userId)})
                ->IsEOF();
}

void RemoveUser(Database& db, int64_t userId) {
    db.Execute("DELETE FROM t_UserRight WHERE FUserID = ?1", {tolm::Variant(userId)});
    db.Execute("DELETE FROM t_User WHERE FUserID = ?1", {tolm::Variant(userId)});
}

std::optional<UserRecord> FindUserByName(Database& db, const std::string& name) {
    auto rows = db.Query("SELECT FUserID, FName, FForbidden FROM t_User WHERE FName = ?1", {tolm::Variant(name)});
    if (rows->IsEOF()) return std::nullopt;
    return UserRecord{rows->Field("FUserID").ToLong(), rows->Field("FName").ToText(),
                      rows->Field("FForbidden").ToLong() != 0};
}

std::string UserNameOf(Database& db, int64_t userId) {
    auto rows = db.Query("SELECT FName FROM t_User WHERE FUserID = ?1", {tolm::Variant(userId)});
    return rows->IsEOF() ? std::string() : rows->Field("FName").ToText();
}

int64_t EnsureUser(Database& db, const std::string& name, const std::string& description, bool administrator,
                   int64_t preferredId) {
    if (auto found = FindUserByName(db, name)) return found->id;
    // The id is chosen here rather than by the database: not every backend gives a
    // primary key a value of its own.
    int64_t id = preferredId;
    if (id <= 0 || !db.Query("SELECT 1 FROM t_User WHERE FUserID = ?1", {tolm::Variant(id)})->IsEOF()) {
        id = static_cast<int64_t>(
                 db.Query("SELECT COALESCE(MAX(FUserID), 0) AS FMax FROM t_User")->Field("FMax").ToDouble()) +
             1;
    }
    db.Execute("INSERT INTO t_User (FUserID, FName, FDescription, FIsAdmin) VALUES (?1, ?2, ?3, ?4)",
               {tolm::Variant(id), tolm::Variant(name), tolm::Variant(description), tolm::Variant(administrator)});
    return id;
}

}  // namespace hub
