#include "windows/type_list_window.h"

#include <algorithm>
#include <functional>

#include "i18n/catalogue.h"
#include "tolm/base_data.h"
#include "tolm/components.h"
#include "tolm/registry.h"
#include "tolm/text.h"
#include "windows/standard_menu_bars.h"
#include "windows/tool_collection.h"
#include "windows/window_data_access.h"

namespace hub {
namespace {

constexpr const char* Source = "TypeListWindow";
constexpr int16_t KeyF1 = 112;

// The columns of a type, as the records and the table map name them.
constexpr const char* Columns[] = {"FID", "FNumber", "FName", "FDigits", "FRemark"};

tolm::Variant ColumnValue(const TypeRow& row, const std::string& column) {
    if (column == "FID") return tolm::Variant(row.id);
    if (column == "FNumber") return tolm::Variant(row.number);
    if (column == "FName") return tolm::Variant(row.name);
    if (column == "FDigits") return row.digits;
    return tolm::Variant(row.remark);
}

class TypeNode final : public tolm::ITreeNode {
public:
    TypeNode(std::string text, std::string key) : m_text(std::move(text)), m_key(std::move(key)) {}
    std::string Text() const override { return m_text; }
    std::string Key() const override { return m_key; }

private:
    std::string m_text;
    std::string m_key;
};

// The focused control as the plug-in sees it at the moment it asks.
class WindowControl final : public tolm::IControl {
public:
    WindowControl(std::string typeName, std::shared_ptr<tolm::ITreeNode> selected, bool hasNodes)
        : m_typeName(std::move(typeName)), m_selected(std::move(selected)), m_hasNodes(hasNodes) {}
    std::string TypeName() const override { return m_typeName; }
    std::shared_ptr<tolm::ITreeNode> SelectedItem() const override {
        if (!m_hasNodes) {
            throw tolm::HostError(tolm::err::NotSupported, "The " + m_typeName + " has no nodes", Source);
        }
        return m_selected;
    }

private:
    std::string m_typeName;
    std::shared_ptr<tolm::ITreeNode> m_selected;
    bool m_hasNodes;
};

class TypeListView final : public tolm::IListView {
public:
    explicit TypeListView(std::function<void()> reload) : m_reload(std::move(reload)) {}
    void RefreshClassGroups(bool) override { m_reload(); }
    void SetExternalCondition(const std::shared_ptr<tolm::Dictionary>& condition) override { m_condition = condition; }
    std::shared_ptr<tolm::Dictionary> ExternalCondition() const override { return m_condition; }

private:
    std::function<void()> m_reload;
    std::shared_ptr<tolm::Dictionary> m_condition = std::make_shared<tolm::Dictionary>();
};

class TypeTable final : public tolm::ITable {
public:
    std::shared_ptr<tolm::Dictionary> TableInfo(const std::string& name) const override {
        if (name != "Map") throw tolm::HostError(tolm::err::ObjectNotFound, "The table has no information " + name, Source);
        auto map = std::make_shared<tolm::Dictionary>();
        for (const char* column : Columns) map->SetItem(column, tolm::Variant(std::string(column)));
        return map;
    }
};

class RecordField final : public tolm::IRecordField {
public:
    explicit RecordField(tolm::Variant value) : m_value(std::move(value)) {}
    tolm::Variant GetValue(const std::string&, const tolm::Variant&) const override { return m_value; }

private:
    tolm::Variant m_value;
};

}  // namespace

std::shared_ptr<TypeListWindow> TypeListWindow::Create(std::shared_ptr<Session> session) {
    return std::shared_ptr<TypeListWindow>(new TypeListWindow(std::move(session)));
}

TypeListWindow::TypeListWindow(std::shared_ptr<Session> session)
    : m_session(std::move(session)),
      m_menuBar(BuildStandardMenuBar(StandardMenu::TypeList)),
      m_table(std::make_shared<TypeTable>()),
      m_events([this](const tolm::HostError& error) { Report(error); }) {
    if (!m_session) throw tolm::HostError(tolm::err::ObjectNotSet, "The type list needs a logged-in session", Source);
    m_dataAccess = WindowDataAccess(m_session);
    m_view = std::make_shared<TypeListView>([this] { Reload(); });
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
    if (m_focus == Focus::List) return std::make_shared<WindowControl>("ListView", nullptr, false);
    std::shared_ptr<tolm::ITreeNode> node;
    if (const TypeRow* row = SelectedRow()) node = std::make_shared<TypeNode>(NodeText(*row), std::to_string(row->id));
    return std::make_shared<WindowControl>("TreeView", std::move(node), true);
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
    std::shared_ptr<tolm::ITool> tool;
    for (const auto& band : m_menuBar->Bands()) {
        const auto& tools = *band->BandTools();
        for (int32_t index = 1; index <= tools.Count() && !tool; ++index) {
            if (tolm::text::EqualsNoCase(tools.ItemAt(index)->Key(), key)) tool = tools.ItemAt(index);
        }
        if (tool) break;
    }
    const std::string& language = m_session->Language();
    if (!tool) {
        throw tolm::HostError(tolm::err::ObjectNotFound, TranslateFormat(language, "窗口中没有命令%1。", {key}), Source);
    }
    if (!tool->Visible() || !tool->Enabled()) {
        throw tolm::HostError(tolm::err::Refused, TranslateFormat(language, "命令%1当前不可用。", {tool->Caption()}),
                              Source);
    }
    bool cancel = false;
    m_events.Raise("MenuBarClick", [&](tolm::IBaseListEvents& sink) { sink.MenuBarClick(tool, cancel); });
    if (cancel) return;
    HandleCommand(tool->Key());
    if (!m_open) return;
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
        Tell(Translate(m_session->Language(), message));
        return std::nullopt;
    }
    return m_selectedId;
}

void TypeListWindow::HandleCommand(const std::string& key) {
    using tolm::text::EqualsNoCase;
    tolm::OnErrorReport([this](const tolm::HostError& error) { Report(error); }, [&] {
        if (EqualsNoCase(key, "mnuFileNewItem")) {
            TypeService()->EditExRateType(0);
            Reload();
        } else if (EqualsNoCase(key, "mnuEditModify")) {
            if (const auto id = SelectedOrTell("请先选择要修改的汇率类型。")) {
                TypeService()->EditExRateType(*id);
                Reload();
            }
        } else if (EqualsNoCase(key, "mnuEditDel")) {
            if (const auto id = SelectedOrTell("请先选择要删除的汇率类型。")) {
                if (TypeService()->DeleteExRateType(*id)) Reload();
            }
        } else if (EqualsNoCase(key, "mnuDataRefesh")) {
            Reload();
        } else if (EqualsNoCase(key, "mnuFileExit")) {
            Close();
        }
    });
}

int32_t TypeListWindow::RequestHelp() {
    RequireOpen();
    int32_t iHelpId = 0;
    int32_t lGetPathMode = 0;
    const std::string classType = std::to_string(tolm::ExchangeRateClassTypeId);
    m_events.Raise("HelpHandler", [&](tolm::IBaseListEvents& sink) {
        sink.HelpHandler(KeyF1, 0, iHelpId, "", classType, 0, lGetPathMode);
    });
    return iHelpId;
}

void TypeListWindow::Close() {
    if (m_closed) return;
    const std::shared_ptr<TypeListWindow> keepAlive = shared_from_this();
    const bool wasOpen = m_open;
    m_open = false;
    m_closed = true;
    std::shared_ptr<tolm::IBaseListEventsClass> listClass = std::move(m_listClass);
    listClass.reset();
    if (wasOpen) m_changes.Notify({WindowChangeKind::Open, {}});
}

// ---- messages --------------------------------------------------------------------------------

void TypeListWindow::Report(const tolm::HostError& error) const {
    tolm::OnErrorSilent([&] {
        tolm::CreateObject<tolm::IMessageService>(tolm::classname::MessageService)->ReportError(error, {});
    });
}

void TypeListWindow::Tell(const std::string& text) const {
    tolm::OnErrorSilent([&] { tolm::CreateObject<tolm::IMessageService>(tolm::classname::MessageService)->ShowMessage(text); });
}

}  // namespace hub
