// The client's main window: one menu entry per window of the host, each opening its
// view in the work area. A window's view is one class over its window model; a new
// window is one more entry in Windows().
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QMainWindow>

#include "core/runtime.h"

class QMdiArea;

namespace hub::gui {

class MainWindow;

struct WindowEntry {
    // The object name of the action, and of the screenshot file.
    const char* name;
    // The Chinese caption of the menu entry.
    const char* caption;
    // Opens the view (raises when the window cannot open; the person is told).
    std::function<QWidget*(MainWindow&)> open;
};

class MainWindow : public QMainWindow {
public:
    // The runtime must hold an open session.
    explicit MainWindow(Runtime& runtime);
    ~MainWindow() override;

    const std::shared_ptr<Session>& CurrentSession() const;
    const std::string& Language() const;
    // Opens a window's view in the work area and shows it; nullptr when it did not
    // open (the person was told why).
    QWidget* OpenWindow(const WindowEntry& entry);
    // Shows a view in the work area.
    QWidget* ShowView(QWidget* view);

    static const std::vector<WindowEntry>& Windows();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    Runtime& m_runtime;
    QMdiArea* m_area;
};

// Shows a view in the main window's work area (on its own when there is no main
// window) and returns once the person has closed it: for the windows the host's
// models wait on, an editor opened from a list or the list the class window opens.
void ShowUntilClosed(QWidget* view);

// How the client shows the windows the class window opens, in the session language.
WindowPresenter ClientWindowPresenter(const std::string& language);

}  // namespace hub::gui
