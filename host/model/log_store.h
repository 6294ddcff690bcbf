// The operation log (t_Log), read through the view v_BASE_LogForQEL.
#pragma once

#include <cstdint>
#include <memory>
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

// The records as the view shows them (its own columns), newest first; at most
// `limit` of them when it is above 0.
std::shared_ptr<tolm::MemoryRecordset> LogRows(Database& db, int32_t limit = 0);

}  // namespace hub
