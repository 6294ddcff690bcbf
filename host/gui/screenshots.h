// tolm-client --screenshots DIR: every window and dialog of the client opened on a
// company and saved as one PNG each, without a person.
#pragma once

#include <QString>

#include "core/runtime.h"

namespace hub::gui {

// Opens the login dialog, the main window on its start page, each window of
// MainWindow::Windows() the user may open, the class window, the type dialog (new
// type), the transfer dialog and the text window, and saves each as DIR/<name>.png. The runtime must hold an open session. Returns the number of
// pictures saved.
int TakeScreenshots(Runtime& runtime, const QString& directory);

}  // namespace hub::gui
