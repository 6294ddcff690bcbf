#include "model/currency_store.h"

namespace hub {

namespace {

std::optional<CurrencyRecord> FirstCurrency(const std::shared_ptr<tolm::MemoryRecordset>& rows) {
    if (rows->IsEOF()) return std::nullopt;
    return CurrencyRecord{rows->Field("FCurrencyID").ToLong(), rows->Field("FNumber").ToText(),
                          rows->Field("FName").ToText()};
}

}  // namespace

std::optional<CurrencyRecord> FindCurrency(Database& db, int32_t id) {
    return FirstCurrency(
        db.Query("SELECT FCurrencyID, FNumber, FName FROM t_Currency WHERE FCurrencyID = ?1", {tolm::Variant(id)}));
}

std::optional<CurrencyRecord> FindCurrencyByCode(Database& db, const std::string& code) {
    return FirstCurrency(db.Query(
        "SELECT FCurrencyID, FNumber, FName FROM t_Currency WHERE FNumber = ?1 AND FDeleted = 0", {tolm::Variant(code)}));
}

std::shared_ptr<tolm::MemoryRecordset> CurrencyRows(Database& db) {
    return db.Query("SELECT FCurrencyID, FNumber, FName FROM t_Currency WHERE FDeleted = 0 ORDER BY FCurrencyID");
}

int32_t EnsureCurrency(Database& db, const std::string& code, const std::string& name, int32_t preferredId) {
    auto existing = db.Query("SELECT FCurrencyID FROM t_Currency WHERE FNumber = ?1", {tolm::Variant(code)});
    if (!existing->IsEOF()) return existing->Field("FCurrencyID").ToLong();
    int32_t id = preferredId;
    if (FindCurrency(db, id)) {
        auto highest = db.Query("SELECT COALESCE(MAX(FCurrencyID), 0) AS FMax FROM t_Currency");
        id = highest->Field("FMax").ToLong() + 1;
    }
    db.Execute("INSERT INTO t_Currency (FCurrencyID, FNumber, FName) VALUES (?1, ?2, ?3)",
               {tolm::Variant(id), tolm::Variant(code), tolm::Variant(name)});
    return id;
}

}  // namespace hub
