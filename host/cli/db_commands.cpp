// db copy: a whole company moved from one database to another, SQLite or PostgreSQL.
#include <memory>
#include <ostream>
#include <string>

#include <CLI/CLI.hpp>

#include "cli/command_registry.h"
#include "cli/record_output.h"
#include "db/database.h"
#include "services/company_admin.h"
#include "i18n/catalogue.h"

namespace hub::cli {
namespace {

struct CopyOptions {
    std::string source;
    std::string destination;
    bool replace = false;
};

int Copy(CommandContext& context, const CopyOptions& options) {
    const std::string& language = context.Language();
    const CompanyCopyResult result = CopyCompanyAsAdministrator(
        {options.source, options.destination, options.replace, context.Host().UserName(),
         context.Host().PersonCredentials(), language});
    if (!result.outcome.reason.empty()) context.Err() << "tolm: " << result.outcome.reason << "\n";
    if (result.outcome.kind != Outcome::Kind::Done) {
        if (result.outcome.kind == Outcome::Kind::Unchanged && !context.Json()) {
            context.Out() << Translate(language, "没有改动任何数据。") << "\n";
        }
        return result.outcome.ExitStatus();
    }
    const std::vector<CopiedTable>& tables = result.tables;

    if (context.Json()) {
        nlohmann::ordered_json report = {{"source", DatabaseDisplayName(options.source)},
                                         {"destination", DatabaseDisplayName(options.destination)},
                                         {"replaced", options.replace},
                                         {"tables", nlohmann::ordered_json::array()}};
        for (const CopiedTable& table : tables) {
            report["tables"].push_back(
                {{"table", table.table}, {"sourceRows", table.sourceRows}, {"destinationRows", table.destinationRows}});
        }
        PrintJson(context.Out(), report);
        return 0;
    }
    std::ostream& out = context.Out();
    out << TranslateFormat(language, "已将公司从 %1 复制到 %2。",
                           {DatabaseDisplayName(options.source), DatabaseDisplayName(options.destination)})
        << "\n";
    for (const CopiedTable& table : tables) {
        out << "  " << TranslateFormat(language, "%1：源%2行，目标%3行",
                                       {table.table, static_cast<double>(table.sourceRows),
                                        static_cast<double>(table.destinationRows)})
            << "\n";
    }
    return 0;
}

}  // namespace

void AddDatabaseCommands(CommandSet& commands) {
    auto copy = std::make_shared<CopyOptions>();
    CLI::App& db = commands.Add("db", "Move a company between databases", [copy](CommandContext& context) {
        return Copy(context, *copy);
    });
    db.require_subcommand(1);
    if (CLI::App* copyCommand =
            commands.Subcommand(db, "copy",
                                "Copy a whole company (every table, ids kept) from SRC to DST, "
                                "each an SQLite file or a PostgreSQL connection URI or key=value string")) {
        copyCommand->add_option("SRC", copy->source, "The company to copy")->required();
        copyCommand->add_option("DST", copy->destination, "Where to copy it")->required();
        copyCommand->add_flag("--replace", copy->replace, "Overwrite a company the destination already holds");
    }
    AddDatabaseCheckCommand(commands);
}

}  // namespace hub::cli
