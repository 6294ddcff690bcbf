#include "model/type_store.h"

#include <limits>

#include "model/rate_store.h"
#include "tolm/base_data.h"
#include "tolm/host_error.h"

namespace hub {

using tolm::Variant;

std::vector<TypeRow> ListTypes(Database& db) {
    auto rows = db.Query(
        "SELECT FID, FNumber, FName, FDigits, FRemark FROM t_ExchangeRate WHERE FLevels = 1 ORDER BY FNumber, FID");
    std::vector<TypeRow> types;
    for (; !rows->IsEOF(); rows->MoveNext()) {
        const Variant remark = rows->Field("FRemark");
        types.push_back(TypeRow{rows->Field("FID").ToLong(), rows->Field("FNumber").ToText(),
                                rows->Field("FName").ToText(), rows->Field("FDigits"),
                                remark.IsNull() ? std::string() : remark.ToText()});
    }
    return types;
}

std::optional<TypeValues> FindType(Database& db, int32_t typeId, int32_t nullDigits) {
    auto rows = db.Query("SELECT FNumber, FName, FDigits, FRemark FROM t_ExchangeRate WHERE FID = ?1 AND FLevels = 1",
                         {Variant(typeId)});
    if (rows->IsEOF()) return std::nullopt;
    const Variant digits = rows->Field("FDigits");
    return TypeValues{rows->Field("FNumber").ToText(), rows->Field("FName").ToText(),
                      digits.IsNull() ? nullDigits : digits.ToLong(), rows->Field("FRemark").ToText()};
}

std::optional<int32_t> FindTypeIdByNumber(Database& db, const std::string& number) {
    auto rows = db.Query("SELECT FID FROM t_ExchangeRate WHERE FLevels = 1 AND FNumber = ?1", {Variant(number)});
    if (rows->IsEOF()) return std::nullopt;
    return rows->Field("FID").ToLong();
}

bool TypeExists(Database& db, int32_t typeId) {
    return !db.Query("SELECT 1 FROM t_ExchangeRate WHERE FID = ?1 AND FLevels = 1", {Variant(typeId)})->IsEOF();
}

namespace {

std::optional<int32_t> OtherType(Database& db, const char* column, const std::string& value, int32_t exceptId) {
    auto rows = db.Query(std::string("SELECT FID FROM t_ExchangeRate WHERE FLevels = 1 AND FID <> ?1 AND ") + column +
                             " = ?2 " + std::string(db.SqlDialect().NoCaseCollation()),
                         {Variant(exceptId), Variant(value)});
    if (rows->IsEOF()) return std::nullopt;
    return rows->Field("FID").ToLong();
}

}  // namespace

std::optional<int32_t> OtherTypeWithNumber(Database& db, const std::string& number, int32_t exceptId) {
    return OtherType(db, "FNumber", number, exceptId);
}

std::optional<int32_t> OtherTypeWithName(Database& db, const std::string& name, int32_t exceptId) {
    return OtherType(db, "FName", name, exceptId);
}

bool TypeHasRates(Database& db, int32_t typeId) {
    auto rows = db.Query(
        "SELECT 1 FROM t_ExchangeRate WHERE FParentID = ?1 AND FIsNativeRate <> 1"
        " UNION ALL"
        " SELECT 1 FROM t_ExchangeRateEntry e WHERE e.FExchangeRateType = ?1"
        "   AND NOT EXISTS (SELECT 1 FROM t_ExchangeRate h WHERE h.FID = e.FID AND h.FIsNativeRate = 1)",
        {Variant(typeId)});
    return !rows->IsEOF();
}

int32_t InsertType(Database& db, const TypeValues& values, int32_t typeId) {
    int64_t id = typeId;
    if (id == 0 || !db.Query("SELECT 1 FROM t_ExchangeRate WHERE FID = ?1", {Variant(typeId)})->IsEOF()) {
        id = NewExchangeRateId(db, typeId == 0 || typeId >= tolm::FirstUserTypeId);
    }
    if (id > std::numeric_limits<int32_t>::max()) {
        throw tolm::HostError(tolm::err::Overflow, "No exchange-rate type id is left", "TolmHost.Types");
    }
    db.Execute(
        "INSERT INTO t_ExchangeRate (FID, FNumber, FName, FDigits, FRemark, FLevels, FParentID, FIsNativeRate, FDeleted)"
        " VALUES (?1, ?2, ?3, ?4, ?5, 1, 0, 0, 0)",
        {Variant(id), Variant(values.number), Variant(values.name), Variant(values.digits), Variant(values.remark)});
    return static_cast<int32_t>(id);
}

void UpdateType(Database& db, int32_t typeId, const TypeValues& values) {
    db.Execute("UPDATE t_ExchangeRate SET FNumber = ?1, FName = ?2, FDigits = ?3, FRemark = ?4 WHERE FID = ?5",
               {Variant(values.number), Variant(values.name), Variant(values.digits), Variant(values.remark),
                Variant(typeId)});
}

void DeleteType(Database& db, int32_t typeId) {
    Transaction transaction(db);
    db.Execute(
        "DELETE FROM t_ExchangeRateEntry WHERE FExchangeRateType = ?1"
        " OR FID IN (SELECT FID FROM t_ExchangeRate WHERE FParentID = ?1 AND FIsNativeRate = 1)",
        {Variant(typeId)});
    db.Execute("DELETE FROM t_ExchangeRate WHERE FParentID = ?1 AND FIsNativeRate = 1", {Variant(typeId)});
    db.Execute("DELETE FROM t_ExchangeRate WHERE FID = ?1 AND FLevels = 1", {Variant(typeId)});
    transaction.Commit();
}

}  // namespace hub
