// A new company: the base data every company starts with, and demonstration data.
#pragma once

#include <cstdint>
#include <string>

#include "base/os_account.h"
#include "db/database.h"

namespace hub {

// Migrates the database and fills in what a usable company needs: the currencies
// (the home currency CNY as id 1), the preset exchange-rate types 01 公司汇率 and
// 02 预算汇率, the exchange-rate class type, the user "administrator" and the system
// profile defaults. With `demo`, also users with rights (accountant, auditor, clerk),
// two user-defined types, a year of monthly rates and a few log records.
//
// The administrator (and with `demo` the demonstration's users) not linked to an
// operating-system account yet is linked to `osAccount`, the account setting the
// company up.
//
// Idempotent: what exists already (by id, code or name) is left as it is, so running
// it again, or on a company in use, adds only what is missing. All of it is stored
// or none of it.
void InitCompany(Database& db, bool demo, const std::string& osAccount = CurrentOsAccount());

// How much a company holds; all 0 for a database without the company's schema.
struct CompanyCounts {
    int types = 0;
    int rates = 0;
    int users = 0;
    int logRecords = 0;

    // Nothing but what InitCompany puts into every company: no rates, no log, no
    // user but the administrator, no type but the presets.
    bool HoldsOnlyBaseData() const { return rates == 0 && logRecords == 0 && users <= 1 && types <= 2; }
};
CompanyCounts CountCompany(Database& db);

}  // namespace hub
