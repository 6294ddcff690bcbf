// The operation log (t_Log), read through the view v_BASE_LogForQEL.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "db/database.h"
#include "tolm/host_library.h"

namespace hub {

struct LogRecord {
    tolm::DateTime date{};
    int64_t userId = 0;
    std::string functionKey;  // the operation's key, such as "QEL1014002_mnuCheck"
    int32_t operationKind = 0;
    std::string description;
    std::string machineName;
    std::string address;
};

void WriteLogRecord(Database& db, const LogRecord& record);

// Whether a record of that function key and description exists.
bool LogRecordExists(Database& db, const std::string& functionKey, const std::string& description);

// Deletes every record; true when there was one.
bool DeleteAllLogRecords(Database& db);

// Deletes the records the view shows under `condition`, a condition on the view's
// columns written as the plug-in writes SQL (it crosses the dialect bridge). The
// condition stays inside parentheses of its own and the database takes exactly one
// statement, so whatever the text holds, it can only narrow the rows. Returns the
// number of records deleted.
int64_t DeleteLogRecordsWhere(Database& db, const std::string& condition);

// What a person may pick to narrow the log: each criterion given narrows it further.
// Dates are whole days (`to` includes its day); the texts are compared as written,
// except `contains`, which is found anywhere in the description without regard to
// the case of Latin letters.
struct LogCriteria {
    std::optional<tolm::DateTime> from, to;
    std::optional<std::string> user, functionKey, machine, address, contains;

    bool Empty() const { return !from && !to && !user && !functionKey && !machine && !address && !contains; }
};

// The criteria as a condition on the columns of v_BASE_LogForQEL, the form in which
// a log window hands its filter on (DelLogByFilter reads the same text). Every value
// is a quoted literal with its quotes doubled, and the wildcards of `contains` are
// escaped, so a value is only ever compared, never read as SQL. "" for no criteria.
std::string LogCondition(const LogCriteria& criteria);

// The ORDER BY list for a window's sort text: column names of the view (qualified by
// the view's name or not) each with ASC or DESC, separated by commas. A sort text
// that is anything else sorts newest first. The id breaks ties, so equal times keep
// one order from one reading to the next.
std::string LogOrderBy(const std::string& sortText);

// The records the view shows under `condition` (built by LogCondition, or "" for
// all), in `orderBy` order (from LogOrderBy); at most `limit` of them when above 0.
std::shared_ptr<tolm::MemoryRecordset> LogRowsWhere(Database& db, const std::string& condition,
                                                    const std::string& orderBy, int32_t limit = 0);

}  // namespace hub
