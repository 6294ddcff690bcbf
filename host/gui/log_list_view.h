// The operation-log list on a desktop: the criteria and the quick filter above the
// records, the plug-in's menus and tools; delete removes what the filters show.
#pragma once

#include <memory>
#include <string>

#include <QMainWindow>

#include "gui/table_print.h"
#include "windows/log_list_window.h"

class QCheckBox;
class QDateEdit;
class QLineEdit;
class QTableWidget;

namespace hub::gui {

class MenuBarView;

class LogListView : public QMainWindow {
public:
    // Which criterion a line of the filter panel holds; its widget's object name.
    enum class Criterion { User, Function, Machine, Address, Contains };

    // Opens the window model (with the plug-in's log class) for the session; raises
    // what LogListWindow::Open raises, and then there is no view.
    static LogListView* Open(const std::shared_ptr<Session>& session, QWidget* parent = nullptr);
    // Closes the model: the plug-in's class lets go of it.
    ~LogListView() override;

    const std::shared_ptr<LogListWindow>& Model() const { return m_window; }
    MenuBarView& Menu() const { return *m_menu; }
    QTableWidget& Table() const { return *m_table; }
    QLineEdit& CriterionField(Criterion criterion) const;
    QLineEdit& QuickFilter() const { return *m_quick; }
    // The criteria of the panel become the window's filter.
    void ApplyFilter();

private:
    LogListView(std::shared_ptr<LogListWindow> window, std::string language, QWidget* parent);
    QWidget* BuildFilterPanel();
    void ApplyQuickFilter();
    void ShowRows();

    std::shared_ptr<LogListWindow> m_window;
    std::string m_language;
    QTableWidget* m_table;
    MenuBarView* m_menu;
    QCheckBox* m_fromOn = nullptr;
    QCheckBox* m_toOn = nullptr;
    QDateEdit* m_from = nullptr;
    QDateEdit* m_to = nullptr;
    QLineEdit* m_fields[5] = {};
    QLineEdit* m_quick = nullptr;
    TablePrinter m_printer;
    tolm::Subscription m_changes;
};

}  // namespace hub::gui
