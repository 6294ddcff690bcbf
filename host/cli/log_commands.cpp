// log: the operation log as its list window shows it.
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "cli/command_registry.h"
#include "cli/command_rights.h"
#include "cli/record_output.h"
#include "db/user_rights.h"

namespace hub::cli {
namespace {

int ShowLog(CommandContext& context, int32_t limit) {
    RequireRight(context, rights::LogSubsystem, rights::LogObject, rights::LogView, "view the operation log");
    Database& db = *context.OpenSession()->Db();
    // The newest first, as the log list shows it; the columns are the view's own.
    std::string sql = "SELECT * FROM v_BASE_LogForQEL ORDER BY FDate DESC, FID DESC";
    Params params;
    if (limit > 0) {
        sql += " LIMIT ?1";
        params.push_back(tolm::Variant(limit));
    }
    auto rows = db.Query(sql, params);
    const std::vector<std::string> columns = rows->Columns();

    if (context.Json()) {
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (; !rows->IsEOF(); rows->MoveNext()) list.push_back(RowToJson(*rows, columns));
        PrintJson(context.Out(), list);
        return 0;
    }
    if (rows->IsEOF()) {
        context.Out() << "The operation log is empty.\n";
        return 0;
    }
    for (; !rows->IsEOF(); rows->MoveNext()) {
        context.Out() << ValueToText(rows->Field("FDate")) << "  " << rows->Field("FUserName").ToText() << "  "
                      << rows->Field("FFunctionID").ToText() << "  " << rows->Field("FDescription").ToText();
        const std::string machine = rows->Field("FMachineName").ToText();
        const std::string address = rows->Field("FIPAddress").ToText();
        if (!machine.empty() || !address.empty()) context.Out() << "  (" << machine << " " << address << ")";
        context.Out() << "\n";
    }
    return 0;
}

}  // namespace

void AddLogCommands(CommandSet& commands) {
    auto limit = std::make_shared<int32_t>(0);
    commands
        .Add("log", "List the operation log, newest first",
             [limit](CommandContext& context) { return ShowLog(context, *limit); })
        .add_option("--limit", *limit, "At most this many records (all when 0)")
        ->check(CLI::NonNegativeNumber);
}

}  // namespace hub::cli
