#include "windows/type_list_window.h"

#include <algorithm>
#include <functional>

#include "i18n/catalogue.h"
#include "tolm/components.h"
#include "tolm/registry.h"
#include "tolm/text.h"
#include "windows/base_list_parts.h"
#include "windows/standard_menu_bars.h"
#include "windows/tool_collection.h"
#include "windows/window_data_access.h"

namespace hub {
namespace {

constexpr const char* Source = "TypeListWindow";

// The columns of a type, as the records and the table map name them.
constexpr const char* Columns[] = {"FID", "FNumber", "FName", "FDigits", "FRemark"};

tolm::Variant ColumnValue(const TypeRow& row, const std::string& column) {
    if (column == "FID") return tolm::Variant(row.id);
    if (column == "FNumber") return tolm::Variant(row.number);
    if (column == "FName") return tolm::Variant(row.name);
    if (column == "FDigits") return row.digits;
    return tolm::Variant(row.remark);
}

class TypeTable final : public tolm::ITable {
public:
    std::shared_ptr<tolm::Dictionary> TableInfo(const std::string& name) const override {
        if (name != "Map") throw tolm::HostError(tolm::err::ObjectNotFound, "The table has no information " + name, Source);
        auto map = std::make_shared<tolm::Dictionary>();
        for (const char* column : Columns) map->SetItem(column, tolm::Variant(std::string(column)));
        return map;
    }
};

}  // namespace

std::shared_ptr<TypeListWindow> TypeListWindow::Create(std::shared_ptr<Session> session) {
    return std::shared_ptr<TypeListWindow>(new TypeListWindow(std::move(session)));
}

TypeListWindow::TypeListWindow(std::shared_ptr<Session> session)
    : m_session(std::move(session)),
      m_menuBar(BuildStandardMenuBar(StandardMenu::TypeList, m_session ? m_session->Language() : "chs")),
      m_table(std::make_shared<TypeTable>()),
      m_events(ReportToPerson) {
    if (!m_session) throw tolm::HostError(tolm::err::ObjectNotSet, "The type list needs a logged-in session", Source);
    m_dataAccess = WindowDataAccess(m_session);
    m_view = std::make_shared<ClassGroupView>([this] { Reload(); });
}

TypeListWindow::~TypeListWindow() = default;

// ---- what the plug-in reads ----------------------------------------------------------------

const TypeRow* TypeListWindow::SelectedRow() const {
    auto found = std::find_if(m_rows.begin(), m_rows.end(), [&](const TypeRow& row) { return row.id == m_selectedId; });
    return found == m_rows.end() ? nullptr : &*found;
}

std::shared_ptr<tolm::Dictionary> TypeListWindow::SelectedRecords() const {
    auto records = std::make_shared<tolm::Dictionary>();
    if (const TypeRow* row = SelectedRow()) {
        auto page = std::make_shared<tolm::Dictionary>();
        for (const char* column : Columns) {
            page->SetItem(column, tolm::Variant(std::make_shared<RecordField>(ColumnValue(*row, column))));
        }
        auto record = std::make_shared<tolm::Dictionary>();
        record->SetItem("Page1", tolm::Variant(page));
        record->SetItem("Page2", tolm::Variant(std::make_shared<tolm::Dictionary>()));
        records->SetItem(std::to_string(row->id), tolm::Variant(record));
    }
    return records;
}

std::shared_ptr<tolm::IControl> TypeListWindow::ActiveControl() const {
    if (m_focus == Focus::List) return ListControl();
    const TypeRow* row = SelectedRow();
    return TreeControl(row ? std::make_shared<TreeNode>(NodeText(*row), std::to_string(row->id)) : nullptr);
}

// ---- what the person does ------------------------------------------------------------------

void TypeListWindow::RequireOpen() const {
    if (!m_open) {
        throw tolm::HostError(tolm::err::InvalidProcedureCall,
                              m_closed ? "The type list is closed" : "The type list is not open", Source);
    }
}

void TypeListWindow::Reload() {
    m_rows = ListTypes(*m_session->Db());
    if (!SelectedRow()) m_selectedId = 0;
    m_changes.Notify({WindowChangeKind::Rows, {}});
}

void TypeListWindow::Open(const std::string& listClass) {
    if (m_open || m_closed) {
        throw tolm::HostError(tolm::err::InvalidProcedureCall,
                              m_open ? "The type list is already open" : "A closed type list cannot be opened again",
                              Source);
    }
    Reload();
    m_listClass = tolm::CreateObject<tolm::IBaseListEventsClass>(listClass);
    m_open = true;
    m_changes.Notify({WindowChangeKind::Open, {}});
    m_events.Attach("Show", [&] { m_listClass->Show(shared_from_this()); });
    m_events.Raise("MenuBarInitialize", [&](tolm::IBaseListEvents& sink) { sink.MenuBarInitialize(m_menuBar); });
}

void TypeListWindow::Select(int32_t typeId) {
    RequireOpen();
    if (std::none_of(m_rows.begin(), m_rows.end(), [&](const TypeRow& row) { return row.id == typeId; })) {
        throw tolm::HostError(tolm::err::ObjectNotFound,
                              TranslateFormat(m_session->Language(), "汇率类型%1不存在。", {typeId}), Source);
    }
    m_selectedId = typeId;
    m_focus = Focus::Tree;
}

void TypeListWindow::Click(const std::string& key) {
    RequireOpen();
    // The command as a band shows it; a person clicks what is there.
    const std::shared_ptr<tolm::ITool> tool = ClickableTool(*m_menuBar, key, m_session->Language());
    bool cancel = false;
    m_lastOutcome = RunClickAsUnit(*m_session, [&] {
        m_events.Raise("MenuBarClick", [&](tolm::IBaseListEvents& sink) { sink.MenuBarClick(tool, cancel); });
        return !cancel && HandleCommand(tool->Key());
    });
    if (!m_open || cancel || !m_lastOutcome.Succeeded()) return;
    bool afterCancel = false;
    m_events.Raise("AfterMenuBarClick", [&](tolm::IBaseListEvents& sink) { sink.AfterMenuBarClick(tool, afterCancel); });
}

std::shared_ptr<tolm::IExRateTypeClass> TypeListWindow::TypeService() {
    auto service = tolm::CreateObject<tolm::IExRateTypeClass>(TypeServiceClass);
    service->SetListInterface(shared_from_this());
    return service;
}

std::optional<int32_t> TypeListWindow::SelectedOrTell(const char* message) const {
    if (m_selectedId == 0) {
        TellPerson(Translate(m_session->Language(), message));
        return std::nullopt;
    }
    return m_selectedId;
}

bool TypeListWindow::HandleCommand(const std::string& key) {
    using tolm::text::EqualsNoCase;
    if (EqualsNoCase(key, "mnuFileNewItem")) {
        TypeService()->EditExRateType(0);
        Reload();
    } else if (EqualsNoCase(key, "mnuEditModify")) {
        const auto id = SelectedOrTell("请先选择要修改的汇率类型。");
        if (!id) return false;
        TypeService()->EditExRateType(*id);
        Reload();
    } else if (EqualsNoCase(key, "mnuEditDel")) {
        const auto id = SelectedOrTell("请先选择要删除的汇率类型。");
        if (!id || !TypeService()->DeleteExRateType(*id)) return false;
        Reload();
    } else if (EqualsNoCase(key, "mnuDataRefesh")) {
        Reload();
    } else if (EqualsNoCase(key, "mnuFileExit")) {
        Close();
    }
    return true;
}

int32_t TypeListWindow::RequestHelp() {
    RequireOpen();
    return RequestBaseListHelp(m_events);
}

void TypeListWindow::Close() {
    const std::shared_ptr<TypeListWindow> keepAlive = shared_from_this();
    CloseWindow(m_open, m_closed, m_listClass, m_changes);
}

}  // namespace hub
