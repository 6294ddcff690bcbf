#include "gui/screenshots.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QPixmap>
#include <QTimer>

#include <algorithm>
#include <vector>

#include "gui/client.h"
#include "gui/login_dialog.h"
#include "gui/main_window.h"
#include "gui/rate_list_view.h"
#include "gui/type_list_view.h"
#include "tolm/components.h"
#include "tolm/platform.h"
#include "tolm/registry.h"
#include "windows/log_list_window.h"

namespace hub::gui {
namespace {

bool Save(QWidget& widget, const QString& directory, const char* name) {
    QApplication::processEvents();
    return widget.grab().save(QDir(directory).filePath(QString::fromLatin1(name) + QStringLiteral(".png")));
}

}  // namespace

int TakeScreenshots(Runtime& runtime, const QString& directory) {
    QDir().mkpath(directory);
    int saved = 0;
    {
        LoginDialog login(tolm::InstalledPlatform());
        login.SetDatabase(QString::fromStdString(runtime.Options().database));
        login.SetLanguage(runtime.Options().language);
        login.show();
        saved += Save(login, directory, "login");
    }
    // A window that refuses to open says so in a message box: the first is kept as a
    // picture, and each is answered so the run goes on.
    QTimer answerer;
    bool messageSaved = false;
    QObject::connect(&answerer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            if (!messageSaved) saved += messageSaved = Save(*box, directory, "message");
            box->done(0);
        }
    });
    answerer.start(20);
    MainWindow main(runtime);
    main.resize(1000, 640);
    main.show();
    for (const WindowEntry& entry : MainWindow::Windows()) {
        QWidget* view = main.OpenWindow(entry);
        if (!view) continue;
        view->window()->activateWindow();
        if (auto* frame = view->parentWidget()) frame->showMaximized();
        auto* rates = dynamic_cast<RateListView*>(view);
        if (rates && !rates->Model()->Types().empty()) rates->Model()->SelectType(rates->Model()->Types().front().id);
        saved += Save(main, directory, entry.name);
        if (rates) {
            QTimer::singleShot(0, [&] {
                if (QWidget* dialog = QApplication::activeModalWidget()) {
                    saved += Save(*dialog, directory, "transfer-dialog");
                    dialog->close();
                }
            });
            rates->Model()->Click("mnuExpExRate");
        }
        if (auto* types = dynamic_cast<TypeListView*>(view)) {
            // The dialog is modal: it is saved and closed from inside its own show.
            QTimer::singleShot(0, [&] {
                if (QWidget* dialog = QApplication::activeModalWidget()) {
                    saved += Save(*dialog, directory, "type-dialog");
                    dialog->close();
                }
            });
            types->Model()->Click("mnuFileNewItem");
        }
        view->parentWidget()->close();
    }
    // The text window, as a report reaches it: the log's rows, one a line.
    Act(main.Language(), [&] {
        auto log = LogListWindow::Create(main.CurrentSession());
        log->Open();
        const ShownTable table = log->Shown();
        log->Close();
        // Columns padded to the widest cell; a Chinese character takes two places.
        auto width = [](const std::string& cell) {
            int places = 0;
            for (const QChar c : QString::fromStdString(cell)) places += c.unicode() >= 0x1100 ? 2 : 1;
            return places;
        };
        std::vector<int> widths(table.front().size(), 0);
        for (const auto& row : table) {
            for (size_t column = 0; column < row.size(); ++column) widths[column] = std::max(widths[column], width(row[column]));
        }
        std::string text;
        for (const auto& row : table) {
            for (size_t column = 0; column < row.size(); ++column) {
                text += row[column];
                if (column + 1 < row.size()) text += std::string(static_cast<size_t>(widths[column] - width(row[column]) + 2), ' ');
            }
            text += "\n";
        }
        QTimer::singleShot(0, [&] {
            if (QWidget* dialog = QApplication::activeModalWidget()) {
                saved += Save(*dialog, directory, "text");
                dialog->close();
            }
        });
        auto notation = tolm::CreateObject<tolm::INotation>(tolm::classname::Notation);
        notation->SetText(text);
        notation->ShowDialog();
    });
    return saved;
}

}  // namespace hub::gui
