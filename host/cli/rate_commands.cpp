// rate new, rate modify, rate show, rates: exchange rates as an accountant keeps them.
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

#include "cli/command_registry.h"
#include "cli/command_rights.h"
#include "cli/record_output.h"
#include "db/user_rights.h"
#include "tolm/host_error.h"
#include "tolm/registry.h"
#include "windows/bill_window.h"

namespace hub::cli {
namespace {

constexpr const char* PluginLibraryName = "libTolmBaseQelPlugin.so";

// The stored columns of a rate, in the order they are printed.
const std::vector<std::string>& RateColumns() {
    static const std::vector<std::string> columns{"FID",          "FNumber",        "FName",    "FCyTo",
                                                  "FExchangeRateType", "FExchangeRate", "FReverseExRate",
                                                  "FBegDate",     "FEndDate",       "FChkUserID"};
    return columns;
}

// The rates as the list shows them: the rows of the type's records (not the home
// currency's native rates), with what a person reads beside the ids.
constexpr const char* RateQuery =
    "SELECT e.FID, e.FNumber, e.FName, e.FCyTo, e.FExchangeRateType, e.FExchangeRate, e.FReverseExRate,"
    " e.FBegDate, e.FEndDate, e.FChkUserID,"
    " c.FNumber AS FCurrencyNumber, c.FName AS FCurrencyName, t.FNumber AS FTypeNumber, t.FName AS FTypeName,"
    " t.FDigits AS FTypeDigits, u.FName AS FAuditorName"
    " FROM t_ExchangeRateEntry e"
    " JOIN t_ExchangeRate h ON h.FID = e.FID AND h.FLevels = 2 AND h.FIsNativeRate <> 1"
    " LEFT JOIN t_Currency c ON c.FCurrencyID = e.FCyTo"
    " LEFT JOIN t_ExchangeRate t ON t.FID = e.FExchangeRateType"
    " LEFT JOIN t_User u ON u.FUserID = e.FChkUserID AND e.FChkUserID <> 0";

// ---- the editor class ------------------------------------------------------------------------

std::filesystem::path ProgramDirectory() {
    std::error_code ec;
    std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::current_path() : program.parent_path();
}

// The editor class must be registered for the editor to work. A registry without it
// (or naming a library that is gone) gets the plug-in built beside this program.
void EnsureEditorRegistered(CommandContext& context) {
    const tolm::ClassRegistryFile registry(context.Loader().RegistryPath());
    const auto found = registry.Find(RateBillEditClass);
    std::error_code ec;
    if (found && std::filesystem::exists(found->library, ec)) return;

    const std::filesystem::path library = ProgramDirectory() / PluginLibraryName;
    const std::string missing = std::string("The exchange-rate editor ") + RateBillEditClass +
                                (found ? " is registered with the missing library " + found->library
                                       : " is not registered in " + registry.Path().string());
    const std::string advice = "; register the plug-in with: tolm register <path of " +
                               std::string(PluginLibraryName) + ">";
    if (!std::filesystem::exists(library, ec)) {
        throw tolm::HostError(tolm::err::CannotCreateComponent,
                              missing + ", and there is no " + PluginLibraryName + " beside tolm" + advice, "tolm");
    }
    try {
        context.Loader().RegisterLibrary(library);
    } catch (const tolm::HostError& error) {
        throw tolm::HostError(error.Number(),
                              missing + ", and registering " + library.string() + " failed: " + error.Description() +
                                  advice,
                              "tolm");
    }
    if (!registry.Find(RateBillEditClass)) {
        throw tolm::HostError(tolm::err::CannotCreateComponent,
                              missing + ", and " + library.string() + " does not provide it" + advice, "tolm");
    }
    context.Err() << "tolm: " << missing << "; registered " << library.string() << "\n";
}

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

// The columns a terminal gives a text: wide East Asian characters take two.
size_t DisplayWidth(const std::string& text) {
    size_t width = 0;
    for (size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        width += length >= 3 ? 2 : 1;
        i += length;
    }
    return width;
}

std::string Pad(const std::string& text, size_t width) {
    const size_t used = DisplayWidth(text);
    return used >= width ? text : text + std::string(width - used, ' ');
}

// A rate with the type's places, as the list shows it.
std::string RateText(const tolm::Variant& value, const tolm::Variant& digits) {
    if (value.IsNull() || value.IsEmpty()) return "";
    const int places = digits.IsNull() || digits.IsEmpty() ? 4 : digits.ToLong();
    std::string text = tolm::FormatFixed(value.ToDouble(), places);
    if (!text.empty() && text.back() == '.') text.pop_back();
    return text;
}

std::string AuditText(const tolm::IRecordset& row) {
    const tolm::Variant auditor = row.Field("FChkUserID");
    if (auditor.IsNull() || auditor.ToLong() == 0) return "no";
    const std::string name = row.Field("FAuditorName").ToText();
    return "yes, by " + (name.empty() ? "user " + auditor.ToText() : name);
}

void PrintRate(std::ostream& out, const tolm::IRecordset& row) {
    const tolm::Variant digits = row.Field("FTypeDigits");
    const std::string reverse = RateText(row.Field("FReverseExRate"), digits);
    out << "Rate " << row.Field("FID").ToText() << ": " << row.Field("FNumber").ToText() << "  "
        << row.Field("FName").ToText() << "\n"
        << "  Type:      " << row.Field("FTypeNumber").ToText() << " " << row.Field("FTypeName").ToText() << "\n"
        << "  Currency:  " << row.Field("FCurrencyNumber").ToText() << " " << row.Field("FCurrencyName").ToText()
        << "\n"
        << "  Rate:      " << RateText(row.Field("FExchangeRate"), digits) << "  (reverse "
        << (reverse.empty() ? "not set" : reverse) << ")\n"
        << "  Valid:     " << ValueToText(row.Field("FBegDate")) << " to " << ValueToText(row.Field("FEndDate"))
        << "\n"
        << "  Audited:   " << AuditText(row) << "\n";
}

std::shared_ptr<tolm::MemoryRecordset> ReadRate(CommandContext& context, int32_t rateId) {
    auto rows = context.OpenSession()->Db()->Query(std::string(RateQuery) + " WHERE e.FID = ?1",
                                                   {tolm::Variant(rateId)});
    if (rows->IsEOF()) {
        throw tolm::HostError(tolm::err::ObjectNotFound, "There is no exchange rate " + std::to_string(rateId),
                              "tolm");
    }
    return rows;
}

void ShowRate(CommandContext& context, int32_t rateId, const char* heading) {
    auto row = ReadRate(context, rateId);
    if (context.Json()) {
        PrintJson(context.Out(), RowToJson(*row, RateColumns()));
        return;
    }
    if (heading != nullptr) context.Out() << heading << "\n";
    PrintRate(context.Out(), *row);
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

// Types what the command line gave into the editor, presses Save and reports.
int EditAndSave(CommandContext& context, const std::shared_ptr<BillWindow>& window, const RateInput& input) {
    OpenEditor editor(window);
    if (input.currencyOption->count() > 0) editor->Enter("FBase", input.currency);
    if (input.rateOption->count() > 0) editor->Enter("FExchangeRate", input.rate);
    if (input.fromOption->count() > 0) editor->Enter("FBegDate", input.from);
    if (input.toOption->count() > 0) editor->Enter("FEndDate", input.to);
    // What the editor told the person has been echoed on the error stream already.
    if (!editor->Save()) {
        context.Err() << "tolm: The rate was not saved.\n";
        return 1;
    }
    ShowRate(context, editor->RecordId(), "Saved:");
    return 0;
}

int NewRate(CommandContext& context, const RateInput& input) {
    const auto& session = context.OpenSession();
    EnsureEditorRegistered(context);
    return EditAndSave(context, BillWindow::ForNewRate(session, RateListFilter(input.typeId)), input);
}

int ModifyRate(CommandContext& context, const RateInput& input) {
    const auto& session = context.OpenSession();
    auto stored = session->Db()->Query("SELECT FExchangeRateType FROM t_ExchangeRateEntry WHERE FID = ?1",
                                       {tolm::Variant(input.rateId)});
    if (stored->IsEOF()) {
        throw tolm::HostError(tolm::err::ObjectNotFound, "There is no exchange rate " + std::to_string(input.rateId),
                              "tolm");
    }
    EnsureEditorRegistered(context);
    // Opened from the list of the rate's own type, as a person would open it.
    const int32_t typeId = stored->Field("FExchangeRateType").ToLong();
    return EditAndSave(context, BillWindow::ForRate(session, input.rateId, RateListFilter(typeId)), input);
}

int ListRates(CommandContext& context, const CLI::Option* typeOption, int32_t typeId) {
    RequireRight(context, rights::BaseDataSubsystem, rights::BaseDataObject, rights::View, "view exchange rates");
    Database& db = *context.OpenSession()->Db();
    std::shared_ptr<tolm::MemoryRecordset> rows;
    const char* order = " ORDER BY t.FNumber, c.FNumber, e.FBegDate, e.FID";
    if (typeOption->count() > 0) {
        if (db.Query("SELECT 1 FROM t_ExchangeRate WHERE FID = ?1 AND FLevels = 1", {tolm::Variant(typeId)})
                ->IsEOF()) {
            throw tolm::HostError(tolm::err::ObjectNotFound,
                                  "There is no exchange-rate type " + std::to_string(typeId), "tolm");
        }
        rows = db.Query(std::string(RateQuery) + " WHERE e.FExchangeRateType = ?1" + order, {tolm::Variant(typeId)});
    } else {
        rows = db.Query(std::string(RateQuery) + order);
    }

    if (context.Json()) {
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (; !rows->IsEOF(); rows->MoveNext()) list.push_back(RowToJson(*rows, RateColumns()));
        PrintJson(context.Out(), list);
        return 0;
    }
    if (rows->IsEOF()) {
        context.Out() << "No exchange rates.\n";
        return 0;
    }
    std::vector<std::vector<std::string>> table{
        {"FID", "Code", "Currency", "Rate", "Reverse", "From", "To", "Audited"}};
    for (; !rows->IsEOF(); rows->MoveNext()) {
        const tolm::Variant digits = rows->Field("FTypeDigits");
        table.push_back({rows->Field("FID").ToText(), rows->Field("FNumber").ToText(),
                         rows->Field("FCurrencyNumber").ToText(), RateText(rows->Field("FExchangeRate"), digits),
                         RateText(rows->Field("FReverseExRate"), digits), ValueToText(rows->Field("FBegDate")),
                         ValueToText(rows->Field("FEndDate")), AuditText(*rows)});
    }
    std::vector<size_t> widths(table.front().size(), 0);
    for (const auto& line : table) {
        for (size_t i = 0; i < line.size(); ++i) widths[i] = std::max(widths[i], DisplayWidth(line[i]));
    }
    for (const auto& line : table) {
        std::string text;
        for (size_t i = 0; i < line.size(); ++i) text += (i + 1 < line.size() ? Pad(line[i], widths[i] + 2) : line[i]);
        context.Out() << text << "\n";
    }
    return 0;
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
    auto subcommands = std::make_shared<std::vector<CLI::App*>>();

    CLI::App& rate = commands.Add("rate", "Add, modify or show one exchange rate", [=](CommandContext& context) {
        if ((*subcommands)[0]->parsed()) return NewRate(context, *newInput);
        if ((*subcommands)[1]->parsed()) return ModifyRate(context, *modifyInput);
        RequireRight(context, rights::BaseDataSubsystem, rights::BaseDataObject, rights::View, "view exchange rates");
        ShowRate(context, *showId, nullptr);
        return 0;
    });
    rate.require_subcommand(1);
    rate.fallthrough();

    CLI::App* add = rate.add_subcommand("new", "Add a rate through the exchange-rate editor");
    add->fallthrough();
    add->add_option("--type", newInput->typeId, "The id of the exchange-rate type")->required();
    AddRateInputOptions(*add, *newInput, true);

    CLI::App* modify = rate.add_subcommand("modify", "Change a rate through the exchange-rate editor");
    modify->fallthrough();
    modify->add_option("ID", modifyInput->rateId, "The rate's id")->required();
    AddRateInputOptions(*modify, *modifyInput, false);

    CLI::App* show = rate.add_subcommand("show", "Show one rate");
    show->fallthrough();
    show->add_option("ID", *showId, "The rate's id")->required();
    *subcommands = {add, modify, show};

    auto listType = std::make_shared<int32_t>(0);
    auto typeOption = std::make_shared<CLI::Option*>(nullptr);
    CLI::App& rates = commands.Add("rates", "List the exchange rates", [=](CommandContext& context) {
        return ListRates(context, *typeOption, *listType);
    });
    *typeOption = rates.add_option("--type", *listType, "Only the rates of this exchange-rate type (its id)");
}

}  // namespace hub::cli
