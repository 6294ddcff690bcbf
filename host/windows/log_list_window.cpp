#include "windows/log_list_window.h"

#include <filesystem>

#include "i18n/catalogue.h"
#include "tolm/base_data.h"
#include "tolm/components.h"
#include "tolm/platform.h"
#include "tolm/registry.h"
#include "tolm/text.h"
#include "windows/base_list_parts.h"
#include "windows/standard_menu_bars.h"
#include "windows/tool_collection.h"
#include "windows/window_data_access.h"

namespace hub {
namespace {

constexpr const char* Source = "LogListWindow";
constexpr const char* ExportFilter = "CSV (*.csv)|*.csv|Excel (*.xlsx)|*.xlsx";
constexpr const char* PdfFilter = "PDF (*.pdf)|*.pdf";

bool HasExtension(const std::string& path, const char* extension) {
    return tolm::text::EqualsNoCase(std::filesystem::path(path).extension().string(), extension);
}

std::string CellText(const tolm::Variant& value) {
    if (value.IsNull() || value.IsEmpty()) return {};
    if (value.Type() == tolm::VarType::Date) return tolm::FormatDateText(value.ToDate());
    return value.ToText();
}

}  // namespace

// ---- the filter ---------------------------------------------------------------------------

std::string LogListFilter::Condition() const {
    const std::string filter = LogCondition(m_criteria);
    const std::string quick = m_quick ? LogCondition(*m_quick) : std::string();
    if (quick.empty()) return filter;
    if (filter.empty()) return quick;
    return "(" + filter + ") AND (" + quick + ")";
}

std::shared_ptr<tolm::Dictionary> LogListFilter::Filter() const {
    const std::string quick = m_quick ? LogCondition(*m_quick) : std::string();
    auto filter = std::make_shared<tolm::Dictionary>();
    filter->SetItem("FilterString", tolm::Variant(LogCondition(m_criteria)));
    filter->SetItem("IsQuickFilter", tolm::Variant(int32_t{quick.empty() ? 0 : 1}));
    filter->SetItem("QuickFilterString", tolm::Variant(quick));
    return filter;
}

// ---- the window ---------------------------------------------------------------------------

std::shared_ptr<LogListWindow> LogListWindow::Create(std::shared_ptr<Session> session) {
    return std::shared_ptr<LogListWindow>(new LogListWindow(std::move(session)));
}

LogListWindow::LogListWindow(std::shared_ptr<Session> session)
    : m_session(std::move(session)),
      m_menuBar(BuildStandardMenuBar(StandardMenu::LogList, m_session ? m_session->Language() : "chs")),
      m_events([this](const tolm::HostError& error) { Report(error); }) {
    if (!m_session) throw tolm::HostError(tolm::err::ObjectNotSet, "The log list needs a logged-in session", Source);
    m_dataAccess = WindowDataAccess(m_session);
}

LogListWindow::~LogListWindow() = default;

const std::vector<LogListWindow::Column>& LogListWindow::VisibleColumns() {
    // The description, the longest and most often Chinese, goes last.
    static const std::vector<Column> columns{{"FDate", "日期"},         {"FUserName", "用户"},
                                             {"FFunctionID", "功能"},   {"FMachineName", "计算机名"},
                                             {"FIPAddress", "IP地址"}, {"FDescription", "描述"}};
    return columns;
}

ShownTable LogListWindow::Shown() const {
    const std::string& language = m_session->Language();
    ShownTable table(1);
    for (const Column& column : VisibleColumns()) table[0].push_back(Translate(language, column.heading));
    if (!m_records) return table;
    std::vector<size_t> positions;
    const std::vector<std::string> stored = m_records->Columns();
    for (const Column& column : VisibleColumns()) {
        size_t position = 0;
        while (position < stored.size() && !tolm::text::EqualsNoCase(stored[position], column.field)) ++position;
        positions.push_back(position);
    }
    for (const auto& row : m_records->Rows()) {
        std::vector<std::string> cells;
        for (size_t position : positions) cells.push_back(position < row.size() ? CellText(row[position]) : "");
        table.push_back(std::move(cells));
    }
    return table;
}

void LogListWindow::RequireOpen() const {
    if (!m_open) {
        throw tolm::HostError(tolm::err::InvalidProcedureCall,
                              m_closed ? "The log list is closed" : "The log list is not open", Source);
    }
}

void LogListWindow::Reload() {
    m_records = LogRowsWhere(*m_session->Db(), m_filter->Condition(), LogOrderBy(m_sortText), m_rowLimit);
    m_changes.Notify({WindowChangeKind::Rows, {}});
}

void LogListWindow::Refresh(int32_t, bool) { Reload(); }

void LogListWindow::Open(const std::string& listClass) {
    if (m_open || m_closed) {
        throw tolm::HostError(tolm::err::InvalidProcedureCall,
                              m_open ? "The log list is already open" : "A closed log list cannot be opened again",
                              Source);
    }
    m_listClass = tolm::CreateObject<tolm::IListEventsClass>(listClass);
    m_open = true;
    // The class prepares the session's view before the list reads it.
    m_events.Attach("Show", [&] { m_listClass->Show(shared_from_this()); });
    Reload();
    m_changes.Notify({WindowChangeKind::Open, {}});
    m_events.Raise("MenuBarInitialize", [&](tolm::IListEvents& sink) { sink.MenuBarInitialize(m_menuBar); });
}

void LogListWindow::SetFilter(const LogCriteria& criteria) {
    RequireOpen();
    m_filter->m_criteria = criteria;
    Reload();
}

void LogListWindow::SetQuickFilter(const std::optional<LogCriteria>& criteria) {
    RequireOpen();
    m_filter->m_quick = criteria;
    Reload();
}

void LogListWindow::Click(const std::string& key) {
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
    // The class deletes the records the filter shows, and logs that it did, itself.
    m_lastOutcome = RunClickAsUnit(*m_session, [&] {
        m_events.Raise("MenuBarClick", [&](tolm::IListEvents& sink) { sink.MenuBarClick(tool, cancel); });
        return !cancel && HandleCommand(tool->Key());
    });
}

bool LogListWindow::HandleCommand(const std::string& key) {
    using tolm::text::EqualsNoCase;
    // What export and print write leaves the company as it is.
    return tolm::OnErrorReport([this](const tolm::HostError& error) { Report(error); }, [&] {
        if (EqualsNoCase(key, "mnuExportData")) {
            Export();
        } else if (EqualsNoCase(key, "mnuFilePrint") || EqualsNoCase(key, "mnuFilePreview") ||
                   EqualsNoCase(key, "mnuFilePageSetup")) {
            if (!m_printer) {
                Print();
            } else {
                const PrintCommand command = EqualsNoCase(key, "mnuFilePrint")     ? PrintCommand::Print
                                             : EqualsNoCase(key, "mnuFilePreview") ? PrintCommand::Preview
                                                                                   : PrintCommand::PageSetup;
                m_printer(command, Translate(m_session->Language(), "上机日志"), Shown());
            }
        } else if (EqualsNoCase(key, "mnuFileExit")) {
            Close();
        }
    });
}

std::optional<std::string> LogListWindow::PickSaveFile(const char* filter, const char* extension) const {
    tolm::FileDialogOptions options;
    options.flags = tolm::fd::OverwritePrompt;
    options.filter = filter;
    options.defaultExt = extension;
    return tolm::Platform()->PickFile(tolm::FileDialogKind::Save, options);
}

template <class Write>
void LogListWindow::WriteOrTell(const std::string& path, Write&& write) const {
    try {
        write();
    } catch (const tolm::HostError& error) {
        // The writer's reason (the system's or a library's words) is no sentence for
        // the person, who hears what to check instead.
        if (error.Number() != tolm::err::PathFileAccess) throw;
        Tell(TranslateFormat(m_session->Language(), "无法写入文件[%1]：请检查路径、磁盘空间和写入权限。", {path}));
    }
}

void LogListWindow::Export() {
    const auto path = PickSaveFile(ExportFilter, "csv");
    if (!path) return;
    if (HasExtension(*path, ".csv")) {
        WriteOrTell(*path, [&] { WriteCsv(*path, Shown()); });
    } else if (HasExtension(*path, ".xlsx")) {
        WriteOrTell(*path, [&] { WriteXlsx(*path, Translate(m_session->Language(), "上机日志"), Shown()); });
    } else {
        Tell(Translate(m_session->Language(), "请选择以.csv或.xlsx结尾的文件名。"));
    }
}

void LogListWindow::Print() {
    const auto path = PickSaveFile(PdfFilter, "pdf");
    if (!path) return;
    if (!HasExtension(*path, ".pdf")) {
        Tell(Translate(m_session->Language(), "请选择以.pdf结尾的文件名。"));
        return;
    }
    WriteOrTell(*path, [&] { WritePdf(*path, Translate(m_session->Language(), "上机日志"), Shown()); });
}

LogListWindow::HelpAnswer LogListWindow::RequestHelp(int16_t keyCode) {
    RequireOpen();
    HelpAnswer answer;
    const std::string classType = std::to_string(tolm::ExchangeRateClassTypeId);
    m_events.Raise("HelpHandler", [&](tolm::IListEvents& sink) {
        sink.HelpHandler(keyCode, 0, answer.topic, "", classType, 0, answer.pathMode);
    });
    return answer;
}

void LogListWindow::Close() {
    const std::shared_ptr<LogListWindow> keepAlive = shared_from_this();
    CloseWindow(m_open, m_closed, m_listClass, m_changes);
}

// ---- messages --------------------------------------------------------------------------------

void LogListWindow::Report(const tolm::HostError& error) const {
    tolm::OnErrorSilent([&] {
        tolm::CreateObject<tolm::IMessageService>(tolm::classname::MessageService)->ReportError(error, {});
    });
}

void LogListWindow::Tell(const std::string& text) const {
    tolm::OnErrorSilent(
        [&] { tolm::CreateObject<tolm::IMessageService>(tolm::classname::MessageService)->ShowMessage(text); });
}

}  // namespace hub
