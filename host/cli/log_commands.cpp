// log, log delete, log export, log print, and the log list for menu and help.
//
// Every command works the host's log list window with the plug-in's log class
// attached, as a person would: the criteria picked become the window's filter (or
// quick filter), and delete, export and print are clicked, so the class's rights
// and question apply. Nothing here reads or deletes log records itself.
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/command_registry.h"
#include "cli/command_rights.h"
#include "cli/plugin_classes.h"
#include "cli/record_output.h"
#include "i18n/catalogue.h"
#include "model/user_store.h"
#include "tolm/host_error.h"
#include "windows/log_list_window.h"

namespace hub::cli {
namespace {

// The criteria as given on the command line; dates are read when the command runs,
// so a wrong one is refused in the session language.
struct CriteriaInput {
    std::optional<std::string> from, to, user, functionKey, machine, address, contains;

    bool Given() const { return from || to || user || functionKey || machine || address || contains; }
};

struct LogInput {
    CriteriaInput filter, quick;
    int32_t limit = 0;
    std::string file;
};

std::optional<tolm::DateTime> ReadDate(CommandContext& context, const std::optional<std::string>& text,
                                       const char* option) {
    if (!text) return std::nullopt;
    if (auto date = tolm::ParseDate(*text, tolm::DateForm::Written)) return date;
    throw tolm::HostError(tolm::err::InvalidProcedureCall,
                          TranslateFormat(context.Language(), "%1的日期“%2”无效，请写成yyyy-MM-dd。", {option, *text}),
                          "tolm");
}

LogCriteria ReadCriteria(CommandContext& context, const CriteriaInput& input, const std::string& prefix) {
    LogCriteria criteria;
    criteria.from = ReadDate(context, input.from, ("--" + prefix + "from").c_str());
    criteria.to = ReadDate(context, input.to, ("--" + prefix + "to").c_str());
    criteria.user = input.user;
    criteria.functionKey = input.functionKey;
    criteria.machine = input.machine;
    criteria.address = input.address;
    criteria.contains = input.contains;
    return criteria;
}

// The window open for the life of a command, filtered as the command line says;
// closing it releases the log class.
class OpenLogList {
public:
    OpenLogList(CommandContext& context, const LogInput* input) {
        EnsureClassRegistered(context, LogListEventClass);
        m_window = LogListWindow::Create(context.OpenSession());
        if (input != nullptr) m_window->SetRowLimit(input->limit);
        m_window->Open();
        if (input == nullptr) return;
        // Criteria the window refuses end the command: the window still closes, so
        // its class lets go of it.
        try {
            if (input->filter.Given()) m_window->SetFilter(ReadCriteria(context, input->filter, ""));
            if (input->quick.Given()) m_window->SetQuickFilter(ReadCriteria(context, input->quick, "quick-"));
        } catch (...) {
            m_window->Close();
            throw;
        }
    }
    ~OpenLogList() { m_window->Close(); }
    OpenLogList(const OpenLogList&) = delete;
    OpenLogList& operator=(const OpenLogList&) = delete;
    LogListWindow* operator->() const { return m_window.get(); }

private:
    std::shared_ptr<LogListWindow> m_window;
};

int32_t RowsShown(const OpenLogList& list) { return list->Records() ? list->Records()->RecordCount() : 0; }

int ShowLog(CommandContext& context, const LogInput& input) {
    RequireRight(context, rights::LogSubsystem, rights::LogObject, rights::LogView, "用户 %1 无权查看上机日志。");
    OpenLogList list(context, &input);
    if (context.Json()) {
        auto& rows = *list->Records();
        const std::vector<std::string> columns = rows.Columns();
        nlohmann::ordered_json json = nlohmann::ordered_json::array();
        for (rows.MoveFirst(); !rows.IsEOF(); rows.MoveNext()) json.push_back(RowToJson(rows, columns));
        PrintJson(context.Out(), json);
        return 0;
    }
    if (RowsShown(list) == 0) {
        context.Out() << Translate(context.Language(), "上机日志为空。") << "\n";
        return 0;
    }
    PrintTable(context.Out(), list->Shown());
    return 0;
}

// The delete command as the log class leaves it on the window: under its own key
// once the class took it over, under the host's otherwise.
std::string DeleteCommandKey(const OpenLogList& list) {
    for (const auto& band : list->Menu()->Bands()) {
        const auto& tools = *band->BandTools();
        for (int32_t index = 1; index <= tools.Count(); ++index) {
            if (tools.ItemAt(index)->Key() == "mnuEditDelete4Custom") return "mnuEditDelete4Custom";
        }
    }
    return "mnuEditDelete";
}

int DeleteLog(CommandContext& context, const LogInput& input) {
    OpenLogList list(context, &input);
    const int32_t before = RowsShown(list);
    list->Click(DeleteCommandKey(list));
    // Criteria that show nothing leave nothing to delete: that is no refusal.
    if (before > 0) {
        if (const std::optional<int> status = NotDone(context, list->LastOutcome(), "上机日志未删除。")) return *status;
    }
    list->Refresh(0, true);
    const int32_t removed = before - RowsShown(list);
    const std::string& language = context.Language();
    if (before > 0 && removed == 0) {
        context.Err() << "tolm: " << Translate(language, "上机日志未删除。") << "\n";
        return 1;
    }
    if (context.Json()) {
        PrintJson(context.Out(), nlohmann::ordered_json{{"deleted", removed}});
    } else {
        context.Out() << TranslateFormat(language, CountTemplate(removed, "已删除1条上机日志。", "已删除%1条上机日志。"),
                                         {removed})
                      << "\n";
    }
    return 0;
}

// Clicks a command that writes the rows shown to the file; 1 when no file came of it.
int WriteThroughWindow(CommandContext& context, const LogInput& input, const char* command, const char* refusal) {
    const std::filesystem::path file = CommandFile(context, input.file);
    std::error_code error;
    const auto before = std::filesystem::last_write_time(file, error);
    const bool existed = !error;
    OpenLogList list(context, &input);
    context.Platform().QueueFile(file.string());
    list->Click(command);
    const auto after = std::filesystem::last_write_time(file, error);
    if (error || (existed && after == before)) {
        context.Err() << "tolm: " << Translate(context.Language(), refusal) << "\n";
        return 1;
    }
    if (!context.Json()) context.Out() << file.string() << "\n";
    return 0;
}

void AddCriteriaOptions(CLI::App& command, CriteriaInput& input, const std::string& prefix, const std::string& what) {
    auto option = [&](const std::string& name, std::optional<std::string>& target, const std::string& description) {
        command.add_option_function<std::string>(
            "--" + prefix + name, [&target](const std::string& value) { target = value; }, description + what);
    };
    option("from", input.from, "Records of this day (yyyy-MM-dd) or later");
    option("to", input.to, "Records of this day (yyyy-MM-dd) or earlier");
    option("by", input.user, "Records of this user");
    option("function", input.functionKey, "Records of this function key");
    option("machine", input.machine, "Records written on this computer");
    option("address", input.address, "Records written from this network address");
    option("contains", input.contains, "Records whose description contains this text");
}

void AddAllCriteria(CLI::App& command, LogInput& input) {
    AddCriteriaOptions(command, input.filter, "", "");
    AddCriteriaOptions(command, input.quick, "quick-", " (quick filter)");
}

}  // namespace

OpenedWindow OpenLogListForInspection(CommandContext& context) {
    auto list = std::make_shared<OpenLogList>(context, nullptr);
    return OpenedWindow{(*list)->Menu(), [list] { return (*list)->RequestHelp().topic; },
                        [list]() mutable { list.reset(); }};
}

void AddLogCommands(CommandSet& commands) {
    auto show = std::make_shared<LogInput>();
    auto remove = std::make_shared<LogInput>();
    auto exported = std::make_shared<LogInput>();
    auto printed = std::make_shared<LogInput>();
    auto subcommands = std::make_shared<std::vector<CLI::App*>>();

    CLI::App& log = commands.Add("log", "The operation log, newest first; delete, export or print what it shows",
                                 [=](CommandContext& context) {
                                     if (Parsed((*subcommands)[0])) return DeleteLog(context, *remove);
                                     if (Parsed((*subcommands)[1])) {
                                         return WriteThroughWindow(context, *exported, "mnuExportData",
                                                                   "上机日志未引出。");
                                     }
                                     if (Parsed((*subcommands)[2])) {
                                         return WriteThroughWindow(context, *printed, "mnuFilePrint",
                                                                   "上机日志未打印。");
                                     }
                                     return ShowLog(context, *show);
                                 });
    log.require_subcommand(0, 1);
    log.fallthrough();
    AddAllCriteria(log, *show);
    log.add_option("--limit", show->limit, "At most this many records (all when 0)")
        ->check(CLI::Validator(
            [](const std::string& text) {
                int32_t count = -1;
                return CLI::detail::lexical_cast(text, count) && count >= 0
                           ? std::string()
                           : "takes a whole number of records, 0 or more (0 shows all), not \"" + text + "\"";
            },
            "COUNT"));
    commands.OnlyReads(log);

    CLI::App* del = commands.Subcommand(
        log, "delete", "Delete the records the criteria select (the question is answered by --yes or --no)");
    if (del != nullptr) AddAllCriteria(*del, *remove);
    CLI::App* exp = commands.Subcommand(log, "export", "Write the records shown to a .csv or .xlsx file");
    if (exp != nullptr) {
        exp->add_option("FILE", exported->file, "The file (.csv or .xlsx)")->required();
        AddAllCriteria(*exp, *exported);
    }
    CLI::App* print = commands.Subcommand(log, "print", "Print the records shown to a PDF file");
    if (print != nullptr) {
        print->add_option("FILE", printed->file, "The PDF file")->required();
        AddAllCriteria(*print, *printed);
    }
    *subcommands = {del, exp, print};
    for (CLI::App* sub : *subcommands) {
        if (sub != nullptr) sub->fallthrough();
    }
}

}  // namespace hub::cli
