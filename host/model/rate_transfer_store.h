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

// A rate as the transfer writes it out, valid during the call that hands it over.
struct TransferRate {
    int32_t id;
    const std::string& typeNumber;
    const std::string& currencyNumber;
    double rate;
    tolm::DateTime begin;
    tolm::DateTime end;
};

// The types that are not disabled, ordered by code.
std::vector<TypeRow> TransferTypes(Database& db);
// How many rates are stored, those the transfer leaves out included: the steps of
// ForEachTransferRate.
int64_t CountStoredRates(Database& db);
// Visits every stored rate in id order, `pageSize` at a time. `onRate` sees each rate
// the transfer gives (one that is not disabled, not a native rate and of a type that
// is not disabled), and nullptr for each one it leaves out, so that every stored rate
// is one step of the run.
void ForEachTransferRate(Database& db, int32_t pageSize, const std::function<void(const TransferRate*)>& onRate);

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
