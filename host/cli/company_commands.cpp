// init: a company database created, or brought up to date, with its base data.
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include <CLI/CLI.hpp>

#include "cli/command_registry.h"
#include "cli/record_output.h"
#include "db/database.h"
#include "db/migrations.h"
#include "i18n/catalogue.h"
#include "services/company_admin.h"

namespace hub::cli {
namespace {

// The counts as words (2个汇率类型, 96条汇率, 4个用户) in the session language,
// to fill %1..%3 of a sentence.
tolm::VariantArray CountTexts(const std::string& language, const CompanyCounts& counts) {
    auto text = [&](int count, const char* one, const char* many) -> tolm::Variant {
        return TranslateFormat(language, CountTemplate(count, one, many), {count});
    };
    return {text(counts.types, "1个汇率类型", "%1个汇率类型"), text(counts.rates, "1条汇率", "%1条汇率"),
            text(counts.users, "1个用户", "%1个用户")};
}

int Init(CommandContext& context, bool demo) {
    const std::string name = context.Host().DatabaseName();
    // A database on a server exists before anyone sets a company up in it.
    const std::optional<std::filesystem::path> file = EmbeddedDatabaseFile(context.Options().database);
    std::error_code ec;
    const bool existed = !file || std::filesystem::exists(*file, ec);
    std::shared_ptr<Database> db = context.Host().OpenForSetup();
    const CompanySetupResult result =
        SetUpCompanyAsAdministrator(*db, context.Host().UserName(), context.Host().PersonCredentials(), demo, name,
                                    context.Language());
    if (result.outcome.kind != Outcome::Kind::Done) {
        context.Err() << "tolm: " << result.outcome.reason << "\n";
        return result.outcome.ExitStatus();
    }
    const int versionBefore = result.versionBefore;
    const int versionAfter = CurrentSchemaVersion();
    const CompanyCounts& before = result.before;
    const CompanyCounts& after = result.after;

    if (context.Json()) {
        nlohmann::ordered_json report = {
            {"database", name},
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
    const std::string& language = context.Language();
    if (!existed || versionBefore == 0) {
        out << TranslateFormat(language, "已创建公司数据库 %1（结构版本%2）。", {name, versionAfter});
    } else if (versionBefore < versionAfter) {
        out << TranslateFormat(language, "已将公司数据库 %1 从结构版本%2升级到%3。",
                               {name, versionBefore, versionAfter});
    } else {
        out << TranslateFormat(language, "公司数据库 %1 已是最新（结构版本%2）。", {name, versionAfter});
    }
    out << "\n";
    const CompanyCounts added{after.types - before.types, after.rates - before.rates, after.users - before.users,
                              after.logRecords - before.logRecords};
    if (added.types + added.rates + added.users == 0) {
        out << Translate(language, "没有缺少的数据，未添加任何数据。") << "\n";
    } else {
        out << TranslateFormat(language, demo ? "新增了%1、%2和%3（含演示数据）。" : "新增了%1、%2和%3。",
                               CountTexts(language, added))
            << "\n";
    }
    out << TranslateFormat(language, "公司现有%1、%2和%3。", CountTexts(language, after)) << "\n";
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
