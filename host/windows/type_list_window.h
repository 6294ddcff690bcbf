// The host's list of exchange-rate types: a tree of the types on the left, their
// code, name, precision and remark on the right.
//
// The window raises the base-list events to the class attached to it
// (CExRateTypeListEvent) and does its own handling of its commands: new, modify
// and delete create the plug-in's type service by class name and call it, so the
// same dialog and rules serve this window and the exchange-rate list; refresh reads
// the types again. The command line and the desktop act on it as a person would
// (select a type, focus the tree or the list, click a command).
//
// Single-threaded, like the user-interface thread it stands for.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "db/data_access.h"
#include "model/type_store.h"
#include "services/session.h"
#include "services/unit_of_work.h"
#include "tolm/host_library.h"
#include "tolm/plugin_abi.h"
#include "tolm/windows.h"
#include "windows/event_source.h"
#include "windows/menu_bar.h"
#include "windows/window_change.h"

namespace hub {

// The class the host attaches to its type list, and the type service it calls.
inline constexpr const char* TypeListEventClass = "TolmBaseQelPlugin.CExRateTypeListEvent";
inline constexpr const char* TypeServiceClass = "TolmBaseQelPlugin.CExRateType";

class TypeListWindow : public tolm::IBaseListInterface, public std::enable_shared_from_this<TypeListWindow> {
public:
    enum class Focus { Tree, List };

    static std::shared_ptr<TypeListWindow> Create(std::shared_ptr<Session> session);
    ~TypeListWindow() override;
    TypeListWindow(const TypeListWindow&) = delete;
    TypeListWindow& operator=(const TypeListWindow&) = delete;

    // ---- tolm::IWindow / tolm::IBaseListInterface (see windows.h) -------------------------
    std::shared_ptr<tolm::IDataAccess> DataAccess() const override { return m_dataAccess; }
    std::shared_ptr<tolm::IMenuBar> MenuBar() const override { return m_menuBar; }
    int32_t Advise(const std::shared_ptr<tolm::IBaseListEvents>& sink) override { return m_events.Advise(sink); }
    void Unadvise(int32_t cookie) override { m_events.Unadvise(cookie); }
    bool ShowClassGroups() const override { return m_showClassGroups; }
    void SetShowClassGroups(bool value) override { m_showClassGroups = value; }
    std::string SortText() const override { return m_sortText; }
    void SetSortText(const std::string& text) override { m_sortText = text; }
    // Both read the types again, keeping the selected type when it is still there.
    void RefreshList() override { Reload(); }
    void Refresh() override { Reload(); }
    int32_t SelectedClassId() const override { return m_selectedId; }
    int32_t CurrentRecordId() const override { return m_selectedId; }
    // The selected type as a record: "Page1" holds its columns (FID, FNumber, FName,
    // FDigits, FRemark) as field objects.
    std::shared_ptr<tolm::Dictionary> SelectedRecords() const override;
    std::shared_ptr<tolm::IControl> ActiveControl() const override;
    // The window lists class groups themselves.
    int32_t ViewCode() const override { return 1; }
    bool FindMode() const override { return false; }
    std::shared_ptr<tolm::IListView> View() const override { return m_view; }
    std::shared_ptr<tolm::ITable> Table() const override { return m_table; }

    // ---- what the person at the screen does ---------------------------------------------
    // Opens the window: reads the types, creates the list class by name and attaches
    // it (Show), raises MenuBarInitialize. A class that cannot be created raises
    // CannotCreateComponent and the window stays closed; a failing handler is
    // reported and the window opens all the same.
    void Open(const std::string& listClass = TypeListEventClass);
    // Selects the type in the tree (and so in the list). Raises ObjectNotFound, in
    // the session language, for a type the window does not show.
    void Select(int32_t typeId);
    void SetFocus(Focus focus) { m_focus = focus; }
    // Clicks the command of that key: raises MenuBarClick and, unless a handler
    // cancelled it, does the host's own handling, then raises AfterMenuBarClick.
    // Raises ObjectNotFound when no band shows the command and Refused when it is
    // hidden or disabled (both in the session language).
    void Click(const std::string& key);
    // What became of the last click: done (also when the class carried the command
    // out itself), unchanged (a question answered No), refused or failed. The person
    // has been told why.
    const Outcome& LastOutcome() const { return m_lastOutcome; }
    // Asks the attached class for the help topic (F1); 0 when none answers.
    int32_t RequestHelp();
    // Releases the attached class; the window takes no more person-side operations.
    void Close();

    // ---- what the person sees -----------------------------------------------------------
    bool IsOpen() const { return m_open; }
    const std::vector<TypeRow>& Rows() const { return m_rows; }
    // The text of the tree node of a type: its name.
    static std::string NodeText(const TypeRow& row) { return row.name; }
    const TypeRow* SelectedRow() const;
    Focus FocusedControl() const { return m_focus; }
    const std::shared_ptr<hub::MenuBar>& Menu() const { return m_menuBar; }
    // Told of Rows when the types are read anew, of Open when it opens or closes.
    WindowObservers& Changes() { return m_changes; }
    const std::vector<EventFailure>& EventFailures() const { return m_events.Failures(); }

private:
    explicit TypeListWindow(std::shared_ptr<Session> session);

    void Reload();
    void RequireOpen() const;
    // The host's own handling, inside the click's unit of work; false when it did not
    // go through (the person has been told why).
    bool HandleCommand(const std::string& key);
    // The type service, created by class name for one command.
    std::shared_ptr<tolm::IExRateTypeClass> TypeService();
    // The selected type; tells the person and answers nothing when none is selected.
    std::optional<int32_t> SelectedOrTell(const char* message) const;

    std::shared_ptr<Session> m_session;
    std::shared_ptr<hub::DataAccess> m_dataAccess;
    std::shared_ptr<hub::MenuBar> m_menuBar;
    std::shared_ptr<tolm::IListView> m_view;
    std::shared_ptr<tolm::ITable> m_table;
    EventSource<tolm::IBaseListEvents> m_events;
    std::shared_ptr<tolm::IBaseListEventsClass> m_listClass;
    std::vector<TypeRow> m_rows;
    int32_t m_selectedId = 0;
    Focus m_focus = Focus::Tree;
    bool m_showClassGroups = true;
    std::string m_sortText;
    Outcome m_lastOutcome;
    bool m_open = false;
    bool m_closed = false;
    WindowObservers m_changes;
};

}  // namespace hub
