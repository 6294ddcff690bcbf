// The exchange-rate types: rows of t_ExchangeRate at level 1. Types with an id below
// tolm::FirstUserTypeId are the system's presets.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "db/database.h"
#include "tolm/variant.h"

namespace hub {

struct TypeValues {
    std::string number;  // the code
    std::string name;
    int32_t digits = 0;  // the precision of its rates, in decimals
    std::string remark;
};

// A type as the type list shows it; the precision as stored (Null when none is).
struct TypeRow {
    int32_t id = 0;
    std::string number;
    std::string name;
    tolm::Variant digits;
    std::string remark;
};

// Every type, ordered by code and id.
std::vector<TypeRow> ListTypes(Database& db);

// The type with that id; nothing when there is none. A precision stored as NULL
// reads as `nullDigits`.
std::optional<TypeValues> FindType(Database& db, int32_t typeId, int32_t nullDigits = 0);
// The id of the type with that code (as stored); nothing when there is none.
std::optional<int32_t> FindTypeIdByNumber(Database& db, const std::string& number);
bool TypeExists(Database& db, int32_t typeId);

// The id of another type than `exceptId` whose code (or name) equals the given one
// without regard to letter case; nothing when there is none.
std::optional<int32_t> OtherTypeWithNumber(Database& db, const std::string& number, int32_t exceptId);
std::optional<int32_t> OtherTypeWithName(Database& db, const std::string& name, int32_t exceptId);

// Whether rates are recorded under the type: header rows the rate list shows, and
// entries whose header is missing (they still are rates of the type and must not
// be orphaned). Native rates do not count.
bool TypeHasRates(Database& db, int32_t typeId);

// Stores a new type under `typeId`, or under the next free id (at least
// tolm::FirstUserTypeId) when `typeId` is 0 or taken; returns the id. Raises
// Overflow when no id is left. Call it inside the transaction that decides on it.
int32_t InsertType(Database& db, const TypeValues& values, int32_t typeId = 0);
// Overwrites the type's code, name, precision and remark.
void UpdateType(Database& db, int32_t typeId, const TypeValues& values);
// Deletes the type with the native rates under it (their header and entry rows).
void DeleteType(Database& db, int32_t typeId);

}  // namespace hub
