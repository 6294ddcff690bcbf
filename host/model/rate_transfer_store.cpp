#include "model/rate_transfer_store.h"

#include <unordered_map>

#include "model/rate_store.h"
#include "tolm/base_data.h"

namespace hub {

using tolm::Variant;

std::vector<TypeRow> TransferTypes(Database& db) {
    auto rows = db.Query(
        "SELECT FID, FNumber, FName, FDigits, FRemark FROM t_ExchangeRate WHERE FLevels = 1 AND FDeleted = 0"
        " ORDER BY FNumber, FID");
    std::vector<TypeRow> types;
    for (; !rows->IsEOF(); rows->MoveNext()) {
        types.push_back(TypeRow{rows->Field("FID").ToLong(), rows->Field("FNumber").ToText(),
                                rows->Field("FName").ToText(), rows->Field("FDigits"),
                                rows->Field("FRemark").ToText()});
    }
    return types;
}

int64_t CountStoredRates(Database& db) {
    auto rows = db.Query("SELECT COUNT(*) AS FCount FROM t_ExchangeRateEntry");
    return rows->IsEOF() ? 0 : static_cast<int64_t>(rows->Field("FCount").ToDouble());
}

void ForEachTransferRate(Database& db, int32_t pageSize, const std::function<void(const TransferRate*)>& onRate) {
    // Types and currencies are few: held here, they meet each rate in memory, not in
    // two look-ups of the database per rate.
    std::unordered_map<int32_t, std::string> types;
    for (TypeRow& type : TransferTypes(db)) types.emplace(type.id, std::move(type.number));
    std::unordered_map<int32_t, std::string> currencies;
    for (auto rows = db.Query("SELECT FCurrencyID, FNumber FROM t_Currency"); !rows->IsEOF(); rows->MoveNext()) {
        currencies.emplace(rows->Field("FCurrencyID").ToLong(), rows->Field("FNumber").ToText());
    }
    // The headers that withhold their rate (types too, should an entry share a type's
    // id), read in one scan of the headers and in id order like the rates, so that one
    // pass over both leaves them out. Every other entry has the header of a rate in use: the
    // foreign key admits no entry without one.
    std::vector<int64_t> withheld;
    db.QueryEach("SELECT FID FROM t_ExchangeRate WHERE FLevels <> 2 OR FIsNativeRate = 1 OR FDeleted <> 0 ORDER BY FID",
                 {}, [&](const ResultRow& row) { withheld.push_back(row.Integer(0)); });
    auto nextWithheld = withheld.cbegin();

    const std::string sql =
        "SELECT FID, FExchangeRateType, FCyTo, FExchangeRate, FBegDate, FEndDate FROM t_ExchangeRateEntry"
        " WHERE FID > ?1 ORDER BY FID LIMIT ?2";
    int64_t after = 0;
    for (bool more = true; more;) {
        more = false;
        db.QueryEach(sql, {Variant(after), Variant(pageSize)}, [&](const ResultRow& row) {
            after = row.Integer(0);
            more = true;
            while (nextWithheld != withheld.cend() && *nextWithheld < after) ++nextWithheld;
            const auto type = types.find(static_cast<int32_t>(row.Integer(1)));
            const auto currency = currencies.find(static_cast<int32_t>(row.Integer(2)));
            if ((nextWithheld != withheld.cend() && *nextWithheld == after) || type == types.end() ||
                currency == currencies.end()) {
                onRate(nullptr);
                return;
            }
            const TransferRate rate{static_cast<int32_t>(after), type->second, currency->second,
                                    row.Number(3), row.Date(4), row.Date(5)};
            onRate(&rate);
        });
    }
}

int64_t NextTransferId(Database& db) { return NewExchangeRateId(db, false); }

std::optional<int32_t> RateBeginningOn(Database& db, int32_t typeId, int32_t currencyId, tolm::DateTime begin) {
    auto rows = db.Query(
        "SELECT FID FROM t_ExchangeRateEntry WHERE FExchangeRateType = ?1 AND FCyTo = ?2 AND FBegDate = ?3",
        {Variant(typeId), Variant(currencyId), Variant(begin)});
    if (rows->IsEOF()) return std::nullopt;
    return rows->Field("FID").ToLong();
}

std::optional<int32_t> OverlappingRate(Database& db, int32_t typeId, int32_t currencyId, tolm::DateTime begin,
                                       tolm::DateTime end) {
    // As the overlap rule itself: only the last period to begin on or before `end`
    // can reach into [begin, end].
    auto rows = db.Query(
        "SELECT FID FROM (SELECT FID, FEndDate FROM t_ExchangeRateEntry"
        " WHERE FExchangeRateType = ?1 AND FCyTo = ?2 AND FBegDate <= ?3"
        " ORDER BY FBegDate DESC LIMIT 1) AS latest WHERE FEndDate >= ?4",
        {Variant(typeId), Variant(currencyId), Variant(end), Variant(begin)});
    if (rows->IsEOF()) return std::nullopt;
    return rows->Field("FID").ToLong();
}

void TouchRateClass(Database& db) {
    db.Execute("UPDATE ICClassType SET FID = FID WHERE FID = ?1", {Variant(tolm::ExchangeRateClassTypeId)});
}

}  // namespace hub
