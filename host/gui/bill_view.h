// The rate editor on a desktop: the bill window's head fields (locked fields
// read-only, numbers with the places the window shows), its caption, status text,
// menus and tools. The currency is picked from the ledger's currencies (searched by
// code or name), a day from a calendar (F4 or Alt+Down opens it; a day typed
// yyyy-MM-dd is taken as well), and the rate shows the places of its type. Whatever
// way a value was given, it reaches the window as typed text (Enter), so the
// plug-in's checks and messages are the same. Save types what is still pending
// into the model first.
#pragma once

#include <map>
#include <memory>
#include <string>

#include <QMainWindow>

#include "windows/bill_window.h"

class QComboBox;
class QLabel;
class QLineEdit;

namespace hub::gui {

class MenuBarView;

class BillView : public QMainWindow {
public:
    // Opens the window model with its plug-in class; raises what BillWindow::Open
    // raises, and then there is no view.
    static BillView* Open(std::shared_ptr<BillWindow> window, const std::string& language, QWidget* parent = nullptr);
    // A view over an editor already open (the one a list opened for new or modify).
    static BillView* Over(std::shared_ptr<BillWindow> window, const std::string& language, QWidget* parent = nullptr);
    ~BillView() override;

    const std::shared_ptr<BillWindow>& Model() const { return m_window; }
    MenuBarView& Menu() const { return *m_menu; }
    // The edit of a head field (FBase, FExchangeRate, ...), or nullptr. The
    // currency's is the edit of its list.
    QLineEdit* Field(const std::string& key) const;
    // The list of the ledger's currencies.
    QComboBox& CurrencyList() const { return *m_currencies; }
    // Opens the calendar of a day field (FBegDate, FEndDate).
    void OpenCalendar(const std::string& key);
    // Save as the tool does: pending text typed in first; true when stored.
    bool Save();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    BillView(std::shared_ptr<BillWindow> window, std::string language, QWidget* parent);
    QWidget* BuildField(const char* key, QWidget* parent);
    void OnChange(const WindowChange& change);
    void ShowField(const std::string& key);
    void ShowDecimals();
    // Hands the edit's text to the model when it differs from what the model shows;
    // false when the model refused it (the person was told, the field shows the
    // model's value again).
    bool Commit(const std::string& key);
    void OnClick(const std::string& key);

    std::shared_ptr<BillWindow> m_window;
    std::string m_language;
    std::map<std::string, QLineEdit*> m_fields;
    QComboBox* m_currencies = nullptr;
    QLabel* m_decimals = nullptr;
    MenuBarView* m_menu;
    tolm::Subscription m_changes;
    // A refusal's message box takes the focus, which finishes the edit again.
    bool m_committing = false;
};

}  // namespace hub::gui
