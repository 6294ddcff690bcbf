// The exchange-rate list on a desktop: the types' tree on the left, the rates of the
// selected type on the right as the list's class filled them, the plug-in's menus
// and tools. Several rates may be selected; a column heading sorts the rows shown;
// F1 asks the window for its help topic. New and modify open the rate editor in the
// client's work area and the list waits for it, as the window model expects.
#pragma once

#include <memory>
#include <string>

#include <QMainWindow>

#include "windows/rate_list_window.h"

class QTableWidget;
class QTreeWidget;

namespace hub::gui {

class MenuBarView;

class RateListView : public QMainWindow {
public:
    // Opens the window model (with its plug-in class) for the session; raises what
    // RateListWindow::Open raises, and then there is no view.
    static RateListView* Open(const std::shared_ptr<Session>& session, QWidget* parent = nullptr);
    // A view over a list already open (the one the class window opens).
    RateListView(std::shared_ptr<RateListWindow> window, std::string language, QWidget* parent = nullptr);
    // Closes the model: the plug-in's class lets go of it.
    ~RateListView() override;

    const std::shared_ptr<RateListWindow>& Model() const { return m_window; }
    MenuBarView& Menu() const { return *m_menu; }
    QTreeWidget& Tree() const { return *m_tree; }
    QTableWidget& Table() const { return *m_table; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // While a command runs (an editor or a dialog open from it) the list stays: it
    // closes once the command has returned.
    void closeEvent(QCloseEvent* event) override;

private:
    void ShowRows();
    void SelectType(int32_t typeId);
    void TakeSelection();
    void Click(const std::string& key);

    std::shared_ptr<RateListWindow> m_window;
    std::string m_language;
    QTreeWidget* m_tree;
    QTableWidget* m_table;
    MenuBarView* m_menu;
    tolm::Subscription m_changes;
    bool m_showing = false;
    // The column the person sorted by (-1: the order the window read).
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    int m_acting = 0;
    bool m_closeWanted = false;
};

}  // namespace hub::gui
