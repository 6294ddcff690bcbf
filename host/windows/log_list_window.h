// The host's operation-log list: the records of v_BASE_LogForQEL under the window's
// filter, newest first unless the attached class sorts otherwise.
//
// The window attaches CLogListEvent, whose Show prepares the session's log view,
// and only then reads the rows. The filter object holds what a person picked
// (dates, user, function, machine, address, text in the description) for the
// filter and for the quick filter, and builds the conditions from it itself; the
// rows shown are read again whenever either changes, so what the plug-in deletes
// "by the current filter" is what the person sees. The host's own handling of
// export writes the rows shown to .csv or .xlsx, and print, preview and page
// set-up write them to a PDF, each to the file the person picks, unless a desktop
// set a printer of its own.
//
// Single-threaded, like the user-interface thread it stands for.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "db/data_access.h"
#include "model/log_store.h"
#include "services/session.h"
#include "services/unit_of_work.h"
#include "tolm/host_library.h"
#include "tolm/plugin_abi.h"
#include "tolm/windows.h"
#include "windows/event_source.h"
#include "windows/menu_bar.h"
#include "windows/table_export.h"
#include "windows/window_change.h"

namespace hub {

inline constexpr const char* LogListEventClass = "TolmBaseQelPlugin.CLogListEvent";

// The filter object of the log list. Filter() answers "FilterString",
// "IsQuickFilter" (the 32-bit integer 1 while a quick filter is active, else 0) and
// "QuickFilterString", each built from the criteria picked; a fresh dictionary
// every time, so a reader cannot change the window's filter through it.
class LogListFilter final : public tolm::IListFilter {
public:
    std::shared_ptr<tolm::Dictionary> Filter() const override;

    const LogCriteria& Criteria() const { return m_criteria; }
    const std::optional<LogCriteria>& QuickCriteria() const { return m_quick; }
    // The condition of the rows shown: the filter's and the active quick filter's,
    // each in parentheses of its own; "" for all records.
    std::string Condition() const;

private:
    friend class LogListWindow;
    LogCriteria m_criteria;
    // Set while a quick filter is active; one without criteria counts as inactive.
    std::optional<LogCriteria> m_quick;
};

class LogListWindow : public tolm::IListInterface, public std::enable_shared_from_this<LogListWindow> {
public:
    // A column the person sees: the view's column and its heading (Simplified
    // Chinese, shown in the session language).
    struct Column {
        const char* field;
        const char* heading;
    };
    struct HelpAnswer {
        int32_t topic = 0;
        int32_t pathMode = 0;
    };
    enum class PrintCommand { Print, Preview, PageSetup };
    // Takes the rows shown to paper under a title (in the session language).
    using Printer = std::function<void(PrintCommand command, const std::string& title, const ShownTable& table)>;

    static std::shared_ptr<LogListWindow> Create(std::shared_ptr<Session> session);
    ~LogListWindow() override;
    LogListWindow(const LogListWindow&) = delete;
    LogListWindow& operator=(const LogListWindow&) = delete;

    // ---- tolm::IWindow / tolm::IListInterface (see windows.h) -----------------------------
    std::shared_ptr<tolm::IDataAccess> DataAccess() const override { return m_dataAccess; }
    std::shared_ptr<tolm::IMenuBar> MenuBar() const override { return m_menuBar; }
    int32_t Advise(const std::shared_ptr<tolm::IListEvents>& sink) override { return m_events.Advise(sink); }
    void Unadvise(int32_t cookie) override { m_events.Unadvise(cookie); }
    std::string SortText() const override { return m_sortText; }
    void SetSortText(const std::string& text) override { m_sortText = text; }
    // Reads the rows again under the current filter and sort.
    void Refresh(int32_t lMode, bool bKeepPosition) override;
    std::shared_ptr<tolm::IRecordset> CurrentRecordset() const override { return m_records; }
    std::shared_ptr<tolm::IListFilter> FilterObject() const override { return m_filter; }

    // ---- what the person at the screen does ---------------------------------------------
    // At most this many rows are read (all when 0); takes effect at the next reading.
    void SetRowLimit(int32_t limit) { m_rowLimit = limit; }
    // How print, preview and page set-up reach paper once the class let them go on.
    // Without a printer each writes a PDF to the file the person picks; a desktop
    // hands the rows to its own print support instead.
    void SetPrinter(Printer printer) { m_printer = std::move(printer); }
    // Opens the window: creates the list class by name and attaches it (Show), reads
    // the rows, raises MenuBarInitialize. A class that cannot be created raises
    // CannotCreateComponent and the window stays closed; a failing handler is
    // reported and the window opens all the same.
    void Open(const std::string& listClass = LogListEventClass);
    // Sets the filter, or the quick filter (nothing ends it), and reads the rows.
    void SetFilter(const LogCriteria& criteria);
    void SetQuickFilter(const std::optional<LogCriteria>& criteria);
    // Clicks the command of that key: raises MenuBarClick and, unless a handler
    // cancelled it, does the host's own handling. Raises ObjectNotFound when no band
    // shows the command and Refused when it is hidden or disabled (both in the
    // session language).
    void Click(const std::string& key);
    // What became of the last click: done (also when the class carried the command
    // out itself), unchanged (a question answered No), refused or failed. The person
    // has been told why.
    const Outcome& LastOutcome() const { return m_lastOutcome; }
    // Raises HelpHandler for that key (F1 by default) and gives what the handlers
    // answered; 0 for what none set.
    HelpAnswer RequestHelp(int16_t keyCode = 112);
    // Releases the attached class; the window takes no more person-side operations.
    void Close();

    // ---- what the person sees -----------------------------------------------------------
    bool IsOpen() const { return m_open; }
    static const std::vector<Column>& VisibleColumns();
    // The rows shown as text, the headings in the session language first: what
    // export and print write and the command line prints.
    ShownTable Shown() const;
    // The rows shown with every column of the view; nullptr before the first reading.
    const std::shared_ptr<tolm::MemoryRecordset>& Records() const { return m_records; }
    const std::shared_ptr<LogListFilter>& Filter() const { return m_filter; }
    const std::shared_ptr<hub::MenuBar>& Menu() const { return m_menuBar; }
    // Told of Rows when the rows are read anew, of Open when it opens or closes.
    WindowObservers& Changes() { return m_changes; }
    const std::vector<EventFailure>& EventFailures() const { return m_events.Failures(); }

private:
    explicit LogListWindow(std::shared_ptr<Session> session);

    void Reload();
    void RequireOpen() const;
    // The host's own handling, inside the click's unit of work; false when it did not
    // go through (the person has been told why).
    bool HandleCommand(const std::string& key);
    void Export();
    void Print();
    // The file the person picks for saving; nothing when cancelled.
    std::optional<std::string> PickSaveFile(const char* filter, const char* extension) const;
    void Report(const tolm::HostError& error) const;
    void Tell(const std::string& text) const;
    // Runs `write`; a file it could not write is told to the person rather than raised.
    template <class Write>
    void WriteOrTell(const std::string& path, Write&& write) const;

    std::shared_ptr<Session> m_session;
    std::shared_ptr<hub::DataAccess> m_dataAccess;
    std::shared_ptr<hub::MenuBar> m_menuBar;
    std::shared_ptr<LogListFilter> m_filter = std::make_shared<LogListFilter>();
    EventSource<tolm::IListEvents> m_events;
    std::shared_ptr<tolm::IListEventsClass> m_listClass;
    std::shared_ptr<tolm::MemoryRecordset> m_records;
    std::string m_sortText;
    int32_t m_rowLimit = 0;
    Printer m_printer;
    Outcome m_lastOutcome;
    bool m_open = false;
    bool m_closed = false;
    WindowObservers m_changes;
};

}  // namespace hub
