#include "model/log_store.h"

#include "db/dialect_bridge.h"

namespace hub {

using tolm::Variant;

void WriteLogRecord(Database& db, const LogRecord& record) {
    // Always with the time of day, also at midnight: the log is read to the second.
    db.Execute(
        "INSERT INTO t_Log (FDate, FUserID, FFunctionID, FOperateType, FDescription, FMachineName, FIPAddress)"
        " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)",
        {Variant(tolm::FormatDate(record.date, "yyyy-MM-dd HH:mm:ss")), Variant(record.userId), Variant(record.functionKey), Variant(record.operationKind),
         Variant(record.description), Variant(record.machineName), Variant(record.address)});
}

bool LogRecordExists(Database& db, const std::string& functionKey, const std::string& description) {
    return !db.Query("SELECT 1 FROM t_Log WHERE FFunctionID = ?1 AND FDescription = ?2",
                     {Variant(functionKey), Variant(description)})
                ->IsEOF();
}

bool DeleteAllLogRecords(Database& db) { return db.Execute("DELETE FROM t_Log") > 0; }

int64_t DeleteLogRecordsWhere(Database& db, const std::string& condition) {
    return db.Execute(TranslateStatement(
        "DELETE FROM t_Log WHERE FID IN (SELECT FID FROM v_BASE_LogForQEL WHERE (" + condition + "))",
        db.SqlDialect()));
}

std::shared_ptr<tolm::MemoryRecordset> LogRows(Database& db, int32_t limit) {
    const std::string sql = "SELECT * FROM v_BASE_LogForQEL ORDER BY FDate DESC, FID DESC";
    if (limit <= 0) return db.Query(sql);
    return db.Query(sql + " LIMIT ?1", {Variant(limit)});
}

}  // namespace hub
