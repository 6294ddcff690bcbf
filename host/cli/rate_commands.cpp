// rate new, rate modify, rate show: one exchange rate as an accountant keeps it.
//
// New and modified rates go through the host's rate editor with the plug-in's editor
// class attached, exactly as at the screen: the fields are typed in, Save is pressed,
// and the plug-in's checks and follow-up apply. Nothing here writes a rate itself.
#include <algorithm>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/command_registry.h"
#include "cli/command_rights.h"
#include "cli/plugin_classes.h"
#include "cli/record_output.h"
#include "model/user_store.h"
#include "i18n/catalogue.h"
#include "tolm/host_error.h"
#include "tolm/registry.h"
#include "tolm/text.h"
#include "base/paths.h"
#include "windows/bill_window.h"
#include "windows/rate_list.h"

namespace hub::cli {
namespace {

// The window open for the life of a command; closing it releases the editor class.
class OpenEditor {
public:
    explicit OpenEditor(std::shared_ptr<BillWindow> window) : m_window(std::move(window)) { m_window->Open(); }
    ~OpenEditor() { m_window->Close(); }
    OpenEditor(const OpenEditor&) = delete;
    OpenEditor& operator=(const OpenEditor&) = delete;
    BillWindow* operator->() const { return m_window.get(); }

private:
    std::shared_ptr<BillWindow> m_window;
};

// ---- printing --------------------------------------------------------------------------------

// The stored columns of a rate, keyed by their names.
nlohmann::ordered_json RateJson(const RateListRow& row) {
    nlohmann::ordered_json object = nlohmann::ordered_json::object();
    const std::vector<std::string>& columns = RateList::StoredColumns();
    for (size_t i = 0; i < columns.size(); ++i) object[columns[i]] = ValueToJson(row.stored[i]);
    return object;
}

void PrintRate(std::ostream& out, const std::string& language, const RateListRow& row) {
    out << TranslateFormat(language, "汇率%1：%2  %3", {row.id, row.number, row.name}) << "\n";
    PrintFields(
        out, "  ",
        {{Translate(language, "汇率类型："), row.type + " " + row.typeName},
         {Translate(language, "币别："), row.currency + " " + row.currencyName},
         {Translate(language, "汇率："),
          TranslateFormat(language, "%1（反向汇率：%2）",
                          {row.rate, row.reverseRate.empty() ? Translate(language, "未设置") : row.reverseRate})},
         {Translate(language, "生效日期："), row.begin},
         {Translate(language, "失效日期："), row.end},
         {Translate(language, "审核状态："), row.auditor.empty()
                                                 ? Translate(language, "未审核")
                                                 : TranslateFormat(language, "已审核（审核人：%1）", {row.auditor})}});
}

// `heading`, when given, is the Chinese line shown above the rate.
void ShowRate(CommandContext& context, int32_t rateId, const char* heading) {
    RateList list(context.OpenSession());
    list.ShowRate(rateId);
    const RateListRow& row = list.Rows().front();
    if (context.Json()) {
        PrintJson(context.Out(), RateJson(row));
        return;
    }
    if (heading != nullptr) context.Out() << Translate(context.Language(), heading) << "\n";
    PrintRate(context.Out(), context.Language(), row);
}

// ---- the commands ------------------------------------------------------------------------------

struct RateInput {
    int32_t typeId = 0;
    int32_t rateId = 0;
    std::string currency;
    std::string rate;
    std::string from;
    std::string to;
    CLI::Option* currencyOption = nullptr;
    CLI::Option* rateOption = nullptr;
    CLI::Option* fromOption = nullptr;
    CLI::Option* toOption = nullptr;
};

// Types what the command line gave into the editor, presses Save and reports. An
// option the editor cannot take is refused naming the option and what it expects.
int EditAndSave(CommandContext& context, const std::shared_ptr<BillWindow>& window, const RateInput& input) {
    struct Field {
        const CLI::Option* option;
        const char* key;
        const std::string& text;
        const char* expected;
    };
    const Field fields[] = {
        {input.currencyOption, "FBase", input.currency, "币别代码，例如 USD"},
        {input.rateOption, "FExchangeRate", input.rate, "大于 0 的数字，例如 7.1"},
        {input.fromOption, "FBegDate", input.from, "日期，格式为 yyyy-MM-dd"},
        {input.toOption, "FEndDate", input.to, "日期，格式为 yyyy-MM-dd"},
    };
    const std::string& language = context.Language();
    auto refuse = [&](const Field& field, std::string why) {
        // The editor's sentence becomes a clause: its closing stop goes.
        for (const std::string_view stop : {".", "。"}) {
            if (why.ends_with(stop)) why.erase(why.size() - stop.size());
        }
        return tolm::HostError(tolm::err::InvalidProcedureCall,
                               TranslateFormat(language, "%1：%2；应为%3。",
                                               {field.option->get_name(), why, Translate(language, field.expected)}),
                               "tolm");
    };
    OpenEditor editor(window);
    for (const Field& field : fields) {
        if (field.option->count() == 0) continue;
        if (tolm::text::IsBlank(field.text)) throw refuse(field, Translate(language, "不能为空"));
        try {
            editor->Enter(field.key, field.text);
        } catch (const tolm::HostError& error) {
            // A field the editor keeps locked is no matter of how the value is written.
            if (error.Number() == tolm::err::Refused) {
                throw tolm::HostError(tolm::err::Refused,
                                      TranslateFormat(language, "%1：%2", {field.option->get_name(), error.Description()}),
                                      "tolm");
            }
            throw refuse(field, error.Description());
        }
    }
    // What the editor told the person has been echoed on the error stream already.
    if (!editor->Save()) {
        context.Err() << "tolm: " << Translate(context.Language(), "汇率未保存。") << "\n";
        return 1;
    }
    ShowRate(context, editor->RecordId(), "已保存：");
    return 0;
}

int NewRate(CommandContext& context, const RateInput& input) {
    const auto& session = context.OpenSession();
    EnsureClassRegistered(context, RateBillEditClass);
    return EditAndSave(context, BillWindow::ForNewRate(session, RateListFilter(input.typeId)), input);
}

int ModifyRate(CommandContext& context, const RateInput& input) {
    const auto& session = context.OpenSession();
    RateList list(session);
    list.ShowRate(input.rateId);
    EnsureClassRegistered(context, RateBillEditClass);
    // Opened from the list of the rate's own type, as a person would open it.
    const int32_t typeId = list.Rows().front().typeId;
    return EditAndSave(context, BillWindow::ForRate(session, input.rateId, RateListFilter(typeId)), input);
}

void AddRateInputOptions(CLI::App& command, RateInput& input, bool required) {
    input.currencyOption = command.add_option("--currency", input.currency, "The currency's code, such as USD");
    input.rateOption = command.add_option("--rate", input.rate, "Units of the home currency per unit of the currency");
    input.fromOption = command.add_option("--from", input.from, "The first day of validity, yyyy-MM-dd");
    input.toOption = command.add_option("--to", input.to, "The last day of validity, yyyy-MM-dd");
    if (required) {
        for (CLI::Option* option : {input.currencyOption, input.rateOption, input.fromOption, input.toOption}) {
            option->required();
        }
    }
}

}  // namespace

void AddRateCommands(CommandSet& commands) {
    auto newInput = std::make_shared<RateInput>();
    auto modifyInput = std::make_shared<RateInput>();
    auto showId = std::make_shared<int32_t>(0);
    auto subcommands = std::make_shared<RateSubcommands>();

    CLI::App& rate = commands.Add("rate", "Add, modify, show, audit or delete exchange rates", [=](CommandContext& context) {
        for (const auto& [parser, action] : subcommands->list) {
            if (parser->parsed()) return action(context);
        }
        return 0;
    });
    rate.require_subcommand(1);
    rate.fallthrough();
    subcommands->parent = &rate;

    if (CLI::App* add = commands.Subcommand(rate, "new", "Add a rate through the exchange-rate editor")) {
        add->fallthrough();
        add->add_option("--type", newInput->typeId, "The id of the exchange-rate type")->required();
        AddRateInputOptions(*add, *newInput, true);
        subcommands->Add(add, [=](CommandContext& context) { return NewRate(context, *newInput); });
    }

    if (CLI::App* modify = commands.Subcommand(rate, "modify", "Change a rate through the exchange-rate editor")) {
        modify->fallthrough();
        modify->add_option("ID", modifyInput->rateId, "The rate's id")->required();
        AddRateInputOptions(*modify, *modifyInput, false);
        subcommands->Add(modify, [=](CommandContext& context) { return ModifyRate(context, *modifyInput); });
    }

    if (CLI::App* show = commands.Subcommand(rate, "show", "Show one rate")) {
        show->fallthrough();
        show->add_option("ID", *showId, "The rate's id")->required();
        commands.OnlyReads(*show);
        subcommands->Add(show, [=](CommandContext& context) {
            RequireRight(context, rights::BaseDataSubsystem, rights::BaseDataObject, rights::View,
                         "用户 %1 无权查看汇率。");
            ShowRate(context, *showId, nullptr);
            return 0;
        });
    }

    AddRateListSubcommands(commands, *subcommands);
}

}  // namespace hub::cli
