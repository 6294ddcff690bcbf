#include "model/rate_store.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "db/dialect_bridge.h"
#include "tolm/base_data.h"
#include "tolm/host_error.h"
#include "tolm/text.h"

namespace hub {

using tolm::Variant;

namespace {

constexpr const char* RateQuery =
    "SELECT e.FID, e.FNumber, e.FName, e.FCyTo, e.FExchangeRateType, e.FExchangeRate, e.FReverseExRate,"
    " e.FBegDate, e.FEndDate, e.FChkUserID, e.FVersion,"
    " c.FNumber AS FCurrencyNumber, c.FName AS FCurrencyName, t.FNumber AS FTypeNumber, t.FName AS FTypeName,"
    " t.FDigits AS FTypeDigits, u.FName AS FAuditorName"
    " FROM t_ExchangeRateEntry e"
    " JOIN t_ExchangeRate h ON h.FID = e.FID AND h.FLevels = 2 AND h.FIsNativeRate <> 1"
    " LEFT JOIN t_Currency c ON c.FCurrencyID = e.FCyTo"
    " LEFT JOIN t_ExchangeRate t ON t.FID = e.FExchangeRateType"
    " LEFT JOIN t_User u ON u.FUserID = e.FChkUserID AND e.FChkUserID <> 0";

template <class T>
Variant Optional(const std::optional<T>& value) {
    return value ? Variant(*value) : Variant::Null();
}

// One above the highest id of both tables (a rate's header and entry share one id).
constexpr const char* NextIdQuery =
    "SELECT CAST(COALESCE(MAX(FMax), 0) AS BIGINT) + 1 AS FID FROM (SELECT MAX(FID) AS FMax FROM"
    " t_ExchangeRate UNION ALL SELECT MAX(FID) FROM t_ExchangeRateEntry) AS ids";

}  // namespace

int64_t NewExchangeRateId(Database& db, bool forType) {
    // Read as a double: the next id may lie past what a Long holds.
    const auto id = static_cast<int64_t>(db.Query(NextIdQuery)->Field("FID").ToDouble());
    return forType && id < tolm::FirstUserTypeId ? tolm::FirstUserTypeId : id;
}

namespace {

// The windows and the import refuse such a rate in the person's words before they
// get here; a caller that did not is stopped before anything is written.
void RequireStorable(const RateValues& values) {
    const bool rate = std::isfinite(values.rate) && values.rate > 0;
    const bool reverse = !values.reverseRate || (std::isfinite(*values.reverseRate) && *values.reverseRate > 0);
    if (!rate || !reverse) {
        throw tolm::HostError(tolm::err::InvalidProcedureCall,
                              "An exchange rate and its reverse rate must be finite and above 0", "TolmHost.Rates");
    }
}

void InsertEntry(Database& db, int32_t id, const RateValues& values) {
    db.Execute(
        "INSERT INTO t_ExchangeRateEntry (FID, FCyTo, FExchangeRateType, FExchangeRate, FReverseExRate, FBegDate,"
        " FEndDate, FNumber, FName, FChkUserID, FCheckDate) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11)",
        {Variant(id), Variant(values.currencyId), Variant(values.typeId), Variant(values.rate),
         Optional(values.reverseRate), Variant(values.begin), Variant(values.end), Variant(values.number),
         Variant(values.name), Variant(values.auditorId), Optional(values.checkDate)});
}

// The header of a new rate under the next id, and no row at all when that would not
// fit the id column. ?1 code, ?2 name, ?3 type.
const std::string& NewHeaderInsert() {
    static const std::string statement =
        "INSERT INTO t_ExchangeRate (FID, FNumber, FName, FDigits, FRemark, FLevels, FParentID, FIsNativeRate)"
        " SELECT next.FID, ?1, ?2, (SELECT FDigits FROM t_ExchangeRate WHERE FID = ?3 AND FLevels = 1), '', 2, ?3, 0"
        " FROM (" + std::string(NextIdQuery) + ") AS next WHERE next.FID <= 2147483647 RETURNING FID";
    return statement;
}

tolm::HostError NoIdLeft() { return tolm::HostError(tolm::err::Overflow, "No exchange-rate id is left", "TolmHost.Rates"); }

// The header and the entry of a new rate, inside the caller's transaction, taking the
// next id as they are written: where the backend allows, both in one statement.
int32_t InsertRateRows(Database& db, const RateValues& values) {
    if (!db.SqlDialect().InsertsInWithClause()) {
        // The embedded database holds its write lock for the whole transaction, so the
        // id read here is still free when the header is written. Reading it first
        // spares the header's insert a scratch table for reading the table it writes
        // and another for RETURNING, which cost more than the rest of a save.
        const int64_t next = NewExchangeRateId(db, false);
        if (next > std::numeric_limits<int32_t>::max()) throw NoIdLeft();
        InsertRateWithId(db, static_cast<int32_t>(next), values);
        return static_cast<int32_t>(next);
    }
    const auto inserted = db.Query(
        "WITH header AS (" + NewHeaderInsert() +
            ") INSERT INTO t_ExchangeRateEntry (FID, FCyTo, FExchangeRateType, FExchangeRate, FReverseExRate,"
            " FBegDate, FEndDate, FNumber, FName, FChkUserID, FCheckDate)"
            " SELECT header.FID, ?4, ?3, ?5, ?6, ?7, ?8, ?1, ?2, ?9, ?10 FROM header RETURNING FID",
        {Variant(values.number), Variant(values.name), Variant(values.typeId), Variant(values.currencyId),
         Variant(values.rate), Optional(values.reverseRate), Variant(values.begin), Variant(values.end),
         Variant(values.auditorId), Optional(values.checkDate)});
    if (inserted->IsEOF()) throw NoIdLeft();
    return static_cast<int32_t>(inserted->Field("FID").ToLong());
}

}  // namespace

void InsertRateWithId(Database& db, int32_t id, const RateValues& values) {
    RequireStorable(values);
    db.Execute(
        "INSERT INTO t_ExchangeRate (FID, FNumber, FName, FDigits, FRemark, FLevels, FParentID, FIsNativeRate)"
        " VALUES (?1, ?2, ?3, (SELECT FDigits FROM t_ExchangeRate WHERE FID = ?4 AND FLevels = 1), '', 2, ?4, 0)",
        {Variant(id), Variant(values.number), Variant(values.name), Variant(values.typeId)});
    InsertEntry(db, id, values);
}

int32_t InsertRate(Database& db, const RateValues& values) {
    RequireStorable(values);
    int32_t id = 0;
    RunTransaction(db, [&] { id = InsertRateRows(db, values); });
    return id;
}

RateUpdate UpdateRate(Database& db, int32_t rateId, const RateValues& values, int64_t loadedVersion) {
    RequireStorable(values);
    Transaction transaction(db);
    const int64_t entries = db.Execute(
        "UPDATE t_ExchangeRateEntry SET FCyTo = ?2, FExchangeRateType = ?3,"
        " FReverseExRate = CASE WHEN FExchangeRate = ?4 THEN FReverseExRate ELSE NULL END,"
        " FExchangeRate = ?4, FBegDate = ?5, FEndDate = ?6, FNumber = ?7, FName = ?8"
        " WHERE FID = ?1 AND FVersion = ?9 AND FChkUserID = 0",
        {Variant(rateId), Variant(values.currencyId), Variant(values.typeId), Variant(values.rate),
         Variant(values.begin), Variant(values.end), Variant(values.number), Variant(values.name),
         Variant(loadedVersion)});
    if (entries == 0) {
        const std::optional<RateAudit> stored = FindRateAudit(db, rateId);
        if (!stored) return RateUpdate::Missing;
        return stored->auditorId != 0 ? RateUpdate::Audited : RateUpdate::ChangedMeanwhile;
    }
    const int64_t headers = db.Execute(
        "UPDATE t_ExchangeRate SET FNumber = ?2, FName = ?3,"
        " FDigits = (SELECT FDigits FROM t_ExchangeRate WHERE FID = ?4 AND FLevels = 1), FParentID = ?4"
        " WHERE FID = ?1 AND FLevels = 2",
        {Variant(rateId), Variant(values.number), Variant(values.name), Variant(values.typeId)});
    // An entry without its header is no rate the list shows: nothing is changed.
    if (headers == 0) return RateUpdate::Missing;
    transaction.Commit();
    return RateUpdate::Saved;
}

bool RateIsComplete(Database& db, int32_t rateId) {
    return !db.Query(
                  "SELECT 1 FROM t_ExchangeRateEntry e JOIN t_ExchangeRate h ON h.FID = e.FID AND h.FLevels = 2"
                  " WHERE e.FID = ?1 AND e.FReverseExRate IS NOT NULL AND e.FReverseExRate <> 0",
                  {Variant(rateId)})
                ->IsEOF();
}

std::shared_ptr<tolm::MemoryRecordset> RateRow(Database& db, int32_t rateId) {
    return db.Query(std::string(RateQuery) + " WHERE e.FID = ?1", {Variant(rateId)});
}

std::shared_ptr<tolm::MemoryRecordset> RateRowsWithIds(Database& db, const std::vector<int32_t>& rateIds) {
    if (rateIds.empty() || rateIds.size() > MaxIdsPerRead) {
        throw tolm::HostError(tolm::err::InvalidProcedureCall,
                              "Between 1 and " + std::to_string(MaxIdsPerRead) + " rate ids are read at a time",
                              "TolmHost.Rates");
    }
    std::string sql = std::string(RateQuery) + " WHERE e.FID IN (";
    Params params;
    for (int32_t id : rateIds) {
        params.emplace_back(id);
        sql += (params.size() == 1 ? "?" : ", ?") + std::to_string(params.size());
    }
    return db.Query(sql + ")", params);
}

std::shared_ptr<tolm::MemoryRecordset> RateRows(Database& db, std::optional<int32_t> typeId) {
    const char* order = " ORDER BY t.FNumber, c.FNumber, e.FBegDate, e.FID";
    if (!typeId) return db.Query(std::string(RateQuery) + order);
    return db.Query(std::string(RateQuery) + " WHERE e.FExchangeRateType = ?1" + order, {Variant(*typeId)});
}

std::shared_ptr<tolm::MemoryRecordset> ListRateRows(Database& db, int32_t typeId, const std::string& condition,
                                                    const std::string& sort) {
    std::string sql =
        "SELECT t_ExchangeRate.FID, t_ExchangeRate.FNumber, t_ExchangeRate.FName, t_ExchangeRateEntry.FCyTo,"
        " t_ExchangeRateEntry.FExchangeRate, t_ExchangeRateEntry.FReverseExRate, t_ExchangeRateEntry.FBegDate,"
        " t_ExchangeRateEntry.FEndDate, t_ExchangeRateEntry.FChkUserID, t_ExchangeRate.FDeleted,"
        " c.FNumber AS FCurrencyNumber, u.FName AS FAuditorName"
        " FROM t_ExchangeRate INNER JOIN t_ExchangeRateEntry ON t_ExchangeRateEntry.FID = t_ExchangeRate.FID"
        " LEFT JOIN t_Currency c ON c.FCurrencyID = t_ExchangeRateEntry.FCyTo"
        " LEFT JOIN t_User u ON u.FUserID = t_ExchangeRateEntry.FChkUserID AND t_ExchangeRateEntry.FChkUserID <> 0"
        " WHERE t_ExchangeRate.FLevels = 2 AND t_ExchangeRate.FParentID = " + std::to_string(typeId);
    if (!tolm::text::IsBlank(condition)) sql += " AND (" + condition + "\n)";
    sql += " ORDER BY ";
    if (!tolm::text::IsBlank(sort)) sql += sort + ", ";
    sql += "t_ExchangeRate.FID";
    return db.Query(TranslateStatement(sql, db.SqlDialect()));
}

bool DeleteUnauditedRate(Database& db, int32_t rateId) {
    Transaction transaction(db);
    if (db.Execute("DELETE FROM t_ExchangeRateEntry WHERE FID = ?1 AND FChkUserID = 0", {Variant(rateId)}) == 0 ||
        db.Execute("DELETE FROM t_ExchangeRate WHERE FID = ?1 AND FLevels = 2", {Variant(rateId)}) == 0) {
        return false;
    }
    transaction.Commit();
    return true;
}

bool SetRateDisabled(Database& db, int32_t rateId, bool disabled) {
    const char* sql = disabled
                          ? "UPDATE t_ExchangeRate SET FDeleted = 1 WHERE FID = ?1 AND FLevels = 2 AND EXISTS"
                            " (SELECT 1 FROM t_ExchangeRateEntry e WHERE e.FID = ?1 AND e.FChkUserID = 0)"
                          : "UPDATE t_ExchangeRate SET FDeleted = 0 WHERE FID = ?1 AND FLevels = 2";
    return db.Execute(sql, {Variant(rateId)}) > 0;
}

bool RateOverlaps(Database& db, int32_t typeId, int32_t currencyId, tolm::DateTime begin, tolm::DateTime end,
                  int32_t exceptId) {
    // The stored periods of one type and currency never overlap each other, so the
    // only one that can meet [begin, end] is the last to begin on or before `end`:
    // one step down the period index, however many rates the pair has.
    return !db.Query(
                  "SELECT 1 FROM (SELECT FEndDate FROM t_ExchangeRateEntry"
                  " WHERE FExchangeRateType = ?1 AND FCyTo = ?2 AND FID <> ?5 AND FBegDate <= ?3"
                  " ORDER BY FBegDate DESC LIMIT 1) AS latest WHERE FEndDate >= ?4",
                  {Variant(typeId), Variant(currencyId), Variant(end), Variant(begin), Variant(exceptId)})
                ->IsEOF();
}

std::optional<RateAudit> FindRateAudit(Database& db, int32_t rateId) {
    auto rows = db.Query("SELECT FNumber, FChkUserID FROM t_ExchangeRateEntry WHERE FID = ?1", {Variant(rateId)});
    if (rows->IsEOF()) return std::nullopt;
    return RateAudit{rows->Field("FNumber").ToText(), rows->Field("FChkUserID").ToLong()};
}

namespace {

// Runs `statement` (its ids written as "IN (%IDS%)") over the ids in slices small
// enough for every backend's limit of bound values; `first` values come before the
// ids, numbered ?1..?first.
template <class Each>
void ForIdSlices(const std::vector<int32_t>& ids, const std::string& statement, const tolm::VariantArray& first,
                 Each&& each) {
    constexpr size_t Slice = 500;
    for (size_t start = 0; start < ids.size(); start += Slice) {
        const size_t end = std::min(ids.size(), start + Slice);
        tolm::VariantArray values = first;
        std::string placeholders;
        for (size_t i = start; i < end; ++i) {
            values.emplace_back(ids[i]);
            if (!placeholders.empty()) placeholders += ", ";
            placeholders += "?" + std::to_string(values.size());
        }
        std::string sql = statement;
        sql.replace(sql.find("%IDS%"), 5, placeholders);
        each(sql, values);
    }
}

}  // namespace

std::unordered_map<int32_t, RateAudit> FindRateAudits(Database& db, const std::vector<int32_t>& rateIds) {
    std::unordered_map<int32_t, RateAudit> audits;
    ForIdSlices(rateIds, "SELECT FID, FNumber, FChkUserID FROM t_ExchangeRateEntry WHERE FID IN (%IDS%)", {},
                [&](const std::string& sql, const tolm::VariantArray& values) {
                    for (auto rows = db.Query(sql, values); !rows->IsEOF(); rows->MoveNext()) {
                        audits.emplace(rows->Field("FID").ToLong(),
                                       RateAudit{rows->Field("FNumber").ToText(), rows->Field("FChkUserID").ToLong()});
                    }
                });
    return audits;
}

void SetRatesAudit(Database& db, const std::vector<int32_t>& rateIds, int32_t auditorId,
                   std::optional<tolm::DateTime> day) {
    ForIdSlices(rateIds, "UPDATE t_ExchangeRateEntry SET FChkUserID = ?1, FCheckDate = ?2 WHERE FID IN (%IDS%)",
                {Variant(auditorId), day ? Variant(*day) : Variant::Null()},
                [&](const std::string& sql, const tolm::VariantArray& values) { db.Execute(sql, values); });
}

}  // namespace hub
