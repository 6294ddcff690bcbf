// CLogListEvent: attached to the host's operation-log list. Prepares the session's
// log view, hides the commands that make no sense for a log, puts export on the
// tool bar, takes delete over (it removes every record of the window's current
// filter), guards delete, export and print with the log rights, and answers F1.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "frame/event_sinks.h"
#include "frame/live_objects.h"
#include "tolm/plugin_abi.h"

namespace qel {

class CLogListEvent final : public tolm::IListEventsClass, public std::enable_shared_from_this<CLogListEvent> {
public:
    // The key the host's delete command is given, so that its click reaches us
    // rather than the host's own deletion.
    static constexpr const char* DeleteKey = "mnuEditDelete4Custom";

    CLogListEvent();
    ~CLogListEvent() override;

    // Never raises: a window whose view or sort cannot be prepared still works with
    // what it has.
    void Show(const std::shared_ptr<tolm::IListInterface>& oListInterface) override;
    // Whether the session's user holds the right; false on any failure.
    bool CheckLogRight(tolm::Log_AccessType& AccessType) override;

private:
    friend class ListSink<CLogListEvent>;

    // No trap in these two: a missing band or tool ends the handler, and the host
    // hears of it as the failure of the event.
    void m_ListInterface_MenuBarInitialize(const std::shared_ptr<tolm::IMenuBar>& oMenuBar);
    void m_ListInterface_MenuBarClick(const std::shared_ptr<tolm::ITool>& QELTool, bool& Cancel);
    void m_ListInterface_HelpHandler(int16_t KeyCode, int16_t Shift, int32_t& iHelpId, const std::string& sSubSystem,
                                     const std::string& sBillClassTypeId, int32_t lShowMode, int32_t& lGetPathMode);

    // The right's name as the host shows it; "" for a value that is no log right.
    std::string GetRightName(tolm::Log_AccessType AccessType);
    // Deletes the records the window shows under its filter, after asking. Errors go
    // to the message service's error report.
    void DeleteFilteredLogs();

    LiveObject m_oLive;
    std::shared_ptr<tolm::IListInterface> m_ListInterface;
    EventConnection<tolm::IListInterface, ListSink<CLogListEvent>> m_oEvents;
};

// The session text as an SQL string literal: between single quotes, each quote in
// it doubled, so a session text can never end the literal early.
std::string QuoteSqlText(const std::string& sText);

// The condition of the records a log window shows: its filter and, when the quick
// filter is active (lQuickFlag 1) and not blank, the quick filter, each kept in
// parentheses of its own so that neither can widen the other.
std::string JoinLogFilter(const std::string& sFilter, int32_t lQuickFlag, const std::string& sQuick);

}  // namespace qel
