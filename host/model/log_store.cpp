#include "model/log_store.h"

#include <array>
#include <chrono>
#include <sstream>

#include "db/dialect_bridge.h"
#include "tolm/text.h"

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

namespace {

constexpr const char* LogViewName = "v_BASE_LogForQEL";
constexpr std::array ViewColumns{"FID",           "FDate",         "FUserID",      "FUserName", "FFunctionID",
                                 "FOperateType", "FDescription", "FMachineName", "FIPAddress"};
// The character that escapes a wildcard in a LIKE pattern: one neither backend
// treats as special in a literal.
constexpr char LikeEscape = '!';

std::string Quoted(const std::string& value) {
    std::string quoted = "'";
    for (char c : value) {
        if (c == '\'') quoted += '\'';
        quoted += c;
    }
    return quoted + "'";
}

std::string DayText(tolm::DateTime day) { return tolm::FormatDate(day, "yyyy-MM-dd"); }

// The view's own spelling of a column, or "" when it has none of that name.
std::string ViewColumn(std::string_view name) {
    const auto dot = name.rfind('.');
    if (dot != std::string_view::npos) {
        if (!tolm::text::EqualsNoCase(std::string(name.substr(0, dot)), LogViewName)) return {};
        name = name.substr(dot + 1);
    }
    for (const char* column : ViewColumns) {
        if (tolm::text::EqualsNoCase(std::string(name), column)) return column;
    }
    return {};
}

}  // namespace

std::string LogCondition(const LogCriteria& criteria) {
    std::string condition;
    auto add = [&](const std::string& term) {
        if (!condition.empty()) condition += " AND ";
        condition += term;
    };
    using std::chrono::floor;
    if (criteria.from) add("FDate >= " + Quoted(DayText(floor<std::chrono::days>(*criteria.from))));
    // Before the next day: the records of the last day are kept to the second.
    if (criteria.to) add("FDate < " + Quoted(DayText(floor<std::chrono::days>(*criteria.to) + std::chrono::days(1))));
    if (criteria.user) add("FUserName = " + Quoted(*criteria.user));
    if (criteria.functionKey) add("FFunctionID = " + Quoted(*criteria.functionKey));
    if (criteria.machine) add("FMachineName = " + Quoted(*criteria.machine));
    if (criteria.address) add("FIPAddress = " + Quoted(*criteria.address));
    if (criteria.contains) {
        std::string pattern = "%";
        for (char c : *criteria.contains) {
            if (c == '%' || c == '_' || c == LikeEscape) pattern += LikeEscape;
            pattern += c;
        }
        // Lower case on both sides: the embedded database's LIKE ignores the case of
        // Latin letters and the server's does not, and a filter must find the same
        // records on either.
        add("LOWER(FDescription) LIKE " + Quoted(tolm::text::AsciiLower(pattern + "%")) + " ESCAPE '" + LikeEscape +
            "'");
    }
    return condition;
}

std::string LogOrderBy(const std::string& sortText) {
    const std::string newestFirst = "FDate DESC, FID DESC";
    std::string orderBy;
    bool hasId = false;
    std::stringstream items(sortText);
    std::string item;
    while (std::getline(items, item, ',')) {
        std::stringstream words{std::string(tolm::text::Trim(item))};
        std::string name, direction, extra;
        words >> name >> direction >> extra;
        const std::string column = ViewColumn(name);
        if (column.empty() || !extra.empty()) return newestFirst;
        if (direction.empty()) direction = "ASC";
        if (!tolm::text::EqualsNoCase(direction, "ASC") && !tolm::text::EqualsNoCase(direction, "DESC")) {
            return newestFirst;
        }
        if (!orderBy.empty()) orderBy += ", ";
        orderBy += column + " " + tolm::text::AsciiUpper(direction);
        hasId = hasId || column == "FID";
    }
    if (orderBy.empty()) return newestFirst;
    return hasId ? orderBy : orderBy + ", FID DESC";
}

std::shared_ptr<tolm::MemoryRecordset> LogRowsWhere(Database& db, const std::string& condition,
                                                    const std::string& orderBy, int32_t limit) {
    std::string sql = "SELECT * FROM v_BASE_LogForQEL";
    if (!tolm::text::Trim(condition).empty()) sql += " WHERE (" + condition + ")";
    sql = TranslateStatement(sql + " ORDER BY " + orderBy, db.SqlDialect());
    if (limit <= 0) return db.Query(sql);
    return db.Query(sql + " LIMIT ?1", {Variant(limit)});
}

}  // namespace hub
