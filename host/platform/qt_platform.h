// The platform on a desktop: Qt message boxes, file dialogs, the wait cursor and the
// plug-in's forms drawn by FormDialog.
//
// Layer: platform, on the contract and Qt Widgets alone. Needs a QApplication; used
// on the thread that runs it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include <QStringList>

class QProgressDialog;

#include "tolm/platform.h"

namespace hub {

class QtPlatform : public tolm::IPlatform {
public:
    QtPlatform();
    // Gives back the cursor when the wait cursor is still on.
    ~QtPlatform() override;

    int32_t CurrentProcessId() const override;
    int32_t MousePointer() const override { return m_pointer; }
    // PointerHourglass shows the wait cursor over the whole application until the
    // pointer is set back; any other pointer is the normal one.
    void SetMousePointer(int32_t pointer) override;
    // A modal box over the active window with the flags' buttons, icon and default
    // button; `title` is the window title (the application's name when empty).
    // Closing the box answers as its escape button does (Cancel, No, or OK alone).
    int32_t MessageBox(const std::string& prompt, int32_t flags, const std::string& title) override;
    // The plug-in builds tool pictures through the clipboard: they are kept here, and
    // what the person copied stays on the system clipboard untouched.
    void SetClipboardBitmap(const tolm::Bitmap& bitmap) override { m_clipboard = bitmap; }
    std::optional<tolm::Bitmap> ClipboardBitmap() const override { return m_clipboard; }
    // Qt's file dialog: the filter's pairs as name filters, the default extension
    // added to a name typed without one, an existing file asked about before a save
    // dialog overwrites it (fd::OverwritePrompt), an existing file required with
    // fd::FileMustExist. Nothing when the person cancelled.
    std::optional<std::string> PickFile(tolm::FileDialogKind kind, const tolm::FileDialogOptions& options) override;
    // Draws the form in a FormDialog and returns when it is unloaded; an error a
    // handler raised closes the dialog and is raised here.
    void ShowModal(tolm::Form& form) override;
    // A progress dialog over the active window, shown once the run has lasted a
    // moment (short runs never flash one); each report lets the screen repaint, but
    // takes no input, since the run cannot be interrupted. A total of 0 shows a busy
    // bar. EndProgress takes it away.
    void ReportProgress(const std::string& caption, int64_t done, int64_t total) override;
    void EndProgress() override;
    // A TextDialog in the session's language; Save goes through PickFile with the
    // overwrite prompt.
    void ShowText(const std::string& text, const std::string& title) override;

private:
    std::unique_ptr<QProgressDialog> m_progress;
    int32_t m_pointer = tolm::PointerDefault;
    bool m_waitCursorShown = false;
    std::optional<tolm::Bitmap> m_clipboard;
};

// "Excel Files (*.xls)|*.xls|All Files (*.*)|*.*" as Qt's name filters
// ("Excel Files (*.xls)" and "All Files (*)"): each description with its patterns, a
// pattern "*.*" read as every file.
QStringList NameFiltersOf(const std::string& filter);

}  // namespace hub
