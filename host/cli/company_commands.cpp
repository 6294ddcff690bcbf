// init: a company database created, or brought up to date, with its base data.
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>

#include "cli/command_registry.h"
#include "cli/record_output.h"
#include "db/company_setup.h"
#include "db/database.h"
#include "db/migrations.h"

namespace hub::cli {
namespace {

struct CompanyCounts {
    int types = 0;
    int rates = 0;
    int users = 0;
    int logRecords = 0;
};

CompanyCounts Count(Database& db) {
    CompanyCounts counts;
    // A database that was never migrated has none of the tables yet.
    if (SchemaVersion(db) == 0) return counts;
    auto number = [&](const char* sql) { return db.Query(sql)->Field("n").ToLong(); };
    counts.types = number("SELECT COUNT(*) AS n FROM t_ExchangeRate WHERE FLevels = 1");
    counts.rates = number("SELECT COUNT(*) AS n FROM t_ExchangeRateEntry");
    counts.users = number("SELECT COUNT(*) AS n FROM t_User");
    counts.logRecords = number("SELECT COUNT(*) AS n FROM t_Log");
    return counts;
}

std::string Plural(int count, const char* singular, const char* plural) {
    return std::to_string(count) + " " + (count == 1 ? singular : plural);
}

int Init(CommandContext& context, bool demo) {
    const std::filesystem::path path = context.DatabasePath();
    std::error_code ec;
    const bool existed = std::filesystem::exists(path, ec);
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ec);

    std::shared_ptr<Database> db = OpenSqlite(path);
    const int versionBefore = SchemaVersion(*db);
    const CompanyCounts before = Count(*db);
    InitCompany(*db, demo);
    const int versionAfter = SchemaVersion(*db);
    const CompanyCounts after = Count(*db);

    if (context.Json()) {
        nlohmann::ordered_json report = {
            {"database", path.string()},
            {"created", !existed},
            {"schemaVersionBefore", versionBefore},
            {"schemaVersion", versionAfter},
            {"demo", demo},
            {"types", after.types},
            {"rates", after.rates},
            {"users", after.users},
            {"logRecords", after.logRecords},
            {"addedTypes", after.types - before.types},
            {"addedRates", after.rates - before.rates},
            {"addedUsers", after.users - before.users},
        };
        PrintJson(context.Out(), report);
        return 0;
    }
    std::ostream& out = context.Out();
    if (!existed || versionBefore == 0) {
        out << "Created the company database " << path.string() << " (schema version " << versionAfter << ").\n";
    } else if (versionBefore < versionAfter) {
        out << "Upgraded the company database " << path.string() << " from schema version " << versionBefore
            << " to " << versionAfter << ".\n";
    } else {
        out << "The company database " << path.string() << " is up to date (schema version " << versionAfter
            << ").\n";
    }
    const int addedTypes = after.types - before.types;
    const int addedRates = after.rates - before.rates;
    const int addedUsers = after.users - before.users;
    if (addedTypes + addedRates + addedUsers == 0) {
        out << "Nothing was missing: no data was added.\n";
    } else {
        out << "Added " << Plural(addedTypes, "exchange-rate type", "exchange-rate types") << ", "
            << Plural(addedRates, "rate", "rates") << " and " << Plural(addedUsers, "user", "users")
            << (demo ? " (with the demonstration data).\n" : ".\n");
    }
    out << "The company has " << Plural(after.types, "exchange-rate type", "exchange-rate types") << ", "
        << Plural(after.rates, "rate", "rates") << " and " << Plural(after.users, "user", "users") << ".\n";
    return 0;
}

}  // namespace

void AddCompanyCommands(CommandSet& commands) {
    auto demo = std::make_shared<bool>(false);
    commands
        .Add("init", "Create the company database, or bring it up to date, with its base data",
             [demo](CommandContext& context) { return Init(context, *demo); })
        .add_flag("--demo", *demo, "Also add demonstration users, types, rates and log records");
}

}  // namespace hub::cli
