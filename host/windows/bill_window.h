// The host's editor of one exchange rate (a bill window).
//
// The window holds the rate's head fields, its menu bar and status text, raises the
// bill events to the plug-in class attached to it and does the host's own part of a
// save: the right check, writing the rate's header and entry rows, and reporting a
// refusal to the person at the screen. The desktop and the command line drive the
// same model through its person-side operations (Open, Enter, Save, Close).
//
// Single-threaded, like the user-interface thread it stands for.
//
// Layer: windows, above services, model and db. The window's events reach the
// plug-in through an EventSource (event_source.h); what changes is told to
// Changes() observers (window_change.h), so a front end follows without polling.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "db/data_access.h"
#include "model/rate_store.h"
#include "services/session.h"
#include "tolm/plugin_abi.h"
#include "tolm/windows.h"
#include "windows/bill_window_control.h"
#include "windows/bill_window_parameter.h"
#include "windows/event_source.h"
#include "windows/menu_bar.h"
#include "windows/window_change.h"

namespace hub {

// The class the host attaches to its rate editor.
inline constexpr const char* RateBillEditClass = "TolmBaseQelPlugin.CExRateBillEdit";

// The filter text of the exchange-rate list while it shows the rates of one type:
// what the list hands to the editor it opens.
std::string RateListFilter(int32_t typeId);

class BillWindow : public tolm::IBillInterface, public std::enable_shared_from_this<BillWindow> {
public:
    static constexpr int32_t ModeNew = 1;
    static constexpr int32_t ModeModify = 2;

    // A window for a new rate, opened from a list with that filter text.
    static std::shared_ptr<BillWindow> ForNewRate(std::shared_ptr<Session> session, std::string filterText);
    // A window for the stored rate `rateId`; its fields are read when it opens.
    static std::shared_ptr<BillWindow> ForRate(std::shared_ptr<Session> session, int32_t rateId,
                                               std::string filterText);

    ~BillWindow() override;
    BillWindow(const BillWindow&) = delete;
    BillWindow& operator=(const BillWindow&) = delete;

    // ---- tolm::IWindow / tolm::IBillInterface (see windows.h) ---------------------------
    // One data-access object for the life of the window, on the session's database:
    // rights are checked by the security component, texts looked up in the
    // session's language.
    std::shared_ptr<tolm::IDataAccess> DataAccess() const override { return m_dataAccess; }
    std::shared_ptr<tolm::IMenuBar> MenuBar() const override { return m_menuBar; }
    // Holds the sink weakly; raises ObjectNotSet for nullptr (event_source.h).
    int32_t Advise(const std::shared_ptr<tolm::IBillEvents>& sink) override { return m_events.Advise(sink); }
    // Raises InvalidProcedureCall for a cookie that is not connected.
    void Unadvise(int32_t cookie) override { m_events.Unadvise(cookie); }
    int32_t Mode() const override { return m_mode; }
    // Keys are matched without regard to letter case; an empty field's value is the
    // empty text. Raises ObjectNotFound for an
    // unknown key, SubscriptOutOfRange for a row other than 1 and
    // InvalidProcedureCall for a kind other than 1 (value) or 3 (display text).
    tolm::Variant GetHeadValue(const std::string& sKey, int32_t lRow, int32_t lKind) const override;
    // Stores the value as the field's kind (a number, a date, an id or text; Empty
    // and blank text clear it). Raises TypeMismatch for a value that is not of the
    // kind. With bFireChange, a new currency also sets FBaseProperty to its name.
    // Writes locked fields too: locks stop the person, not the program. Returns the
    // stored value.
    tolm::Variant SetHeadValue(const std::string& sKey, const tolm::Variant& value, bool bFireChange) override;
    // Sets sPage to "Page1" and lIndex to the field's position (from 1).
    std::shared_ptr<tolm::IFieldControl> GetControl(const std::string& sKey, std::string& sPage,
                                                    int32_t& lIndex) const override;
    // Raise InvalidProcedureCall for a control that is not one of this window's.
    void LockControl(const std::shared_ptr<tolm::IFieldControl>& control, int32_t lRow, bool bLock) override;
    tolm::Variant SetControlDecimals(const std::shared_ptr<tolm::IFieldControl>& control, int32_t lRow,
                                     int32_t lDecimals) override;
    void SetStatusText(int32_t lPanel, const std::string& text) override;
    void SetCaption(const std::string& text) override;
    std::shared_ptr<tolm::IBillParameter> Parameter() const override { return m_parameter; }

    // ---- what the person at the screen does ---------------------------------------------
    // Opens the window: reads the stored rate (modify; ObjectNotFound when it does
    // not exist), creates the editor class by name and attaches it (Show), raises
    // MenuBarInitialize and then AfterLoadBill or AfterNewBill. A class that cannot
    // be created raises CannotCreateComponent and the window stays closed; a failing
    // event handler (Show included) is reported and the window opens all the same.
    // The sinks connected while Show runs are the editor's.
    void Open(const std::string& editorClass = RateBillEditClass);
    // Types `text` into a field: FBase takes a currency code ("USD"), FExchangeRate
    // a number, FBegDate and FEndDate a day "yyyy-MM-dd"; empty text clears the
    // field. Raises Refused for a locked field or one the program fills in,
    // ObjectNotFound for an unknown currency code and TypeMismatch for text that is
    // not a number or a day.
    void Enter(const std::string& key, const std::string& text);
    // Presses Save: checks the user's right (new or modify), refuses when none of the
    // editor's sinks is connected (its checks could not run), raises BeforeSave, and
    // unless that refused, writes the rate's header and entry rows in one
    // transaction, then raises SaveBillSuccess with the saved values (Mode() still
    // the save's mode) and shows the stored record in modify mode. A modify-save
    // writes the rate the window opened and is refused when the stored row changed
    // since it was loaded (saved or audited by someone else). True when the rate was
    // stored. A refusal of the host or the database is reported through the message
    // service; a BeforeSave handler that fails refuses the save.
    bool Save();
    // Asks the attached class for the help topic of the window (F1); 0 when none
    // answers.
    int32_t RequestHelp();
    // Releases the attached class, which lets go of the window. Afterwards the window
    // takes no more person-side operations (InvalidProcedureCall).
    void Close();

    // ---- what the person sees -----------------------------------------------------------
    bool IsOpen() const { return m_open; }
    const std::string& Caption() const { return m_caption; }
    // The text of a status panel ("" when nothing was written there).
    std::string StatusText(int32_t lPanel = 1) const;
    const std::shared_ptr<hub::MenuBar>& Menu() const { return m_menuBar; }
    const std::string& FilterText() const { return m_parameter->FilterText(); }
    // The control of a field; raises ObjectNotFound for an unknown key.
    const BillWindowControl& Control(const std::string& key) const;
    // The id in the FID field: the rate shown, 0 while a new rate is not saved. A
    // handler may overwrite it; a save still writes the rate the window opened.
    int32_t RecordId() const;
    // Told of every change of caption, status, mode, fields and their controls, and
    // of opening and closing.
    WindowObservers& Changes() { return m_changes; }
    // Every event handler failure since the window was made, in order.
    const std::vector<EventFailure>& EventFailures() const { return m_events.Failures(); }

private:
    enum class FieldKind { Id, Currency, CurrencyName, Number, Date, User, Type, Text };
    struct HeadField {
        std::string key;
        const char* caption;  // in Chinese, translated where shown
        FieldKind kind;
        bool personEditable;
        tolm::Variant value;
        std::string text;  // display text of lookup fields (currency, user, type)
        std::shared_ptr<BillWindowControl> control;
    };

    BillWindow(std::shared_ptr<Session> session, int32_t mode, int32_t rateId, std::string filterText);

    HeadField& Field(const std::string& key);
    const HeadField& Field(const std::string& key) const;
    const HeadField& FieldOfControl(const std::shared_ptr<tolm::IFieldControl>& control) const;
    void RequireOpen(const char* operation) const;
    // Stores the value as the field's kind and tells the observers when it changed.
    void StoreValue(HeadField& field, const tolm::Variant& value);
    void Store(HeadField& field, const tolm::Variant& value);
    std::string DisplayText(const HeadField& field) const;
    void Load(int32_t rateId);

    bool HoldsSaveRight(int32_t mode);
    // The values the window is about to hand to the rate book; reports and answers
    // nothing when a value is missing.
    std::optional<RateValues> CollectRow();
    std::shared_ptr<tolm::Dictionary> SavedValues() const;

    // Hands an error to the message service's error report; a missing or failing
    // service loses the message, never the outcome.
    void Report(const tolm::HostError& error) const;

    std::shared_ptr<Session> m_session;
    int32_t m_mode;
    int32_t m_openedRateId;
    // FVersion of the stored rate when it was last loaded.
    int64_t m_loadedVersion = 0;
    std::shared_ptr<hub::DataAccess> m_dataAccess;
    std::shared_ptr<hub::MenuBar> m_menuBar;
    std::shared_ptr<BillWindowParameter> m_parameter;
    std::vector<HeadField> m_fields;
    std::string m_caption;
    std::vector<std::pair<int32_t, std::string>> m_statusTexts;
    // The sinks the editor class connects while it attaches are the ones whose
    // checks a save depends on.
    EventSource<tolm::IBillEvents> m_events;
    std::shared_ptr<tolm::IBillEventClass> m_editor;
    bool m_open = false;
    bool m_closed = false;
    WindowObservers m_changes;
};

}  // namespace hub
