#include "model/user_store.h"

#include <charconv>

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

}  // namespace

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
