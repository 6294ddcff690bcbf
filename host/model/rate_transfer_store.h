// What the rate-system transfer reads and writes: the types and the rates that are
// not disabled (a header row marked FDeleted), read in pages so that a large rate
// table never sits in memory whole, and the look-ups an import checks its rows with.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "db/database.h"
#include "model/type_store.h"
#include "tolm/variant.h"

namespace hub {

// A rate as the transfer writes it out.
struct TransferRate {
    int32_t id = 0;
    std::string typeNumber;
    std::string currencyNumber;
    double rate = 0;
    tolm::DateTime begin{};
    tolm::DateTime end{};
};

// The types that are not disabled, ordered by code.
std::vector<TypeRow> TransferTypes(Database& db);
// How many rates ExportRates gives.
int64_t CountTransferRates(Database& db);
// Every rate that is not disabled and whose type is not, in id order, `pageSize` at a
// time; `onRate` sees each one.
void ForEachTransferRate(Database& db, int32_t pageSize, const std::function<void(const TransferRate&)>& onRate);

// The id the next stored rate or type will take: ids at or above it were stored
// after the call.
int64_t NextTransferId(Database& db);

// The rate of the type and currency that begins on that day; nothing when none does.
std::optional<int32_t> RateBeginningOn(Database& db, int32_t typeId, int32_t currencyId, tolm::DateTime begin);
// A rate of the type and currency valid on a day between begin and end; nothing
// when there is none.
std::optional<int32_t> OverlappingRate(Database& db, int32_t typeId, int32_t currencyId, tolm::DateTime begin,
                                       tolm::DateTime end);

// Marks the exchange-rate class as changed, as every change of rates does.
void TouchRateClass(Database& db);

}  // namespace hub
