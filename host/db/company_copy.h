// Moving a whole company from one database to another, across backends.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "database.h"

namespace hub {

// The rows of one table in the source and, after the copy, in the destination.
struct CopiedTable {
    std::string table;
    int64_t sourceRows = 0;
    int64_t destinationRows = 0;
};

// Whether the database holds a company: any exchange-rate type, user or log record.
bool HoldsCompany(Database& db);

// Copies every table of the company in `source` to `destination` (ids kept, the
// ids the destination generates itself moved past the copied ones), in one
// transaction of the destination, and returns the row counts of both sides.
//
// The source must be a company at this program's schema version. The destination is
// brought to that version first; one that already holds a company (any exchange-rate
// type, user or rate) is refused unless `replace`, which deletes its rows first (the
// preset types, which the schema never lets go, are overwritten in place). Raises
// HostError(err::Database) and stores nothing when anything fails, also when the
// counts differ at the end. `alongside` runs in the destination's transaction once
// the rows are in (the record of the copy); what it raises undoes the copy.
std::vector<CopiedTable> CopyCompany(Database& source, Database& destination, bool replace,
                                     const std::function<void(Database& destination)>& alongside = {});

}  // namespace hub
