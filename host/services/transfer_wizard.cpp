#include "services/transfer_wizard.h"

#include <array>
#include <cmath>
#include <filesystem>
#include <limits>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "base/text_util.h"
#include "formats/workbook.h"
#include "i18n/catalogue.h"
#include "model/currency_store.h"
#include "model/rate_naming.h"
#include "model/rate_store.h"
#include "model/rate_transfer_store.h"
#include "model/type_store.h"
#include "model/user_store.h"
#include "services/ex_rate_update.h"
#include "tolm/base_data.h"
#include "tolm/host_error.h"
#include "tolm/platform.h"
#include "tolm/text.h"

namespace hub {

namespace {

constexpr const char* Source = "HubClassTransfer.Wizard";
// Progress is reported every so many rows: often enough to move a bar, seldom
// enough to cost nothing.
constexpr int64_t ProgressStep = 1000;
constexpr int32_t ExportPage = 5000;

// The sheets: their names and headings, in Simplified Chinese as everywhere in the
// code, shown in the session's language.
constexpr const char* TypeSheet = "汇率类型";
constexpr const char* RateSheet = "汇率";
constexpr std::array<const char*, 4> TypeHeadings{"代码", "名称", "汇率精度", "备注"};
constexpr std::array<const char*, 5> RateHeadings{"汇率类型代码", "币别代码", "汇率", "生效日期", "失效日期"};
constexpr std::array<const char*, 3> Languages{"chs", "cht", "en"};

using workbook::Cell;
using workbook::Row;

// Dates a spreadsheet cannot show as dates (before its calendar starts) are written
// as text in the stored form, which the import reads back.
Cell DateCell(tolm::DateTime day) {
    static const tolm::DateTime firstShown = tolm::MakeDate(1900, 3, 1);
    if (day < firstShown) return Cell::OfText(tolm::FormatDate(day, "yyyy-MM-dd"));
    return Cell::OfDate(day);
}

std::string CellText(const Cell& cell) {
    switch (cell.kind) {
        case Cell::Kind::Text:
            return Trimmed(cell.text);
        case Cell::Kind::Number:
            return tolm::Variant(cell.number).ToText();
        case Cell::Kind::Date:
            return tolm::FormatDate(cell.date, "yyyy-MM-dd");
        default:
            return {};
    }
}

const Cell& CellAt(const Row& row, std::optional<size_t> column) {
    static const Cell empty;
    return column && *column < row.size() ? row[*column] : empty;
}

std::optional<double> NumberOfCell(const Cell& cell) {
    if (cell.kind == Cell::Kind::Number) return cell.number;
    if (cell.kind != Cell::Kind::Text) return std::nullopt;
    const tolm::Variant text(Trimmed(cell.text));
    if (text.ToText().empty() || !text.IsNumeric()) return std::nullopt;
    return text.ToDouble();
}

std::optional<tolm::DateTime> DateOfCell(const Cell& cell) {
    if (cell.kind == Cell::Kind::Date) return cell.date;
    if (cell.kind != Cell::Kind::Text) return std::nullopt;
    const std::optional<tolm::DateTime> day = tolm::ParseDate(Trimmed(cell.text), tolm::DateForm::Any);
    if (!day) return std::nullopt;
    return std::chrono::floor<std::chrono::days>(*day);
}

std::string Folded(std::string text) {
    text = Trimmed(text);
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

bool IsCodeCharacter(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-';
}

int CharacterCount(const std::string& text) { return static_cast<int>(tolm::text::CharacterCount(text)); }

enum class SheetKind { Types, Rates };

// Where the columns of a sheet are, found from its heading row.
struct SheetLayout {
    size_t index = 0;
    std::string name;
    SheetKind kind = SheetKind::Types;
    std::vector<std::optional<size_t>> columns;
};

// The columns of each heading in a heading row, in any of the languages; nothing
// unless every heading is there.
template <size_t N>
std::optional<std::vector<std::optional<size_t>>> FindHeadings(const Row& row,
                                                               const std::array<const char*, N>& headings) {
    std::vector<std::optional<size_t>> columns(N);
    for (size_t h = 0; h < N; ++h) {
        std::set<std::string> spellings;
        for (const char* language : Languages) spellings.insert(Folded(Translate(language, headings[h])));
        for (size_t c = 0; c < row.size() && !columns[h]; ++c) {
            if (spellings.contains(Folded(CellText(row[c])))) columns[h] = c;
        }
        if (!columns[h]) return std::nullopt;
    }
    return columns;
}

// Reports progress to the platform and ends it however the run ends.
class Progress {
public:
    explicit Progress(std::string caption) : m_caption(std::move(caption)) {}
    ~Progress() {
        tolm::OnErrorSilent([] {
            if (auto platform = tolm::InstalledPlatform()) platform->EndProgress();
        });
    }
    void Step(int64_t total) {
        ++m_done;
        if (m_done % ProgressStep == 0) Report(total);
    }
    void Report(int64_t total) {
        tolm::OnErrorSilent([&] {
            if (auto platform = tolm::InstalledPlatform()) platform->ReportProgress(m_caption, m_done, total);
        });
    }

private:
    std::string m_caption;
    int64_t m_done = 0;
};

}  // namespace

TransferWizard::TransferWizard(std::shared_ptr<Session> session) : ServiceComponent(std::move(session)) {}

// ---- export -------------------------------------------------------------------------------

tolm::Variant TransferWizard::Export(const std::string& props, int32_t classTypeId, int32_t, std::string&,
                                     const std::string&, int16_t, const std::string&, int16_t, std::string& path,
                                     bool&, int16_t, const std::string&, const std::string&,
                                     std::shared_ptr<tolm::Collection>& messages) {
    RequireOwnProps(props);
    if (!messages) messages = std::make_shared<tolm::Collection>();
    auto fail = [&](const std::string& line) {
        messages->Add(tolm::Variant(line));
        return tolm::Variant(false);
    };
    if (!HoldsRight(rights::BaseDataSubsystem, rights::BaseDataObject, rights::Export)) {
        return fail(Text("对不起，您没有导出汇率体系的权限。"));
    }
    if (classTypeId != tolm::ExchangeRateClassTypeId) return fail(Text("只能导出汇率体系的数据。"));
    const std::filesystem::path file(path);
    const std::optional<workbook::Format> format = workbook::FormatOfPath(file);
    if (!format) return fail(Text("文件[%1]不是Excel文件：请选择扩展名为.xls或.xlsx的文件。", {tolm::Variant(path)}));

    try {
        // Read in one transaction, so the pages show one state of the rates; it
        // writes nothing and is rolled back.
        Transaction snapshot(Db());
        const std::vector<TypeRow> types = TransferTypes(Db());
        Progress progress(Text("正在导出汇率体系"));
        const int64_t total = static_cast<int64_t>(types.size()) + CountStoredRates(Db());

        std::unique_ptr<workbook::Writer> writer = workbook::CreateWriter(file, *format);
        Row heading;
        for (const char* text : TypeHeadings) heading.push_back(Cell::OfText(Text(text)));
        writer->AddSheet(Text(TypeSheet), {12, 24, 10, 40});
        writer->AddRow(heading);
        for (const TypeRow& type : types) {
            writer->AddRow({Cell::OfText(type.number), Cell::OfText(type.name),
                            type.digits.IsNull() ? Cell{} : Cell::OfNumber(type.digits.ToDouble()),
                            Cell::OfText(type.remark)});
            progress.Step(total);
        }

        heading.clear();
        for (const char* text : RateHeadings) heading.push_back(Cell::OfText(Text(text)));
        int sheets = 0;
        int64_t rowsLeft = 0;
        auto startRateSheet = [&] {
            ++sheets;
            const std::string name = sheets == 1 ? Text(RateSheet) : Text(RateSheet) + " " + std::to_string(sheets);
            writer->AddSheet(name, {14, 12, 14, 12, 12});
            writer->AddRow(heading);
            rowsLeft = writer->MaxRowsPerSheet() - 1;
        };
        startRateSheet();
        // One row, filled again for every rate: nothing is allocated per rate.
        Row cells{Cell::OfText({}), Cell::OfText({}), Cell::OfNumber(0), Cell{}, Cell{}};
        ForEachTransferRate(Db(), ExportPage, [&](const TransferRate* rate) {
            if (rate != nullptr) {
                if (rowsLeft == 0) startRateSheet();
                cells[0].text = rate->typeNumber;
                cells[1].text = rate->currencyNumber;
                cells[2].number = rate->rate;
                cells[3] = DateCell(rate->begin);
                cells[4] = DateCell(rate->end);
                writer->AddRow(cells);
                --rowsLeft;
            }
            progress.Step(total);
        });
        writer->Close();
        progress.Report(total);
    } catch (const workbook::WorkbookError&) {
        return fail(Text("无法写入文件[%1]：请检查路径、磁盘空间和写入权限。", {tolm::Variant(path)}));
    } catch (const tolm::HostError& error) {
        return fail(Text("导出汇率体系失败：%1", {tolm::Variant(error.Description())}));
    }
    return tolm::Variant(true);
}

// ---- import -------------------------------------------------------------------------------

namespace {

// One import: the checks of each row and the writing of what passes, inside the
// caller's transaction.
class RateImport {
public:
    RateImport(Database& db, const ServiceComponent& service, int64_t firstNewId)
        : m_db(db), m_service(service), m_firstNewId(firstNewId) {}

    // The reason the type row is refused; nothing when it was stored or exists.
    std::optional<std::string> TypeRow(const Row& row, const SheetLayout& layout) {
        const std::string number = CellText(CellAt(row, layout.columns[0]));
        const std::string name = CellText(CellAt(row, layout.columns[1]));
        const Cell& digitsCell = CellAt(row, layout.columns[2]);
        const std::string remark = CellText(CellAt(row, layout.columns[3]));

        if (number.empty()) return Text("代码不能为空！");
        if (name.empty()) return Text("名称不能为空！");
        if (CharacterCount(number) > ExRateUpdate::NumberLength) {
            return Text("代码不能超过%1个字符。", {ExRateUpdate::NumberLength});
        }
        if (CharacterCount(name) > ExRateUpdate::NameLength) {
            return Text("名称不能超过%1个字符。", {ExRateUpdate::NameLength});
        }
        if (CharacterCount(remark) > ExRateUpdate::RemarkLength) {
            return Text("备注不能超过%1个字符。", {ExRateUpdate::RemarkLength});
        }
        for (char c : number) {
            if (!IsCodeCharacter(c)) return Text("代码只能由字母、数字和“-”组成。");
        }
        if (name.find_first_of("'\"") != std::string::npos) return Text("名称不能包含单引号或双引号。");
        const std::optional<double> digits = NumberOfCell(digitsCell);
        if (!digits || *digits != std::floor(*digits) || *digits < 0 || *digits > ExRateUpdate::MaxDigits) {
            return Text("汇率精度必须是0到%1之间的整数。", {ExRateUpdate::MaxDigits});
        }

        if (const std::optional<int32_t> existing = TypeId(number)) {
            if (*existing < m_firstNewId) return std::nullopt;  // there already: left as it is
            return Text("汇率类型代码[%1]在文件中重复。", {tolm::Variant(number)});
        }
        if (OtherTypeWithName(m_db, name, 0)) return Text("汇率类型名称[%1]已存在。", {tolm::Variant(name)});
        m_typeIds[Folded(number)] = InsertType(m_db, TypeValues{number, name, static_cast<int32_t>(*digits), remark});
        m_nextRateId.reset();
        m_changed = true;
        return std::nullopt;
    }

    std::optional<std::string> RateRow(const Row& row, const SheetLayout& layout) {
        const std::string typeNumber = CellText(CellAt(row, layout.columns[0]));
        const std::string currencyNumber = CellText(CellAt(row, layout.columns[1]));
        const std::optional<int32_t> typeId = typeNumber.empty() ? std::nullopt : TypeId(typeNumber);
        if (!typeId) return Text("汇率类型[%1]不存在。", {tolm::Variant(typeNumber)});
        const std::optional<CurrencyRecord> currency = Currency(currencyNumber);
        if (!currency) return Text("币别[%1]不存在。", {tolm::Variant(currencyNumber)});
        if (currency->id == tolm::HomeCurrencyId) return Text("不允许录入本位币汇率，请选择其它币别。");
        const std::optional<double> rate = NumberOfCell(CellAt(row, layout.columns[2]));
        if (!rate || !IsStorableRate(*rate, Type(*typeId).digits)) return Text("汇率值无效，请输入大于0的数值！");
        const std::optional<tolm::DateTime> begin = DateOfCell(CellAt(row, layout.columns[3]));
        if (!begin) return Text("生效日期无效：请写成yyyy-MM-dd。");
        const std::optional<tolm::DateTime> end = DateOfCell(CellAt(row, layout.columns[4]));
        if (!end) return Text("失效日期无效：请写成yyyy-MM-dd。");
        if (*end < *begin) return Text("生效日期不能后于失效日期！");

        // A rate that begins on the same day overlaps too: only a row that overlaps
        // can be one that exists.
        if (const std::optional<int32_t> other = OverlappingRate(m_db, *typeId, currency->id, *begin, *end)) {
            const std::optional<int32_t> same = RateBeginningOn(m_db, *typeId, currency->id, *begin);
            if (same && *same < m_firstNewId) return std::nullopt;  // there already: left as it is
            if (!same && *other < m_firstNewId) return Text("已存在同一汇率类型、同一币别、同一日期的汇率数据。");
            return Text("与文件中前面的汇率有效期重叠。");
        }

        const TypeValues& type = Type(*typeId);
        const RateNaming naming = ComposeRateNaming(type.number, type.name, currency->number, currency->name, *begin);
        RateValues values;
        values.typeId = *typeId;
        values.currencyId = currency->id;
        values.rate = *rate;
        values.reverseRate = ReverseRateOf(*rate, type.digits);
        values.begin = *begin;
        values.end = *end;
        values.number = naming.number;
        values.name = naming.name;
        // Ids are counted up from the first free one: the import holds the write lock.
        if (!m_nextRateId) m_nextRateId = NewExchangeRateId(m_db, false);
        if (*m_nextRateId > std::numeric_limits<int32_t>::max()) {
            throw tolm::HostError(tolm::err::Overflow, Text("汇率内码已用尽，不能新增汇率。"), Source);
        }
        InsertRateWithId(m_db, static_cast<int32_t>((*m_nextRateId)++), values);
        m_changed = true;
        return std::nullopt;
    }

    bool Changed() const { return m_changed; }

private:
    std::string Text(const std::string& chinese, const tolm::VariantArray& values = {}) const {
        return m_service.Text(chinese, values);
    }

    std::optional<int32_t> TypeId(const std::string& number) {
        auto it = m_typeIds.find(Folded(number));
        if (it == m_typeIds.end()) it = m_typeIds.emplace(Folded(number), OtherTypeWithNumber(m_db, number, 0)).first;
        return it->second;
    }

    std::optional<CurrencyRecord> Currency(const std::string& number) {
        auto it = m_currencies.find(number);
        if (it == m_currencies.end()) it = m_currencies.emplace(number, FindCurrencyByCode(m_db, number)).first;
        return it->second;
    }

    const TypeValues& Type(int32_t typeId) {
        auto it = m_types.find(typeId);
        if (it == m_types.end()) {
            // The editor takes a type without a stored precision as having 6 places.
            it = m_types.emplace(typeId, FindType(m_db, typeId, 6).value_or(TypeValues{})).first;
        }
        return it->second;
    }

    Database& m_db;
    const ServiceComponent& m_service;
    int64_t m_firstNewId;
    bool m_changed = false;
    std::map<std::string, std::optional<CurrencyRecord>> m_currencies;
    std::map<int32_t, TypeValues> m_types;
    std::map<std::string, std::optional<int32_t>> m_typeIds;
    std::optional<int64_t> m_nextRateId;
};

}  // namespace

tolm::Variant TransferWizard::ImportFromData(const std::string& props, int16_t, std::string& path, const std::string&,
                                             const std::shared_ptr<tolm::Object>&,
                                             std::shared_ptr<tolm::Collection>& messages, int16_t, int16_t, int16_t,
                                             bool, const std::shared_ptr<tolm::Object>&, bool&, bool) {
    RequireOwnProps(props);
    if (!messages) messages = std::make_shared<tolm::Collection>();
    if (!HoldsRight(rights::BaseDataSubsystem, rights::BaseDataObject, rights::Import)) {
        throw tolm::HostError(tolm::err::AccessDenied, Text("对不起，您没有导入汇率体系的权限。"), Source);
    }
    const std::filesystem::path file(path);
    const std::optional<workbook::Format> format = workbook::FormatOfPath(file);
    if (!format) Refuse("文件[%1]不是Excel文件：请选择扩展名为.xls或.xlsx的文件。", {tolm::Variant(path)});
    // The person hears why the file cannot be read, in words that say what to change.
    auto unreadable = [&](const workbook::WorkbookError& error) {
        using Fault = workbook::WorkbookError::Fault;
        const tolm::Variant named(path);
        switch (error.Kind()) {
            case Fault::Missing:
                Refuse("文件[%1]不存在：请检查文件名和所在的文件夹。", {named});
            case Fault::NotAFile:
                Refuse("[%1]不是一个文件：请选择保存在磁盘上的Excel工作簿。", {named});
            case Fault::Denied:
                Refuse("没有读取文件[%1]的权限：请检查文件的访问权限。", {named});
            case Fault::TooLarge:
                Refuse("文件[%1]大于%2 MB，不能导入：请把数据分成几个较小的文件。",
                       {named, tolm::Variant(static_cast<int32_t>(workbook::MaxFileSize >> 20))});
            case Fault::Inflates:
                Refuse("文件[%1]解压后的内容太大，不能导入：请把数据分成几个较小的文件。", {named});
            case Fault::Unreadable:
                break;
        }
        Refuse("文件[%1]无法读取：它不是Excel工作簿，或者已经损坏。", {named});
    };

    std::unique_ptr<workbook::Reader> reader;
    std::vector<SheetLayout> layouts;
    try {
        reader = workbook::OpenReader(file, *format);
        const std::vector<std::string> names = reader->SheetNames();
        for (size_t index = 0; index < names.size(); ++index) {
            std::optional<SheetLayout> layout;
            bool empty = true;
            reader->ReadSheet(index, [&](int64_t, const Row& row) {
                empty = false;
                if (auto columns = FindHeadings(row, TypeHeadings)) {
                    layout = SheetLayout{index, names[index], SheetKind::Types, *columns};
                } else if (auto rateColumns = FindHeadings(row, RateHeadings)) {
                    layout = SheetLayout{index, names[index], SheetKind::Rates, *rateColumns};
                }
                return false;
            });
            if (empty) continue;
            if (!layout) {
                Refuse("工作表[%1]的第一行不是汇率类型或汇率的标题行，文件未导入。", {tolm::Variant(names[index])});
            }
            layouts.push_back(*layout);
        }
    } catch (const workbook::WorkbookError& error) {
        unreadable(error);
    }
    if (layouts.empty()) Refuse("文件[%1]中没有汇率类型或汇率的工作表。", {tolm::Variant(path)});
    // Types first: the rates of a type that comes in the same file need it stored.
    std::stable_sort(layouts.begin(), layouts.end(),
                     [](const SheetLayout& a, const SheetLayout& b) { return a.kind < b.kind; });

    int32_t rowsRead = 0;
    std::vector<std::string> refusals;
    Progress progress(Text("正在导入汇率体系"));
    try {
        Transaction transaction(Db());
        RateImport import(Db(), *this, NextTransferId(Db()));
        for (const SheetLayout& layout : layouts) {
            bool heading = true;
            reader->ReadSheet(layout.index, [&](int64_t rowNumber, const Row& row) {
                if (heading) {
                    heading = false;
                    return true;
                }
                ++rowsRead;
                progress.Step(0);
                const std::optional<std::string> refusal =
                    layout.kind == SheetKind::Types ? import.TypeRow(row, layout) : import.RateRow(row, layout);
                if (refusal) {
                    refusals.push_back(Text("工作表[%1]第%2行：%3", {tolm::Variant(layout.name),
                                                                       tolm::Variant(static_cast<int32_t>(rowNumber)),
                                                                       tolm::Variant(*refusal)}));
                }
                return true;
            });
        }
        if (import.Changed()) TouchRateClass(Db());
        transaction.Commit();
        progress.Report(0);
    } catch (const workbook::WorkbookError& error) {
        unreadable(error);
    }

    if (!refusals.empty()) {
        std::vector<std::string> lines{Text("以下数据行未导入：")};
        lines.insert(lines.end(), refusals.begin(), refusals.end());
        for (const std::string& line : lines) {
            const tolm::Variant item(line);
            messages->Add(item);
        }
    }
    auto result = std::make_shared<tolm::Dictionary>();
    result->SetItem("Page1", tolm::Variant(std::make_shared<ImportPage>(rowsRead)));
    return tolm::Variant(result);
}

}  // namespace hub
