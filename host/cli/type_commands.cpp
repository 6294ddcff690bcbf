// types, type new, type modify, type delete, and the type list for menu and help.
//
// Every command works the host's type list window with the plug-in's list class
// attached, as a person would: a type is selected in the tree, a command clicked,
// and the plug-in's type dialog is typed into key by key, so its filters, change,
// focus and precision rules apply. Nothing here writes a type itself.
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
#include "cli/window_commands.h"
#include "driver/form_driver.h"
#include "i18n/catalogue.h"
#include "model/user_store.h"
#include "tolm/host_error.h"
#include "tolm/text.h"
#include "windows/type_list_window.h"

namespace hub::cli {
namespace {

// The window open for the life of a command; closing it releases the list class.
class OpenTypeList {
public:
    explicit OpenTypeList(CommandContext& context) {
        const auto& session = context.OpenSession();
        EnsureClassRegistered(context, TypeListEventClass);
        EnsureClassRegistered(context, TypeServiceClass);
        m_window = TypeListWindow::Create(session);
        m_window->Open();
    }
    ~OpenTypeList() { m_window->Close(); }
    OpenTypeList(const OpenTypeList&) = delete;
    OpenTypeList& operator=(const OpenTypeList&) = delete;
    TypeListWindow* operator->() const { return m_window.get(); }
    const std::shared_ptr<TypeListWindow>& Window() const { return m_window; }

private:
    std::shared_ptr<TypeListWindow> m_window;
};

std::string DigitsText(const tolm::Variant& digits) { return digits.IsNull() || digits.IsEmpty() ? "" : digits.ToText(); }

nlohmann::ordered_json TypeJson(const TypeRow& row) {
    return {{"FID", row.id},
            {"FNumber", row.number},
            {"FName", row.name},
            {"FDigits", ValueToJson(row.digits)},
            {"FRemark", row.remark}};
}

void PrintTypes(CommandContext& context, const std::vector<const TypeRow*>& rows) {
    if (context.Json()) {
        nlohmann::ordered_json json = nlohmann::ordered_json::array();
        for (const TypeRow* row : rows) json.push_back(TypeJson(*row));
        PrintJson(context.Out(), json);
        return;
    }
    const std::string& language = context.Language();
    std::vector<std::vector<std::string>> table{{Translate(language, "内码"), Translate(language, "代码"),
                                                 Translate(language, "名称"), Translate(language, "汇率精度"),
                                                 Translate(language, "备注")}};
    for (const TypeRow* row : rows) {
        table.push_back({std::to_string(row->id), row->number, row->name, DigitsText(row->digits), row->remark});
    }
    PrintTable(context.Out(), table);
}

const TypeRow* FindRow(const TypeListWindow& window, int32_t id) {
    for (const TypeRow& row : window.Rows()) {
        if (row.id == id) return &row;
    }
    return nullptr;
}

// ---- the dialog, worked as a person works it ------------------------------------------------

struct TypeInput {
    int32_t id = 0;
    std::optional<std::string> number, name, digits, remark;
};

// What became of the dialog. `refusal` is set when the command itself stopped
// (a refused character, a read-only field); the dialog's own refusals were shown
// in message boxes, which the command line echoes on the error stream.
struct DialogOutcome {
    bool shown = false;
    bool saved = false;
    std::optional<std::string> refusal;
};

class DialogWorker {
public:
    DialogWorker(CommandContext& context, const TypeInput& input, bool modify, DialogOutcome& outcome)
        : m_context(context), m_input(input), m_modify(modify), m_outcome(outcome) {}

    void operator()(tolm::Form& form) {
        m_outcome.shown = true;
        m_boxesBefore = Boxes();
        const struct {
            const char* control;
            const char* label;
            const std::optional<std::string>& value;
        } fields[] = {{"txtNumber", "代码", m_input.number},
                      {"txtName", "名称", m_input.name},
                      {"txtDigits", "汇率精度", m_input.digits},
                      {"txtNote", "备注", m_input.remark}};
        for (const auto& field : fields) {
            if (field.value && !Retype(form.Control(field.control), field.label, *field.value)) return Cancel(form);
        }
        // The precision's rules run when the focus leaves it, as on screen.
        tolm::FormControl& digits = form.Control("txtDigits");
        if (digits.HasFocus()) driver::PressKey(digits, tolm::KeyTab);
        if (DialogSpoke()) return Cancel(form);
        tolm::FormControl& ok = form.Control("cmdOK");
        if (!ok.Enabled()) {
            m_outcome.refusal = Translate(m_context.Language(), "没有修改任何内容。");
            return Cancel(form);
        }
        driver::Click(ok);
        if (DialogSpoke()) return Cancel(form);
        // New mode clears the dialog for the next type; modify mode closes it.
        m_outcome.saved = m_modify ? form.IsUnloaded() : form.Control("txtNumber").Text().empty();
        Cancel(form);
    }

private:
    size_t Boxes() const { return m_context.Platform().MessageBoxes().size(); }
    bool DialogSpoke() const { return Boxes() != m_boxesBefore; }

    void Cancel(tolm::Form& form) {
        if (!form.IsUnloaded()) driver::Click(form.Control("cmdCancel"));
    }

    // Selects the field's whole text and types the value over it. False when the
    // command has to stop.
    bool Retype(tolm::FormControl& control, const char* label, const std::string& value) {
        const std::string& language = m_context.Language();
        const std::string fieldName = Translate(language, label);
        if (control.Locked()) {
            m_outcome.refusal = TranslateFormat(language, "%1是只读的，不能修改。", {fieldName});
            return false;
        }
        const auto length = static_cast<int32_t>(tolm::text::CharacterCount(value));
        if (control.MaxLength() > 0 && length > control.MaxLength()) {
            m_outcome.refusal = TranslateFormat(language, "%1最多只能输入%2个字符。", {fieldName, control.MaxLength()});
            return false;
        }
        driver::Click(control);
        if (DialogSpoke()) return false;
        control.SetSelection(0, static_cast<int32_t>(tolm::text::CharacterCount(control.Text())));
        if (value.empty()) driver::TypeKey(control, tolm::KeyBackspace);
        for (char32_t character : tolm::text::CodePoints(value)) {
            if (!driver::TypeCharacter(control, character)) {
                // A tab quoted back would look like nothing at all: it is named.
                m_outcome.refusal = character == U'\t'
                                        ? TranslateFormat(language, "%1中不能输入制表符。", {fieldName})
                                        : TranslateFormat(language, "%1中不能输入字符“%2”。",
                                                          {fieldName, tolm::text::EncodeUtf8(character)});
                return false;
            }
            if (DialogSpoke()) return false;
        }
        return true;
    }

    CommandContext& m_context;
    const TypeInput& m_input;
    bool m_modify;
    DialogOutcome& m_outcome;
    size_t m_boxesBefore = 0;
};

// Clicks the command with the dialog worked by `input`; true when the type was saved.
bool EditThroughDialog(CommandContext& context, OpenTypeList& list, const char* command, const TypeInput& input,
                       bool modify) {
    DialogOutcome outcome;
    context.Platform().QueueFormDriver(DialogWorker(context, input, modify, outcome));
    list->Click(command);
    if (outcome.refusal) context.Err() << "tolm: " << *outcome.refusal << "\n";
    return outcome.shown && outcome.saved && list->LastOutcome().kind == Outcome::Kind::Done;
}

int NewType(CommandContext& context, const TypeInput& input) {
    OpenTypeList list(context);
    list->SetFocus(TypeListWindow::Focus::Tree);
    if (!EditThroughDialog(context, list, "mnuFileNewItem", input, false)) {
        context.Err() << "tolm: " << Translate(context.Language(), "汇率类型未保存。") << "\n";
        return 1;
    }
    const std::string number(tolm::text::Trim(*input.number));
    for (const TypeRow& row : list->Rows()) {
        if (row.number == number) PrintTypes(context, {&row});
    }
    return 0;
}

int ModifyType(CommandContext& context, const TypeInput& input) {
    OpenTypeList list(context);
    list->Select(input.id);
    if (!EditThroughDialog(context, list, "mnuEditModify", input, true)) {
        context.Err() << "tolm: " << Translate(context.Language(), "汇率类型未保存。") << "\n";
        return 1;
    }
    if (const TypeRow* row = FindRow(*list.Window(), input.id)) PrintTypes(context, {row});
    return 0;
}

int DeleteType(CommandContext& context, int32_t id) {
    OpenTypeList list(context);
    list->Select(id);
    list->Click("mnuEditDel");
    if (const std::optional<int> status = NotDone(context, list->LastOutcome(), "汇率类型未删除。")) return *status;
    if (FindRow(*list.Window(), id) != nullptr) {
        context.Err() << "tolm: " << Translate(context.Language(), "汇率类型未删除。") << "\n";
        return 1;
    }
    if (!context.Json()) context.Out() << TranslateFormat(context.Language(), "已删除汇率类型%1。", {id}) << "\n";
    return 0;
}

int ListTypes(CommandContext& context) {
    RequireRight(context, rights::BaseDataSubsystem, rights::BaseDataObject, rights::View, "用户 %1 无权查看汇率。");
    OpenTypeList list(context);
    std::vector<const TypeRow*> rows;
    for (const TypeRow& row : list->Rows()) rows.push_back(&row);
    PrintTypes(context, rows);
    return 0;
}

void AddTypeFieldOptions(CLI::App& command, TypeInput& input, bool required) {
    auto optional = [&](const char* name, std::optional<std::string>& target, const char* description) {
        CLI::Option* option = command.add_option_function<std::string>(
            name, [&target](const std::string& value) { target = value; }, description);
        if (required) option->required();
    };
    optional("--code", input.number, "The type's code (letters, digits and -)");
    optional("--name", input.name, "The type's name");
    command.add_option_function<std::string>(
        "--digits", [&input](const std::string& value) { input.digits = value; },
        "The precision: decimal places of the type's rates, 0 to 10");
    command.add_option_function<std::string>(
        "--remark", [&input](const std::string& value) { input.remark = value; }, "A remark");
}

}  // namespace

OpenedWindow OpenTypeListForInspection(CommandContext& context) {
    auto list = std::make_shared<OpenTypeList>(context);
    return OpenedWindow{(*list)->Menu(), [list] { return (*list)->RequestHelp(); }, [list]() mutable { list.reset(); }};
}

void AddTypeCommands(CommandSet& commands) {
    auto newInput = std::make_shared<TypeInput>();
    auto modifyInput = std::make_shared<TypeInput>();
    auto deleteId = std::make_shared<int32_t>(0);
    auto subcommands = std::make_shared<std::vector<CLI::App*>>();

    CLI::App& type = commands.Add("type", "Add, modify or delete an exchange-rate type", [=](CommandContext& context) {
        if (Parsed((*subcommands)[0])) return NewType(context, *newInput);
        if (Parsed((*subcommands)[1])) return ModifyType(context, *modifyInput);
        return DeleteType(context, *deleteId);
    });
    type.require_subcommand(1);
    type.fallthrough();

    CLI::App* add = commands.Subcommand(type, "new", "Add a type through the type dialog");
    if (add != nullptr) AddTypeFieldOptions(*add, *newInput, true);

    CLI::App* modify = commands.Subcommand(type, "modify", "Change a type through the type dialog");
    if (modify != nullptr) {
        modify->add_option("ID", modifyInput->id, "The type's id")->required();
        AddTypeFieldOptions(*modify, *modifyInput, false);
    }

    CLI::App* remove =
        commands.Subcommand(type, "delete", "Delete a type (the question is answered by --yes or --no)");
    if (remove != nullptr) remove->add_option("ID", *deleteId, "The type's id")->required();
    *subcommands = {add, modify, remove};
    for (CLI::App* sub : *subcommands) {
        if (sub != nullptr) sub->fallthrough();
    }

    commands.OnlyReads(
        commands.Add("types", "List the exchange-rate types", [](CommandContext& context) { return ListTypes(context); }));
}

}  // namespace hub::cli
