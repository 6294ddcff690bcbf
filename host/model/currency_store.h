// The company's currencies (t_Currency). The home currency has the id
// tolm::HomeCurrencyId.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "db/database.h"

namespace hub {

struct CurrencyRecord {
    int32_t id = 0;
    std::string number;  // the code, such as "USD"
    std::string name;
};

// The currency with that id, deleted ones included (old rates still name them).
std::optional<CurrencyRecord> FindCurrency(Database& db, int32_t id);

// The currency in use with that code (as stored, letter case included).
std::optional<CurrencyRecord> FindCurrencyByCode(Database& db, const std::string& code);

// The currencies in use, by id: columns FCurrencyID, FNumber, FName.
std::shared_ptr<tolm::MemoryRecordset> CurrencyRows(Database& db);

// Adds the currency under `preferredId`, or the next free id when that one is
// taken, unless a currency with that code exists. Returns its id.
int32_t EnsureCurrency(Database& db, const std::string& code, const std::string& name, int32_t preferredId);

}  // namespace hub
