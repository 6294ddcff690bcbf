#include "company_copy.h"

#include <string_view>

#include "migrations.h"
#include "base/text_util.h"
#include "tolm/base_data.h"

namespace hub {

namespace {

constexpr const char* ErrorSource = "TolmHost.Database";

[[noreturn]] void Fail(const std::string& message) { throw tolm::HostError(tolm::err::Database, message, ErrorSource); }

struct CompanyTable {
    const char* name;
    const char* key;     // orders the rows, so ids come out in the order they were given
    const char* moment;  // a column holding a day with its time of day, or nullptr
};

// Every table of the company, each after those it refers to. The schema's own
// bookkeeping (t_SchemaVersion) is the destination's, written by its migrations.
constexpr CompanyTable Tables[] = {
    {"t_User", "FUserID", nullptr},
    {"t_UserRight", "FUserID, FSubSystem, FObjectNumber", nullptr},
    {"t_SystemProfile", "FCategory, FKey", nullptr},
    {"t_Currency", "FCurrencyID", nullptr},
    {"ICClassType", "FID", nullptr},
    {"t_ExchangeRate", "FID", nullptr},
    {"t_ExchangeRateEntry", "FID", nullptr},
    {"t_Log", "FID", "FDate"},
    {"t_LogViewSession", "FSession", "FPrepared"},
};

int64_t RowCount(Database& db, std::string_view table) {
    return static_cast<int64_t>(
        db.Query("SELECT count(*) AS n FROM " + std::string(table))->Field("n").ToDouble());
}

// Deletes what the destination holds, children first. The preset types stay (the
// schema refuses their deletion) and are overwritten by the copy.
void Clear(Database& db) {
    for (auto table = std::rbegin(Tables); table != std::rend(Tables); ++table) {
        if (std::string_view(table->name) == "t_ExchangeRate") {
            db.Execute("DELETE FROM t_ExchangeRate WHERE NOT (FLevels = 1 AND FID < ?1)",
                       {tolm::Variant(tolm::FirstUserTypeId)});
        } else {
            db.Execute("DELETE FROM " + std::string(table->name));
        }
    }
}

void CopyTable(Database& source, Database& destination, const CompanyTable& table) {
    auto rows = source.Query("SELECT * FROM " + std::string(table.name) + " ORDER BY " + table.key);
    const std::vector<std::string> columns = rows->Columns();
    std::string names;
    std::string places;
    std::string assignments;
    for (size_t i = 0; i < columns.size(); ++i) {
        const std::string place = "?" + std::to_string(i + 1);
        names += (i ? ", " : "") + columns[i];
        places += (i ? ", " : "") + place;
        assignments += (i ? ", " : "") + columns[i] + " = " + place;
    }
    const std::string insert = "INSERT INTO " + std::string(table.name) + " (" + names + ") VALUES (" + places + ")";
    // Only the presets a replaced company kept can already be there.
    const bool mayExist = std::string_view(table.name) == "t_ExchangeRate";
    const std::string update = "UPDATE t_ExchangeRate SET " + assignments + " WHERE FID = ?1";
    for (const auto& row : rows->Rows()) {
        Params values(row.begin(), row.end());
        if (table.moment != nullptr) {
            // A moment at midnight still carries its time of day in the stored form.
            for (size_t i = 0; i < columns.size(); ++i) {
                if (EqualsNoCase(columns[i], table.moment) && values[i].Type() == tolm::VarType::Date)
                    values[i] = tolm::Variant(tolm::FormatDate(values[i].ToDate(), "yyyy-MM-dd HH:mm:ss"));
            }
        }
        if (mayExist && !destination.Query("SELECT 1 FROM t_ExchangeRate WHERE FID = ?1", {values[0]})->IsEOF()) {
            destination.Execute(update, values);
        } else {
            destination.Execute(insert, values);
        }
    }
}

}  // namespace

bool HoldsCompany(Database& db) {
    if (SchemaVersion(db) == 0) return false;
    return RowCount(db, "t_ExchangeRate") + RowCount(db, "t_User") + RowCount(db, "t_Log") > 0;
}

std::vector<CopiedTable> CopyCompany(Database& source, Database& destination, bool replace,
                                     const std::function<void(Database& destination)>& alongside) {
    const int version = SchemaVersion(source);
    if (version == 0) Fail("The source holds no company");
    if (version != CurrentSchemaVersion()) {
        Fail("The source is at schema version " + std::to_string(version) + "; bring it to version " +
             std::to_string(CurrentSchemaVersion()) + " with init first");
    }
    Migrate(destination);
    std::vector<CopiedTable> copied;
    // The source is read in a transaction of its own: no writer changes it meanwhile.
    Transaction reading(source);
    RunTransaction(destination, [&] {
        copied.clear();
        if (HoldsCompany(destination)) {
            if (!replace) Fail("The destination already holds a company; give --replace to overwrite it");
            Clear(destination);
        }
        for (const CompanyTable& table : Tables) CopyTable(source, destination, table);
        destination.AdvanceIdGenerators();
        for (const CompanyTable& table : Tables) {
            CopiedTable counts{table.name, RowCount(source, table.name), RowCount(destination, table.name)};
            if (counts.sourceRows != counts.destinationRows) {
                Fail("The copy of " + counts.table + " holds " + std::to_string(counts.destinationRows) +
                     " rows instead of " + std::to_string(counts.sourceRows) + "; nothing was stored");
            }
            copied.push_back(counts);
        }
        EnsureLogView(destination);
        if (alongside) alongside(destination);
    });
    reading.Commit();
    return copied;
}

}  // namespace hub
