// rates, rate audit / unaudit / delete / disable / enable, export, import, option
// same-user, and the exchange-rate list and editor for menu and help.
//
// Every command works the host's exchange-rate list with the plug-in's list class
// attached, as a person would: a type is selected in the tree, rates are selected
// in the list, a command is clicked, and the class's questions are answered by
// --yes / --no (or on the terminal). Nothing here reads or writes a rate itself.
#include <unistd.h>

#include <algorithm>
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
#include "driver/form_driver.h"
#include "i18n/catalogue.h"
#include "model/user_store.h"
#include "tolm/host_error.h"
#include "windows/rate_list.h"
#include "windows/rate_list_window.h"
#include "windows/type_list_window.h"

namespace hub::cli {
namespace {

constexpr const char* Source = "tolm";

// The window open for the life of a command; closing it releases the list class.
class OpenRateList {
public:
    explicit OpenRateList(CommandContext& context) {
        const auto& session = context.OpenSession();
        for (const char* cls : {RateListEventClass, TypeServiceClass, RateBillEditClass}) {
            EnsureClassRegistered(context, cls);
        }
        m_window = RateListWindow::Create(session);
        m_window->Open();
    }
    ~OpenRateList() { m_window->Close(); }
    OpenRateList(const OpenRateList&) = delete;
    OpenRateList& operator=(const OpenRateList&) = delete;
    RateListWindow* operator->() const { return m_window.get(); }
    RateListWindow& operator*() const { return *m_window; }

private:
    std::shared_ptr<RateListWindow> m_window;
};

const TypeRow* FindType(const RateListWindow& window, int32_t id) {
    auto found = std::find_if(window.Types().begin(), window.Types().end(), [&](const TypeRow& t) { return t.id == id; });
    return found == window.Types().end() ? nullptr : &*found;
}

// A row keyed by column name: the stored values, except the rate, which holds the
// text the list shows.
nlohmann::ordered_json RowJson(int32_t typeId, const RateListWindowRow& row) {
    nlohmann::ordered_json object{{"FID", row.id}, {"FExchangeRateType", typeId}};
    const auto& columns = RateListWindow::Columns();
    for (size_t i = 0; i < columns.size(); ++i) {
        const std::string name = columns[i].name;
        object[name] = name == "FExchangeRate" ? nlohmann::ordered_json(row.cells[i]) : ValueToJson(row.stored[i]);
    }
    return object;
}

void PrintRows(CommandContext& context, const RateListWindow& window) {
    const std::string& language = context.Language();
    std::vector<std::vector<std::string>> table{{Translate(language, "内码")}};
    for (const RateListColumn& column : RateListWindow::Columns()) table.front().push_back(Translate(language, column.heading));
    for (const RateListWindowRow& row : window.Rows()) {
        table.push_back({std::to_string(row.id)});
        table.back().insert(table.back().end(), row.cells.begin(), row.cells.end());
    }
    PrintTable(context.Out(), table);
}

int ListRates(CommandContext& context, std::optional<int32_t> typeId, bool all) {
    RequireRight(context, rights::BaseDataSubsystem, rights::BaseDataObject, rights::View, "用户 %1 无权查看汇率。");
    OpenRateList list(context);
    // The find command shows every period instead of those still running.
    if (all) list->Click("mnuDataFind");
    std::vector<int32_t> typeIds;
    if (typeId) {
        typeIds.push_back(*typeId);
    } else {
        for (const TypeRow& type : list->Types()) typeIds.push_back(type.id);
    }
    const std::string& language = context.Language();
    nlohmann::ordered_json json = nlohmann::ordered_json::array();
    for (int32_t id : typeIds) {
        list->SelectType(id);
        if (context.Json()) {
            for (const RateListWindowRow& row : list->Rows()) json.push_back(RowJson(id, row));
            continue;
        }
        if (const TypeRow* type = FindType(*list, id)) {
            context.Out() << TranslateFormat(language, "汇率类型 %1 %2", {type->number, type->name}) << "\n";
        }
        if (list->Rows().empty()) {
            context.Out() << "  " << Translate(language, "没有汇率。") << "\n";
        } else {
            PrintRows(context, *list);
        }
    }
    if (context.Json()) PrintJson(context.Out(), json);
    return 0;
}

// Shows the rates in the list as a person finds them: the find command first, so
// that every period is shown and the list is read once, when their type is selected
// in the tree; then they are selected (the first is the current record). Rates of
// several types are refused: the list shows one type.
void SelectRates(CommandContext& context, RateListWindow& list, const std::vector<int32_t>& ids) {
    RateList rates(context.OpenSession());
    rates.ShowRates(ids);
    const int32_t typeId = rates.Rows().front().typeId;
    for (const RateListRow& rate : rates.Rows()) {
        if (rate.typeId != typeId) {
            throw tolm::HostError(tolm::err::Refused,
                                  Translate(context.Language(), "所给的汇率属于不同的汇率类型；请每次只给同一类型的汇率。"),
                                  Source);
        }
    }
    // Before a type is selected the list is empty, so the find reads nothing.
    list.Click("mnuDataFind");
    list.SelectType(typeId);
    list.SelectRates(ids);
}

int ClickOnRates(CommandContext& context, const std::vector<int32_t>& ids, const char* key) {
    OpenRateList list(context);
    SelectRates(context, *list, ids);
    list->Click(key);
    if (const std::optional<int> status = NotDone(context, list->LastOutcome(), "命令没有完成，汇率没有改动。")) {
        return *status;
    }
    if (context.Json()) {
        nlohmann::ordered_json json = nlohmann::ordered_json::array();
        for (const RateListWindowRow& row : list->Rows()) {
            if (std::find(ids.begin(), ids.end(), row.id) != ids.end()) json.push_back(RowJson(list->SelectedClassId(), row));
        }
        PrintJson(context.Out(), json);
    } else {
        context.Out() << Translate(context.Language(), "命令已完成。") << "\n";
    }
    return 0;
}

int SetSameUser(CommandContext& context, const std::string& state) {
    const bool wanted = state == "on";
    OpenRateList list(context);
    const auto tool = list->Menu()->FindBand("mnuEdit")->BandTools()->Item("mnuTheSameCheckUser");
    if (!tool->Enabled()) {
        throw tolm::HostError(tolm::err::AccessDenied,
                              Translate(context.Language(), "只有系统管理员可以更改“反审核和审核为同一人”选项。"),
                              Source);
    }
    if (tool->Checked() != wanted) list->Click("mnuTheSameCheckUser");
    if (!list->LastOutcome().Succeeded() || tool->Checked() != wanted) {
        context.Err() << "tolm: " << Translate(context.Language(), "选项没有改变。") << "\n";
        return 1;
    }
    context.Out() << Translate(context.Language(), wanted ? "反审核和审核为同一人：开" : "反审核和审核为同一人：关")
                  << "\n";
    return 0;
}

// export / import: the list's command opens the plug-in's transfer dialog, the file
// dialog is answered with FILE and the run button clicked, as a person would. The
// report the dialog shows is printed; progress is drawn on a terminal.
int TransferCommand(CommandContext& context, const std::string& file, bool exporting) {
    const std::filesystem::path path = CommandFile(context, file);
    OpenRateList list(context);
    HeadlessPlatform& screen = context.Platform();
    screen.SetTextObserver([&context](const TextRecord& shown) {
        std::string text = shown.text;
        std::erase(text, '\r');
        while (!text.empty() && text.front() == '\n') text.erase(0, 1);
        context.Out() << text << (text.ends_with('\n') ? "" : "\n");
    });
    if (::isatty(STDERR_FILENO) != 0) {
        screen.SetProgressObserver([&context](const std::optional<ProgressRecord>& progress) {
            if (!progress) {
                context.Err() << "\r\033[K" << std::flush;
            } else {
                context.Err() << "\r" << progress->caption << " " << progress->done << "/" << progress->total
                              << std::flush;
            }
        });
    }
    screen.QueueFile(path.string());
    screen.QueueFormDriver([](tolm::Form& form) {
        driver::Click(form.Control("cmdPath"));
        driver::Click(form.Control("cmdProcess"));
    });
    const size_t boxesBefore = screen.MessageBoxes().size();
    const size_t textsBefore = screen.Texts().size();
    list->Click(exporting ? "mnuExpExRate" : "mnuImpExRate");
    const std::string& language = context.Language();
    // What the dialog reported is shown only once it was stored; a write that failed
    // at the end is the outcome, told instead.
    if (const std::optional<int> status = NotDone(context, list->LastOutcome(), exporting ? "汇率体系未导出。" : "汇率体系未导入，没有改动任何数据。")) {
        return *status;
    }
    bool succeeded = false;
    if (exporting) {
        const std::string done = Translate(language, "导出汇率体系成功！");
        for (size_t i = boxesBefore; i < screen.MessageBoxes().size(); ++i) succeeded |= screen.MessageBoxes()[i].prompt == done;
    } else {
        const std::string done = Translate(language, "导入汇率体系成功！");
        for (size_t i = textsBefore; i < screen.Texts().size(); ++i) {
            succeeded |= screen.Texts()[i].text.find(done) != std::string::npos;
        }
    }
    return succeeded ? 0 : 1;
}

// How `help rates` sets the list up before F1.
struct HelpSetup {
    bool tree = false;
    bool find = false;
};

OpenedWindow OpenRateListForInspection(CommandContext& context, const HelpSetup& setup) {
    auto list = std::make_shared<OpenRateList>(context);
    RateListWindow& window = **list;
    // A person looking at rates has a type selected and the list focused; with the
    // tree focused, the root (the types themselves) is selected.
    if (!setup.tree && !window.Types().empty()) {
        window.SelectType(window.Types().front().id);
        window.SetFocus(RateListWindow::Focus::List);
    }
    if (setup.find) window.Click("mnuDataFind");
    return OpenedWindow{window.Menu(), [list] { return (**list).RequestHelp(); }, [list]() mutable { list.reset(); }};
}

OpenedWindow OpenEditorForInspection(CommandContext& context) {
    const auto& session = context.OpenSession();
    EnsureClassRegistered(context, RateBillEditClass);
    std::shared_ptr<BillWindow> editor = BillWindow::ForNewRate(session, RateListFilter(1));
    editor->Open();
    return OpenedWindow{editor->Menu(), [editor] { return editor->RequestHelp(); }, [editor] { editor->Close(); }};
}

}  // namespace

std::vector<InspectedWindow> RateListInspectedWindows() {
    auto setup = std::make_shared<HelpSetup>();
    return {{"rates", "The exchange-rate list",
             [setup](CLI::App& help) {
                 help.add_flag("--tree", setup->tree, "With the type tree focused (no type selected)");
                 help.add_flag("--find", setup->find, "After the find command (every period shown)");
             },
             [setup](CommandContext& context) { return OpenRateListForInspection(context, *setup); }},
            {"editor", "The exchange-rate editor (a new rate)", nullptr, &OpenEditorForInspection}};
}

void AddRateListSubcommands(CommandSet& commands, RateSubcommands& rate) {
    struct RateCommand {
        const char* name;
        const char* description;
        const char* key;
    };
    static constexpr RateCommand rateCommands[] = {
        {"audit", "Audit rates (the question is answered by --yes or --no)", "mnuCheck"},
        {"unaudit", "Reverse-audit rates (the question is answered by --yes or --no)", "mnuUnCheck"},
        {"delete", "Delete rates that are not audited", "mnuEditDel"},
        {"disable", "Disable rates that are not audited", "mnuEditUnuse"},
        {"enable", "Put disabled rates back in use", "mnuEditUse"},
    };
    for (const RateCommand& command : rateCommands) {
        CLI::App* sub = commands.Subcommand(*rate.parent, command.name, command.description);
        if (sub == nullptr) continue;
        auto ids = std::make_shared<std::vector<int32_t>>();
        sub->fallthrough();
        sub->add_option("ID", *ids, "The rates' ids")->required();
        const char* key = command.key;
        rate.Add(sub, [ids, key](CommandContext& context) { return ClickOnRates(context, *ids, key); });
    }
}

void AddRateListCommands(CommandSet& commands) {
    auto listType = std::make_shared<int32_t>(0);
    auto typeOption = std::make_shared<CLI::Option*>(nullptr);
    auto all = std::make_shared<bool>(false);
    CLI::App& rates = commands.Add("rates", "List the exchange rates as the exchange-rate list shows them",
                                   [=](CommandContext& context) {
                                       return ListRates(context,
                                                        (*typeOption)->count() > 0 ? std::optional(*listType) : std::nullopt,
                                                        *all);
                                   });
    *typeOption = rates.add_option("--type", *listType, "Only the rates of this exchange-rate type (its id)");
    rates.add_flag("--all", *all, "Every period, also rates that ended before the current period");
    commands.OnlyReads(rates);

    for (const bool exporting : {true, false}) {
        auto file = std::make_shared<std::string>();
        CLI::App& transfer = commands.Add(
            exporting ? "export" : "import",
            exporting ? "Export the rate system (types and rates) to a workbook through the exchange-rate list"
                      : "Import a rate system workbook through the exchange-rate list (existing data is kept)",
            [file, exporting](CommandContext& context) { return TransferCommand(context, *file, exporting); });
        transfer.add_option("FILE", *file, "The workbook: .xls or .xlsx")->required();
    }

    auto state = std::make_shared<std::string>();
    CLI::App& option = commands.Add("option", "Change a stored option of the exchange-rate list",
                                    [state](CommandContext& context) { return SetSameUser(context, *state); });
    option.require_subcommand(1);
    option.fallthrough();
    if (CLI::App* sameUser = commands.Subcommand(
            option, "same-user", "Whether the auditor may also reverse-audit (administrators only)")) {
        sameUser->fallthrough();
        sameUser->add_option("STATE", *state, "on or off")->required()->check(CLI::IsMember({"on", "off"}));
    }
}

}  // namespace hub::cli
