// A new company: the base data every company starts with, and demonstration data.
#pragma once

#include <cstdint>

#include "database.h"

namespace hub {

inline constexpr int32_t ExchangeRateClassTypeId = 1014002;
inline constexpr int32_t HomeCurrencyId = 1;
// Exchange-rate types below this id are the system's presets.
inline constexpr int32_t FirstUserTypeId = 1000;

// Migrates the database and fills in what a usable company needs: the currencies
// (the home currency CNY as id 1), the preset exchange-rate types 01 公司汇率 and
// 02 预算汇率, the exchange-rate class type, the user "administrator" and the system
// profile defaults. With `demo`, also users with rights (accountant, auditor, clerk),
// two user-defined types, a year of monthly rates and a few log records.
//
// Idempotent: what exists already (by id, code or name) is left as it is, so running
// it again, or on a company in use, adds only what is missing. All of it is stored
// or none of it.
void InitCompany(Database& db, bool demo);

// The id for a new row of t_ExchangeRate / t_ExchangeRateEntry: a rate's header and
// entry share one id, so a new id is one above the highest of both tables; a type's
// id is at least FirstUserTypeId. Call it inside the transaction that inserts the
// row, so no other writer can take the same id in between.
int64_t NewExchangeRateId(Database& db, bool forType);

}  // namespace hub
