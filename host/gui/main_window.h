// The client's main window: a start page beside the work area names what the user
// may do here (each window of the host the user's rights allow) and who is at work
// in which company and language; the Windows menu has the same entries. A window's
// view is one class over its window model; a new window is one more entry in
// Windows(). The lists open at the last exit come back at the next start.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QMainWindow>
#include <QStyle>

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
    // The right that shows the entry: a bit of the subsystem's object; 0 for anyone,
    // AdministratorsOnly for administrators.
    int32_t subsystem = 0;
    int32_t rightBit = 0;
    // Opened again at the next start when it was open at exit.
    bool restored = false;
    // The picture beside its entry on the start page.
    QStyle::StandardPixmap icon = QStyle::SP_FileIcon;
};

inline constexpr int32_t AdministratorsOnly = -1;

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
    // Whether the session's user may open the window of the entry.
    bool Allows(const WindowEntry& entry) const;
    // Opens the windows that were open at the last exit.
    void RestoreWindows();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* BuildStartPage();

    Runtime& m_runtime;
    QMdiArea* m_area;
};

// Shows a view in the main window's work area (on its own when there is no main
// window).
void ShowBeside(QWidget* view);

// Shows a view in the main window's work area (on its own when there is no main
// window) and returns once the person has closed it: for the windows the host's
// models wait on, an editor opened from a list or the list the class window opens.
void ShowUntilClosed(QWidget* view);

// How the client shows the windows the class window opens, in the session language.
WindowPresenter ClientWindowPresenter(const std::string& language);

}  // namespace hub::gui
