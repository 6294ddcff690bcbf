// The host's exchange-rate list: a tree of the exchange-rate types (the class
// groups) on the left, the rates of the selected type on the right.
//
// The window raises the base-list events to the class attached to it
// (CExRateBaseListEvent): it reads its rows under the class's condition and sort,
// lets the class fill every cell, and does its own handling of a command the class
// did not cancel: new and modify open the rate editor, delete removes the selected
// rates, use and unuse clear and set their disabled flag, refresh reads everything
// again, find drops the period condition (or puts it back). The command line and
// the desktop act on it as a person would: select a type, select rates, focus the
// tree or the list, click a command.
//
// Single-threaded, like the user-interface thread it stands for.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "db/data_access.h"
#include "model/type_store.h"
#include "services/rate_book.h"
#include "services/session.h"
#include "services/unit_of_work.h"
#include "tolm/host_library.h"
#include "tolm/plugin_abi.h"
#include "tolm/windows.h"
#include "windows/bill_window.h"
#include "windows/event_source.h"
#include "windows/menu_bar.h"
#include "windows/window_change.h"

namespace hub {

// The class the host attaches to its exchange-rate list.
inline constexpr const char* RateListEventClass = "TolmBaseQelPlugin.CExRateBaseListEvent";

// A column of the list: its name (what ListFillRow's "FColName" gives), the page and
// field key under which a selected record holds it, and its Chinese heading.
struct RateListColumn {
    const char* name;
    const char* page;
    const char* fieldKey;
    const char* heading;
};

struct RateListWindowRow {
    int32_t id = 0;
    // The stored values and the cells as shown (after ListFillRow), in column order.
    std::vector<tolm::Variant> stored;
    std::vector<std::string> cells;
};

class RateListWindow : public tolm::IBaseListInterface, public std::enable_shared_from_this<RateListWindow> {
public:
    enum class Focus { Tree, List };
    // Shows an editor the window opened (new or modify) and returns when the person
    // has closed it; the window then reads its rows again.
    using EditorHost = std::function<void(BillWindow& editor)>;

    // `menuBar`: the menu the window starts with (a person's customised one); the
    // host's standard menu of the exchange-rate list when none is given.
    static std::shared_ptr<RateListWindow> Create(std::shared_ptr<Session> session,
                                                  std::shared_ptr<hub::MenuBar> menuBar = nullptr);
    ~RateListWindow() override;
    RateListWindow(const RateListWindow&) = delete;
    RateListWindow& operator=(const RateListWindow&) = delete;

    // The columns the list shows, FExchangeRate among them.
    static const std::vector<RateListColumn>& Columns();

    // ---- tolm::IWindow / tolm::IBaseListInterface (see windows.h) -------------------------
    std::shared_ptr<tolm::IDataAccess> DataAccess() const override { return m_dataAccess; }
    std::shared_ptr<tolm::IMenuBar> MenuBar() const override { return m_menuBar; }
    int32_t Advise(const std::shared_ptr<tolm::IBaseListEvents>& sink) override { return m_events.Advise(sink); }
    void Unadvise(int32_t cookie) override { m_events.Unadvise(cookie); }
    bool ShowClassGroups() const override { return m_showClassGroups; }
    void SetShowClassGroups(bool value) override { m_showClassGroups = value; }
    std::string SortText() const override { return m_sortText; }
    void SetSortText(const std::string& text) override { m_sortText = text; }
    // Reads the rows again under the current condition and sort, keeps the selected
    // rates that are still shown, and raises RefreshList.
    void RefreshList() override;
    // Reads the types and the rows again.
    void Refresh() override;
    int32_t SelectedClassId() const override { return m_typeId; }
    int32_t CurrentRecordId() const override { return m_currentId; }
    // The selected rates in the order they were selected, each a dictionary of the
    // pages "Page1" (FID, FNumber, FName) and "Page2" (the entry's fields), keyed as
    // Table()->TableInfo("Map") says.
    std::shared_ptr<tolm::Dictionary> SelectedRecords() const override;
    std::shared_ptr<tolm::IControl> ActiveControl() const override;
    // 1 while no type is selected: the list then stands for the types themselves.
    int32_t ViewCode() const override { return m_typeId == 0 ? 1 : 0; }
    // True while the list shows every period (after an odd number of finds).
    bool FindMode() const override { return m_findMode; }
    std::shared_ptr<tolm::IListView> View() const override { return m_view; }
    std::shared_ptr<tolm::ITable> Table() const override { return m_table; }

    // ---- what the person at the screen does ---------------------------------------------
    // Opens the window: reads the types, creates the list class by name and attaches
    // it (Show), raises MenuBarInitialize. A class that cannot be created raises
    // CannotCreateComponent and the window stays closed; a failing handler is
    // reported and the window opens all the same.
    void Open(const std::string& listClass = RateListEventClass);
    // Selects a type in the tree (0: the root, no type) and shows its rates; the
    // selection of rates is cleared. Raises ObjectNotFound, in the session language,
    // for a type the tree does not show.
    void SelectType(int32_t typeId);
    // Selects rates of the list; the first becomes the current record. Raises
    // ObjectNotFound, in the session language, for a rate the list does not show.
    void SelectRates(const std::vector<int32_t>& rateIds);
    void SetFocus(Focus focus) { m_focus = focus; }
    // Clicks the command of that key: raises MenuBarClick and, unless a handler
    // cancelled it, does the host's own handling, then raises AfterMenuBarClick.
    // Raises ObjectNotFound when no band shows the command and Refused when it is
    // hidden or disabled (both in the session language).
    void Click(const std::string& key);
    // What became of the last click: done (also when the class carried the command
    // out itself), unchanged (a question answered No), refused or failed. The
    // person has been told why.
    const Outcome& LastOutcome() const { return m_lastOutcome; }
    // Asks the attached class for the help topic (F1); 0 when none answers.
    int32_t RequestHelp();
    // Where the editors opened by new and modify are shown. Without one, an editor
    // is opened and closed again unchanged.
    void SetEditorHost(EditorHost host) { m_editorHost = std::move(host); }
    // Releases the attached class; the window takes no more person-side operations.
    void Close();

    // ---- what the person sees -----------------------------------------------------------
    bool IsOpen() const { return m_open; }
    const std::vector<TypeRow>& Types() const { return m_types; }
    const std::vector<RateListWindowRow>& Rows() const { return m_rows; }
    const std::vector<int32_t>& Selection() const { return m_selection; }
    Focus FocusedControl() const { return m_focus; }
    // The filter text the editors are opened with: the selected type.
    std::string FilterText() const;
    const std::shared_ptr<hub::MenuBar>& Menu() const { return m_menuBar; }
    // Told of Rows when the rows or types are read anew, of Open when it opens or closes.
    WindowObservers& Changes() { return m_changes; }
    const std::vector<EventFailure>& EventFailures() const { return m_events.Failures(); }

private:
    RateListWindow(std::shared_ptr<Session> session, std::shared_ptr<hub::MenuBar> menuBar);

    // The row of a rate the list shows; nullptr when it shows none of that id.
    const RateListWindowRow* FindRow(int32_t rateId) const;
    void LoadTypes();
    void LoadRows();
    // The rows the list's condition and sort select, with the class filling each cell.
    std::vector<RateListWindowRow> ReadRows();
    void RequireOpen() const;
    // The host's own handling of a command, inside the click's unit of work. False
    // when it did not go through (the person has been told why); a refusal or an
    // error of the service is raised. `refresh`: the rows are to be read again once
    // the change is stored.
    bool HandleCommand(const std::string& key, bool& refresh);
    void OpenEditor(std::shared_ptr<BillWindow> editor);
    std::vector<RateBook::Picked> PickedRates() const;
    bool DeleteSelected();
    bool SetSelectedDisabled(bool disabled);
    // Published rates from a file the person picks, into the selected type; the
    // report is shown as a text. False when nothing was picked or the run was not done.
    bool ImportPublishedRates();

    std::shared_ptr<Session> m_session;
    std::shared_ptr<hub::DataAccess> m_dataAccess;
    std::shared_ptr<hub::MenuBar> m_menuBar;
    std::shared_ptr<tolm::IListView> m_view;
    std::shared_ptr<tolm::ITable> m_table;
    EventSource<tolm::IBaseListEvents> m_events;
    std::shared_ptr<tolm::IBaseListEventsClass> m_listClass;
    EditorHost m_editorHost;
    std::vector<TypeRow> m_types;
    std::vector<RateListWindowRow> m_rows;
    // Rate id -> its place in m_rows: selections of thousands of rates stay linear.
    std::unordered_map<int32_t, size_t> m_rowIndex;
    std::vector<int32_t> m_selection;
    int32_t m_typeId = 0;
    int32_t m_currentId = 0;
    Focus m_focus = Focus::Tree;
    bool m_showClassGroups = false;
    bool m_findMode = false;
    Outcome m_lastOutcome;
    std::string m_sortText;
    bool m_open = false;
    bool m_closed = false;
    WindowObservers m_changes;
};

}  // namespace hub
