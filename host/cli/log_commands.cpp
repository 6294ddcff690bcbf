// log: the operation log as its list window shows it.
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "cli/command_registry.h"
#include "cli/command_rights.h"
#include "cli/record_output.h"
#include "model/log_store.h"
#include "model/user_store.h"
#include "i18n/catalogue.h"

namespace hub::cli {
namespace {

int ShowLog(CommandContext& context, int32_t limit) {
    RequireRight(context, rights::LogSubsystem, rights::LogObject, rights::LogView, "用户 %1 无权查看上机日志。");
    // The newest first, as the log list shows it; the columns are the view's own.
    auto rows = LogRows(*context.OpenSession()->Db(), limit);
    const std::vector<std::string> columns = rows->Columns();

    if (context.Json()) {
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (; !rows->IsEOF(); rows->MoveNext()) list.push_back(RowToJson(*rows, columns));
        PrintJson(context.Out(), list);
        return 0;
    }
    const std::string& language = context.Language();
    if (rows->IsEOF()) {
        context.Out() << Translate(language, "上机日志为空。") << "\n";
        return 0;
    }
    // The description, the longest and most often Chinese, goes last so that it
    // needs no padding.
    std::vector<std::vector<std::string>> table{{Translate(language, "日期"), Translate(language, "用户"),
                                                 Translate(language, "功能"), Translate(language, "计算机名"),
                                                 Translate(language, "IP地址"), Translate(language, "描述")}};
    for (; !rows->IsEOF(); rows->MoveNext()) {
        table.push_back({ValueToText(rows->Field("FDate")), rows->Field("FUserName").ToText(),
                         rows->Field("FFunctionID").ToText(), rows->Field("FMachineName").ToText(),
                         rows->Field("FIPAddress").ToText(), rows->Field("FDescription").ToText()});
    }
    PrintTable(context.Out(), table);
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
