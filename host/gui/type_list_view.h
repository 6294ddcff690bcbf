// The type list window on a desktop: the types' tree on the left, their table on the
// right, the plug-in's menus and tools; F1 asks the window for its help topic.
#pragma once

#include <memory>

#include <QMainWindow>

#include "windows/type_list_window.h"

class QTableWidget;
class QTreeWidget;

namespace hub::gui {

class MenuBarView;

class TypeListView : public QMainWindow {
public:
    // Opens the window model (with its plug-in class) for the session; raises what
    // TypeListWindow::Open raises, and then there is no view.
    static TypeListView* Open(const std::shared_ptr<Session>& session, QWidget* parent = nullptr);
    // Closes the model: the plug-in's class lets go of it.
    ~TypeListView() override;

    const std::shared_ptr<TypeListWindow>& Model() const { return m_window; }
    MenuBarView& Menu() const { return *m_menu; }
    QTreeWidget& Tree() const { return *m_tree; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TypeListView(std::shared_ptr<TypeListWindow> window, std::string language, QWidget* parent);
    void ShowRows();
    void SelectType(int32_t typeId, TypeListWindow::Focus focus);

    std::shared_ptr<TypeListWindow> m_window;
    std::string m_language;
    QTreeWidget* m_tree;
    QTableWidget* m_table;
    MenuBarView* m_menu;
    tolm::Subscription m_changes;
    bool m_showing = false;
};

}  // namespace hub::gui
