#include "user_rights.h"

namespace hub {

bool UserHasRight(Database& db, int64_t userId, int32_t subsystem, int32_t objectNumber, int32_t mask) {
    auto user = db.Query("SELECT FIsAdmin, FForbidden FROM t_User WHERE FUserID = ?1", {tolm::Variant(userId)});
    if (user->IsEOF() || user->Field("FForbidden").ToLong() != 0) return false;
    if (user->Field("FIsAdmin").ToLong() != 0) return true;
    auto rights = db.Query(
        "SELECT FRights FROM t_UserRight WHERE FUserID = ?1 AND FSubSystem = ?2 AND FObjectNumber = ?3",
        {tolm::Variant(userId), tolm::Variant(subsystem), tolm::Variant(objectNumber)});
    if (rights->IsEOF()) return false;
    return (rights->Field("FRights").ToLong() & mask) == mask;
}

void GrantRight(Database& db, int64_t userId, int32_t subsystem, int32_t objectNumber, int32_t mask) {
    db.Execute(
        "INSERT INTO t_UserRight (FUserID, FSubSystem, FObjectNumber, FRights) VALUES (?1, ?2, ?3, ?4) "
        "ON CONFLICT (FUserID, FSubSystem, FObjectNumber) DO UPDATE SET FRights = FRights | excluded.FRights",
        {tolm::Variant(userId), tolm::Variant(subsystem), tolm::Variant(objectNumber), tolm::Variant(mask)});
}

}  // namespace hub
