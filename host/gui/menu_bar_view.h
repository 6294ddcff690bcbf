// A window's menu bar model drawn as Qt menus and tool bars: the plug-in's
// captions, pictures, tool-tips, visibility, state and checks, redrawn whenever a
// tool changes. A click hands the tool's key to the window's view.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QIcon>
#include <QObject>

#include "tolm/observers.h"
#include "windows/menu_bar.h"

class QAction;
class QMainWindow;
class QToolBar;

namespace hub::gui {

// A tool's picture (the lowest slot) as an icon; the null icon when it has none.
QIcon ToolIcon(const Tool& tool);

class MenuBarView : public QObject {
public:
    using ClickHandler = std::function<void(const std::string& key)>;

    // Draws the bands into the window's menu bar and tool bars. The standard keys of
    // new, save, delete and refresh get the standard shortcuts (Ctrl+N, Ctrl+S, Del,
    // F5) while the focus is in the window.
    MenuBarView(std::shared_ptr<MenuBar> model, QMainWindow& window, ClickHandler onClick);
    ~MenuBarView() override;

    // The first action drawing the tool of a key (menus first), or nullptr.
    QAction* Action(const std::string& key) const;
    // A menu of the tool bars' commands as they stand, at a point of the screen.
    void ShowContextMenu(const QPoint& globalPosition) const;

private:
    void Rebuild();
    void ScheduleRebuild();
    QAction* AddAction(const std::shared_ptr<Tool>& tool, QWidget& container);

    std::shared_ptr<MenuBar> m_model;
    QMainWindow& m_window;
    ClickHandler m_onClick;
    std::vector<tolm::Subscription> m_subscriptions;
    std::vector<std::pair<std::string, QAction*>> m_actions;
    std::vector<QToolBar*> m_toolBars;
    bool m_rebuildPending = false;
};

}  // namespace hub::gui
