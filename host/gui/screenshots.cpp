#include "gui/screenshots.h"

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QMessageBox>
#include <QPixmap>
#include <QTimer>

#include <algorithm>
#include <string_view>
#include <vector>

#include "gui/client.h"
#include "gui/coverage_view.h"
#include "gui/rate_history_view.h"
#include "gui/login_dialog.h"
#include "gui/main_window.h"
#include "gui/rate_list_view.h"
#include "gui/type_list_view.h"
#include "tolm/components.h"
#include "tolm/platform.h"
#include "tolm/registry.h"
#include "tolm/base_data.h"
#include "windows/class_lookup.h"
#include "windows/log_list_window.h"
#include "windows/rate_history.h"

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
    main.resize(1100, 700);
    main.show();
    saved += Save(main, directory, "start");
    const QDate today = QDate::currentDate();
    const QDate thisMonth(today.year(), today.month(), 1);
    for (const WindowEntry& entry : MainWindow::Windows()) {
        // The class window is modal: drawn below, from inside its own show.
        if (std::string_view(entry.name) == "class" || !main.Allows(entry)) continue;
        QWidget* view = main.OpenWindow(entry);
        if (!view) continue;
        view->window()->activateWindow();
        if (auto* frame = view->parentWidget()) frame->showMaximized();
        auto* rates = dynamic_cast<RateListView*>(view);
        if (auto* coverage = dynamic_cast<CoverageView*>(view)) {
            // This month and the next, which has no rates yet; the day asked is in it.
            const std::vector<TypeRow> types = RateHistory(main.CurrentSession()).Types();
            if (!types.empty()) coverage->Show(types.front().id, thisMonth, thisMonth.addMonths(2).addDays(-1));
            const std::vector<CurrencyChoice> currencies = RatedCurrencies();
            if (!currencies.empty()) {
                coverage->AskRateOnDay(QString::fromStdString(currencies.front().number), thisMonth.addMonths(1), false);
            }
        }
        if (auto* history = dynamic_cast<RateHistoryView*>(view)) {
            // A year up to this month and the next, which has no rates yet: a gap.
            const std::vector<TypeRow> types = RateHistory(main.CurrentSession()).Types();
            std::vector<int32_t> picked;
            for (const CurrencyChoice& currency : RatedCurrencies()) {
                if (picked.size() < 2) picked.push_back(currency.id);
            }
            if (!types.empty()) history->Show(types.front().id, picked, thisMonth.addMonths(-11), thisMonth.addMonths(2).addDays(-1));
        }
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
    // The class window, as the type list's command opens it.
    Act(main.Language(), [&] {
        ClassLookup lookup(main.CurrentSession(), WindowPresenter{[&](RateListWindow& window) {
                               auto* view = new RateListView(window.shared_from_this(), main.Language());
                               main.ShowView(view);
                               view->parentWidget()->showMaximized();
                               saved += Save(main, directory, "class");
                               view->parentWidget()->close();
                               QApplication::processEvents();
                           }});
        lookup.SetClassTypeID(tolm::ExchangeRateClassTypeId);
        lookup.Show();
    });
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
