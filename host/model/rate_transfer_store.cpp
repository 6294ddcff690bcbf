#include "model/rate_transfer_store.h"

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

namespace {

constexpr const char* RateFrom =
    " FROM t_ExchangeRateEntry e"
    " JOIN t_ExchangeRate h ON h.FID = e.FID AND h.FLevels = 2 AND h.FIsNativeRate <> 1 AND h.FDeleted = 0"
    " JOIN t_ExchangeRate t ON t.FID = e.FExchangeRateType AND t.FLevels = 1 AND t.FDeleted = 0"
    " JOIN t_Currency c ON c.FCurrencyID = e.FCyTo";

}  // namespace

int64_t CountTransferRates(Database& db) {
    auto rows = db.Query(std::string("SELECT COUNT(*) AS FCount") + RateFrom);
    return rows->IsEOF() ? 0 : static_cast<int64_t>(rows->Field("FCount").ToDouble());
}

void ForEachTransferRate(Database& db, int32_t pageSize, const std::function<void(const TransferRate&)>& onRate) {
    const std::string sql = std::string(
                                "SELECT e.FID, t.FNumber AS FTypeNumber, c.FNumber AS FCurrencyNumber, e.FExchangeRate,"
                                " e.FBegDate, e.FEndDate") +
                            RateFrom + " WHERE e.FID > ?1 ORDER BY e.FID LIMIT ?2";
    int32_t after = 0;
    for (bool more = true; more;) {
        more = false;
        // Straight from the statement into the caller: the columns in the order selected.
        db.QueryEach(sql, {Variant(after), Variant(pageSize)}, [&](const std::vector<Variant>& row) {
            const TransferRate rate{row[0].ToLong(),   row[1].ToText(), row[2].ToText(),
                                    row[3].ToDouble(), row[4].ToDate(), row[5].ToDate()};
            after = rate.id;
            more = true;
            onRate(rate);
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
