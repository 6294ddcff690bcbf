#include "windows/rate_list_window.h"

#include <algorithm>
#include <charconv>
#include <unordered_set>

#include "i18n/catalogue.h"
#include "model/rate_store.h"
#include "model/user_store.h"
#include "services/rate_feed.h"
#include "services/unit_of_work.h"
#include "tolm/components.h"
#include "tolm/platform.h"
#include "tolm/registry.h"
#include "tolm/text.h"
#include "windows/base_list_parts.h"
#include "windows/rate_display.h"
#include "windows/standard_menu_bars.h"
#include "windows/window_data_access.h"

namespace hub {
namespace {

constexpr const char* Source = "RateListWindow";
// The places of a reverse rate, which no type's precision governs.
constexpr int32_t ReverseRateDecimals = 6;

// Column name, page, field key (as the rate editor names its fields) and heading.
const std::vector<RateListColumn> ColumnTable{
    {"FNumber", "Page1", "FNumber", "代码"},
    {"FName", "Page1", "FName", "名称"},
    {"FCyTo", "Page2", "FBase", "币别"},
    {"FExchangeRate", "Page2", "FExchangeRate", "汇率"},
    {"FReverseExRate", "Page2", "FReverseExRate", "反向汇率"},
    {"FBegDate", "Page2", "FBegDate", "生效日期"},
    {"FEndDate", "Page2", "FEndDate", "失效日期"},
    {"FChkUserID", "Page2", "FChkUserID", "审核人"},
    {"FDeleted", "Page1", "FDeleted", "状态"},
};

// The table object: its "Map" is the window's own, made once (a class reads it for
// every selected record).
class RateTable final : public tolm::ITable {
public:
    RateTable() {
        m_map->SetItem("FID", tolm::Variant("FID"));
        for (const RateListColumn& column : ColumnTable) m_map->SetItem(column.name, tolm::Variant(column.fieldKey));
    }
    std::shared_ptr<tolm::Dictionary> TableInfo(const std::string& name) const override {
        if (name != "Map") throw tolm::HostError(tolm::err::ObjectNotFound, "The table has no information " + name, Source);
        return m_map;
    }

private:
    std::shared_ptr<tolm::Dictionary> m_map = std::make_shared<tolm::Dictionary>();
};

// A number as the list hands it to the class: every digit it holds, so the class's
// formatting rounds the stored value and not a rounded copy.
std::string FullNumberText(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string DateText(const tolm::Variant& value) {
    return value.Type() == tolm::VarType::Date ? tolm::FormatDateText(value.ToDate()) : value.ToText();
}

}  // namespace

const std::vector<RateListColumn>& RateListWindow::Columns() { return ColumnTable; }

std::shared_ptr<RateListWindow> RateListWindow::Create(std::shared_ptr<Session> session,
                                                       std::shared_ptr<hub::MenuBar> menuBar) {
    return std::shared_ptr<RateListWindow>(new RateListWindow(std::move(session), std::move(menuBar)));
}

RateListWindow::RateListWindow(std::shared_ptr<Session> session, std::shared_ptr<hub::MenuBar> menuBar)
    : m_session(std::move(session)),
      m_menuBar(menuBar ? std::move(menuBar) : BuildStandardMenuBar(StandardMenu::RateList, m_session ? m_session->Language() : "chs")),
      m_table(std::make_shared<RateTable>()),
      m_events(ReportToPerson) {
    if (!m_session) throw tolm::HostError(tolm::err::ObjectNotSet, "The rate list needs a logged-in session", Source);
    m_dataAccess = WindowDataAccess(m_session);
    m_view = std::make_shared<ClassGroupView>([this] { Refresh(); });
}

RateListWindow::~RateListWindow() = default;

std::string RateListWindow::FilterText() const { return RateListFilter(m_typeId); }

// ---- what the class reads ------------------------------------------------------------------

std::shared_ptr<tolm::Dictionary> RateListWindow::SelectedRecords() const {
    auto records = std::make_shared<tolm::Dictionary>();
    records->Reserve(m_selection.size());
    // A record's fields share one allocation: a selection of thousands of rates
    // would otherwise cost an allocation and a free per cell.
    struct Fields {
        std::vector<RecordField> items;
    };
    static const std::string idKey = "FID";
    static const std::vector<std::string> keys = [] {
        std::vector<std::string> made;
        for (const RateListColumn& column : ColumnTable) made.emplace_back(column.fieldKey);
        return made;
    }();
    const size_t onPage1 = static_cast<size_t>(std::count_if(ColumnTable.begin(), ColumnTable.end(), [](const RateListColumn& c) {
        return std::string_view(c.page) == "Page1";
    }));
    for (int32_t id : m_selection) {
        const RateListWindowRow* row = FindRow(id);
        if (row == nullptr) continue;
        auto fields = std::make_shared<Fields>();
        fields->items.reserve(ColumnTable.size() + 1);
        fields->items.emplace_back(tolm::Variant(id));
        for (size_t i = 0; i < ColumnTable.size(); ++i) fields->items.emplace_back(row->stored[i]);
        const auto field = [&](size_t index) {
            return tolm::Variant(std::shared_ptr<tolm::Object>(fields, &fields->items[index]));
        };
        auto page1 = std::make_shared<tolm::Dictionary>();
        auto page2 = std::make_shared<tolm::Dictionary>();
        page1->Reserve(onPage1 + 1);
        page2->Reserve(ColumnTable.size() - onPage1);
        page1->SetItem(idKey, field(0));
        for (size_t i = 0; i < ColumnTable.size(); ++i) {
            auto& page = std::string_view(ColumnTable[i].page) == "Page1" ? page1 : page2;
            page->SetItem(keys[i], field(i + 1));
        }
        auto record = std::make_shared<tolm::Dictionary>();
        record->Reserve(2);
        record->SetItem("Page1", tolm::Variant(page1));
        record->SetItem("Page2", tolm::Variant(page2));
        records->SetItem(std::to_string(id), tolm::Variant(record));
    }
    return records;
}

std::shared_ptr<tolm::IControl> RateListWindow::ActiveControl() const {
    if (m_focus == Focus::List) return ListControl();
    auto type = std::find_if(m_types.begin(), m_types.end(), [&](const TypeRow& row) { return row.id == m_typeId; });
    return TreeControl(type == m_types.end() ? nullptr
                                             : std::make_shared<TreeNode>(type->name, std::to_string(type->id)));
}

const RateListWindowRow* RateListWindow::FindRow(int32_t rateId) const {
    auto found = m_rowIndex.find(rateId);
    return found == m_rowIndex.end() ? nullptr : &m_rows[found->second];
}

// ---- reading -------------------------------------------------------------------------------

void RateListWindow::LoadTypes() {
    m_types = ListTypes(*m_session->Db());
    if (std::none_of(m_types.begin(), m_types.end(), [&](const TypeRow& row) { return row.id == m_typeId; })) {
        m_typeId = 0;
    }
}

std::vector<RateListWindowRow> RateListWindow::ReadRows() {
    std::vector<RateListWindowRow> rows;
    const tolm::Variant condition = tolm::Deref(tolm::Deref(m_view).ExternalCondition()).GetValue("FFilter", {});
    auto records = ListRateRows(*m_session->Db(), m_typeId, condition.ToText(), m_sortText);
    const std::string& language = m_session->Language();
    const std::string disabledText = Translate(language, "禁用");
    // One head per column for every row: the class reads only its "FColName".
    std::vector<std::shared_ptr<tolm::Dictionary>> heads;
    for (const RateListColumn& column : ColumnTable) {
        heads.push_back(std::make_shared<tolm::Dictionary>());
        heads.back()->SetItem("FColName", tolm::Variant(column.name));
    }
    auto rowData = std::make_shared<tolm::Dictionary>();
    std::vector<std::string> names;
    for (const RateListColumn& column : ColumnTable) names.emplace_back(column.name);
    // The columns looked up by name once, not for every cell.
    const std::vector<std::string> columns = records->Columns();
    const auto columnOf = [&](const std::string& name) {
        const auto found = std::find_if(columns.begin(), columns.end(), [&](const std::string& candidate) {
            return tolm::text::EqualsNoCase(candidate, name);
        });
        if (found == columns.end()) {
            throw tolm::HostError(tolm::err::FieldNotFound, "Item cannot be found in the collection: " + name, Source);
        }
        return static_cast<size_t>(found - columns.begin());
    };
    std::vector<size_t> at;
    for (const std::string& name : names) at.push_back(columnOf(name));
    // How each column's cell is written, decided once rather than by name per cell.
    enum class Shown { Text, Rate, ReverseRate, Date, Currency, Auditor, Disabled };
    std::vector<Shown> shown;
    for (const std::string& name : names) {
        shown.push_back(name == "FExchangeRate"                        ? Shown::Rate
                        : name == "FReverseExRate"                     ? Shown::ReverseRate
                        : name == "FBegDate" || name == "FEndDate"     ? Shown::Date
                        : name == "FCyTo"                              ? Shown::Currency
                        : name == "FChkUserID"                         ? Shown::Auditor
                        : name == "FDeleted"                           ? Shown::Disabled
                                                                       : Shown::Text);
    }
    const size_t idAt = columnOf("FID"), currencyAt = columnOf("FCurrencyNumber"), auditorAt = columnOf("FAuditorName");
    rows.reserve(records->Rows().size());
    int32_t rowNumber = 0;
    for (const std::vector<tolm::Variant>& record : records->Rows()) {
        RateListWindowRow row;
        row.id = record[idAt].ToLong();
        row.stored.reserve(ColumnTable.size());
        row.cells.reserve(ColumnTable.size());
        ++rowNumber;
        for (size_t column = 0; column < names.size(); ++column) {
            tolm::Variant value = record[at[column]];
            std::string text;
            if (!value.IsNull() && !value.IsEmpty()) {
                switch (shown[column]) {
                    case Shown::Rate:
                        text = FullNumberText(value.ToDouble());
                        break;
                    case Shown::ReverseRate:
                        text = RateDisplayText(value.ToDouble(), ReverseRateDecimals);
                        break;
                    case Shown::Date:
                        text = DateText(value);
                        break;
                    case Shown::Currency:
                        text = record[currencyAt].ToText();
                        break;
                    case Shown::Auditor:
                        if (value.ToLong() != 0) {
                            text = record[auditorAt].ToText();
                            if (text.empty()) text = TranslateFormat(language, "用户%1", {value});
                        }
                        break;
                    case Shown::Disabled:
                        if (value.ToLong() != 0) text = disabledText;
                        break;
                    case Shown::Text:
                        text = value.ToText();
                        break;
                }
            }
            rowData->SetItem(names[column], value);
            row.stored.push_back(std::move(value));
            row.cells.push_back(std::move(text));
        }
        for (size_t i = 0; i < names.size(); ++i) {
            tolm::Variant cell(std::move(row.cells[i]));
            bool continueRaise = false;
            m_events.Raise("ListFillRow", [&](tolm::IBaseListEvents& sink) {
                sink.ListFillRow(rowNumber, rowData, heads[i], cell, 0, continueRaise);
            });
            row.cells[i] = cell.ToText();
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

void RateListWindow::LoadRows() {
    m_rows = m_typeId != 0 ? ReadRows() : std::vector<RateListWindowRow>{};
    m_rowIndex.clear();
    for (size_t i = 0; i < m_rows.size(); ++i) m_rowIndex.emplace(m_rows[i].id, i);
    std::erase_if(m_selection, [&](int32_t id) { return FindRow(id) == nullptr; });
    m_currentId = m_selection.empty() ? 0 : m_selection.front();
    m_changes.Notify({WindowChangeKind::Rows, {}});
}

void RateListWindow::RefreshList() {
    LoadRows();
    m_events.Raise("RefreshList", [](tolm::IBaseListEvents& sink) { sink.RefreshList(); });
}

void RateListWindow::Refresh() {
    LoadTypes();
    RefreshList();
}

// ---- what the person does ------------------------------------------------------------------

void RateListWindow::RequireOpen() const {
    if (!m_open) {
        throw tolm::HostError(tolm::err::InvalidProcedureCall,
                              m_closed ? "The rate list is closed" : "The rate list is not open", Source);
    }
}

void RateListWindow::Open(const std::string& listClass) {
    if (m_open || m_closed) {
        throw tolm::HostError(tolm::err::InvalidProcedureCall,
                              m_open ? "The rate list is already open" : "A closed rate list cannot be opened again",
                              Source);
    }
    LoadTypes();
    m_listClass = tolm::CreateObject<tolm::IBaseListEventsClass>(listClass);
    m_open = true;
    m_changes.Notify({WindowChangeKind::Open, {}});
    m_events.Attach("Show", [&] { m_listClass->Show(shared_from_this()); });
    m_events.Raise("MenuBarInitialize", [&](tolm::IBaseListEvents& sink) { sink.MenuBarInitialize(m_menuBar); });
    RefreshList();
}

void RateListWindow::SelectType(int32_t typeId) {
    RequireOpen();
    if (typeId != 0 &&
        std::none_of(m_types.begin(), m_types.end(), [&](const TypeRow& row) { return row.id == typeId; })) {
        throw tolm::HostError(tolm::err::ObjectNotFound,
                              TranslateFormat(m_session->Language(), "汇率类型%1不存在。", {typeId}), Source);
    }
    m_typeId = typeId;
    m_focus = Focus::Tree;
    m_selection.clear();
    RefreshList();
}

void RateListWindow::SelectRates(const std::vector<int32_t>& rateIds) {
    RequireOpen();
    for (int32_t id : rateIds) {
        if (FindRow(id) == nullptr) {
            throw tolm::HostError(tolm::err::ObjectNotFound,
                                  TranslateFormat(m_session->Language(), "列表中没有内码为%1的汇率。", {id}), Source);
        }
    }
    m_selection.clear();
    std::unordered_set<int32_t> seen;
    for (int32_t id : rateIds) {
        if (seen.insert(id).second) m_selection.push_back(id);
    }
    m_currentId = m_selection.empty() ? 0 : m_selection.front();
    m_focus = Focus::List;
}

void RateListWindow::Click(const std::string& key) {
    RequireOpen();
    const std::shared_ptr<tolm::ITool> tool = ClickableTool(*m_menuBar, key, m_session->Language());
    bool cancel = false;
    std::string command;
    // The class's handling (an audit through the service and its log record, a type
    // saved through its dialog) and the host's own are one unit of work.
    const bool audit = tolm::text::EqualsNoCase(key, "mnuCheck") || tolm::text::EqualsNoCase(key, "mnuUnCheck");
    bool refresh = false;
    m_lastOutcome = RunClickAsUnit(
        *m_session,
        [&] {
            m_events.Raise("MenuBarClick", [&](tolm::IBaseListEvents& sink) { sink.MenuBarClick(tool, cancel); });
            if (cancel) return false;
            command = tool->Key();
            return HandleCommand(command, refresh);
        },
        audit ? "审核的记录没有写入上机日志，没有改动任何汇率。" : "命令的上机日志没有写入，没有改动任何数据。");
    if (!m_open) return;
    // Read once the change is stored: what the class does as the list is read (the
    // touch of the class after use and unuse) is not part of the command. After an
    // undo, the class may have shown the list as it was before.
    if (refresh || !m_lastOutcome.Succeeded()) RefreshList();
    if (cancel || !m_lastOutcome.Succeeded()) return;
    bool afterCancel = false;
    m_events.Raise("AfterMenuBarClick", [&](tolm::IBaseListEvents& sink) { sink.AfterMenuBarClick(tool, afterCancel); });
    // The class built its condition from the state before the find; the list now
    // shows what that condition selects.
    if (tolm::text::EqualsNoCase(command, "mnuDataFind") && m_open) {
        m_findMode = !m_findMode;
        RefreshList();
    }
}

bool RateListWindow::HandleCommand(const std::string& key, bool& refresh) {
    using tolm::text::EqualsNoCase;
    if (EqualsNoCase(key, "mnuFileNewItem")) {
        if (m_typeId == 0) {
            TellPerson(Translate(m_session->Language(), "请先在左边选择汇率类型。"));
            return false;
        }
        OpenEditor(BillWindow::ForNewRate(m_session, FilterText()));
        refresh = true;
    } else if (EqualsNoCase(key, "mnuEditModify")) {
        if (m_currentId == 0) return false;
        OpenEditor(BillWindow::ForRate(m_session, m_currentId, FilterText()));
        refresh = true;
    } else if (EqualsNoCase(key, "mnuEditDel")) {
        return refresh = DeleteSelected();
    } else if (EqualsNoCase(key, "mnuEditUnuse")) {
        return refresh = SetSelectedDisabled(true);
    } else if (EqualsNoCase(key, "mnuEditUse")) {
        return refresh = SetSelectedDisabled(false);
    } else if (EqualsNoCase(key, "mnuFileImpFeed")) {
        return refresh = ImportPublishedRates();
    } else if (EqualsNoCase(key, "mnuDataRefesh")) {
        Refresh();
    } else if (EqualsNoCase(key, "mnuFileExit")) {
        Close();
    }
    return true;
}

void RateListWindow::OpenEditor(std::shared_ptr<BillWindow> editor) {
    editor->Open();
    struct CloseOnExit {
        BillWindow& editor;
        ~CloseOnExit() { editor.Close(); }
    } closeOnExit{*editor};
    if (m_editorHost) m_editorHost(*editor);
}

std::vector<RateBook::Picked> RateListWindow::PickedRates() const {
    std::vector<RateBook::Picked> picked;
    for (int32_t id : m_selection) {
        const RateListWindowRow* row = FindRow(id);
        picked.push_back({id, row == nullptr ? std::string() : row->stored.front().ToText()});
    }
    return picked;
}

bool RateListWindow::DeleteSelected() {
    if (m_selection.empty()) {
        TellPerson(Translate(m_session->Language(), "请先选择要删除的汇率。"));
        return false;
    }
    RateBook(m_session).DeleteRates(PickedRates(), [&](const RateBook::Picked& rate) {
        return m_events.Raise("DeleteBillSucessful",
                              [&](tolm::IBaseListEvents& sink) { sink.DeleteBillSucessful(rate.number, rate.id); });
    });
    m_selection.clear();
    return true;
}

bool RateListWindow::ImportPublishedRates() {
    const std::string& language = m_session->Language();
    if (m_typeId == 0) {
        TellPerson(Translate(language, "请先在左边选择汇率类型。"));
        return false;
    }
    tolm::FileDialogOptions options;
    options.flags = tolm::fd::FileMustExist;
    options.title = Translate(language, "导入公布汇率");
    options.filter = Translate(language, "汇率文件 (*.xml;*.csv;*.zip)|*.xml;*.csv;*.zip|所有文件 (*.*)|*.*");
    const std::optional<std::string> path = tolm::Platform()->PickFile(tolm::FileDialogKind::Open, options);
    if (!path) {
        NoteDeclined();
        return false;
    }
    const FeedReport report = RateFeed(m_session).Import(FeedRequest{*path, ReadFeedFile(*path, language), {}, m_typeId});
    tolm::Platform()->ShowText(FeedReportText(report, language), Translate(language, "导入公布汇率"));
    return report.outcome.kind == Outcome::Kind::Done;
}

bool RateListWindow::SetSelectedDisabled(bool disabled) {
    if (m_selection.empty()) {
        TellPerson(Translate(m_session->Language(), disabled ? "请先选择要禁用的汇率。" : "请先选择要使用的汇率。"));
        return false;
    }
    RateBook(m_session).SetRatesDisabled(PickedRates(), disabled);
    return true;
}

int32_t RateListWindow::RequestHelp() {
    RequireOpen();
    return RequestBaseListHelp(m_events);
}

void RateListWindow::Close() {
    const std::shared_ptr<RateListWindow> keepAlive = shared_from_this();
    CloseWindow(m_open, m_closed, m_listClass, m_changes);
}

}  // namespace hub
