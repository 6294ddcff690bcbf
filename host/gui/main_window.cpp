#include "gui/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QSettings>
#include <QStatusBar>

#include "gui/bill_view.h"
#include "gui/client.h"
#include "gui/log_list_view.h"
#include "gui/rate_list_view.h"
#include "gui/type_list_view.h"
#include "gui/user_list_view.h"
#include "i18n/catalogue.h"
#include "tolm/base_data.h"
#include "tolm/components.h"
#include "tolm/registry.h"

namespace hub::gui {
namespace {

// The preset type the editor's entry opens a new rate of (company rates).
constexpr int32_t CompanyRateType = 1;

}  // namespace

const std::vector<WindowEntry>& MainWindow::Windows() {
    static const std::vector<WindowEntry> windows{
        {"types", "汇率类型(&T)",
         [](MainWindow& main) -> QWidget* { return TypeListView::Open(main.CurrentSession()); }},
        {"rates", "汇率(&R)",
         [](MainWindow& main) -> QWidget* { return RateListView::Open(main.CurrentSession()); }},
        {"editor", "新增汇率(&N)",
         [](MainWindow& main) -> QWidget* {
             return BillView::Open(BillWindow::ForNewRate(main.CurrentSession(), RateListFilter(CompanyRateType)),
                                   main.Language());
         }},
        {"log", "上机日志(&L)",
         [](MainWindow& main) -> QWidget* { return LogListView::Open(main.CurrentSession()); }},
        {"users", "用户(&U)",
         [](MainWindow& main) -> QWidget* { return UserListView::Open(main.CurrentSession()); }},
        {"class", "基础资料窗口(&C)",
         [](MainWindow&) -> QWidget* {
             // The class window is the host's component, asked for by class as the
             // plug-in asks for it; it is modal and shows itself.
             auto lookup = tolm::CreateObject<tolm::IClassLookup>(tolm::classname::ClassLookup);
             lookup->SetClassTypeID(tolm::ExchangeRateClassTypeId);
             lookup->Show();
             return nullptr;
         }},
    };
    return windows;
}

MainWindow::MainWindow(Runtime& runtime) : m_runtime(runtime), m_area(new QMdiArea(this)) {
    setObjectName(QStringLiteral("MainWindow"));
    const std::string& language = Language();
    setWindowTitle(Text(language, "汇率基础资料"));
    m_area->setViewMode(QMdiArea::SubWindowView);
    setCentralWidget(m_area);

    QMenu* file = menuBar()->addMenu(Text(language, "文件(&F)"));
    QAction* quit = file->addAction(Text(language, "退出(&X)"), this, &QWidget::close);
    quit->setShortcut(QKeySequence::Quit);
    QMenu* windows = menuBar()->addMenu(Text(language, "窗口(&W)"));
    for (const WindowEntry& entry : Windows()) {
        QAction* action = windows->addAction(Text(language, entry.caption), this, [this, &entry] { OpenWindow(entry); });
        action->setObjectName(QString::fromLatin1(entry.name));
    }
    windows->addSeparator();
    windows->addAction(Text(language, "层叠(&A)"), m_area, &QMdiArea::cascadeSubWindows);
    windows->addAction(Text(language, "平铺(&I)"), m_area, &QMdiArea::tileSubWindows);

    statusBar()->showMessage(QString::fromStdString(TranslateFormat(
        language, "公司：%1    用户：%2", {m_runtime.DatabaseName(), CurrentSession()->UserName()})));
    // A company of a newer program is only read here: said once, where it stays in view.
    if (const std::optional<std::string>& refusal = m_runtime.WriteRefusal()) {
        auto* notice = new QLabel(QString::fromStdString(*refusal), this);
        notice->setWordWrap(true);
        statusBar()->addPermanentWidget(notice, 1);
    }

    QSettings settings;
    restoreGeometry(settings.value(QStringLiteral("main/geometry")).toByteArray());
    restoreState(settings.value(QStringLiteral("main/state")).toByteArray());
    if (settings.value(QStringLiteral("main/geometry")).isNull()) resize(1000, 680);
}

MainWindow::~MainWindow() = default;

const std::shared_ptr<Session>& MainWindow::CurrentSession() const { return m_runtime.OpenSession(); }

const std::string& MainWindow::Language() const { return CurrentSession()->Language(); }

QWidget* MainWindow::ShowView(QWidget* view) {
    QMdiSubWindow* frame = m_area->addSubWindow(view);
    frame->setWindowIcon(windowIcon());
    frame->resize(760, 460);
    view->show();
    frame->show();
    return view;
}

QWidget* MainWindow::OpenWindow(const WindowEntry& entry) {
    QWidget* view = nullptr;
    Act(Language(), [&] { view = entry.open(*this); });
    return view ? ShowView(view) : nullptr;
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // The views close first: each lets its plug-in class go while the session lives.
    m_area->closeAllSubWindows();
    QSettings settings;
    settings.setValue(QStringLiteral("main/geometry"), saveGeometry());
    settings.setValue(QStringLiteral("main/state"), saveState());
    event->accept();
}

void ShowUntilClosed(QWidget* view) {
    const QPointer<QWidget> shown(view);
    MainWindow* main = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* candidate = dynamic_cast<MainWindow*>(widget); candidate && candidate->isVisible()) main = candidate;
    }
    if (main) {
        main->ShowView(view);
    } else {
        view->show();
    }
    if (!shown) return;
    QEventLoop loop;
    QObject::connect(view, &QObject::destroyed, &loop, &QEventLoop::quit);
    loop.exec();
}

WindowPresenter ClientWindowPresenter(const std::string& language) {
    return WindowPresenter{[language](RateListWindow& window) {
        ShowUntilClosed(new RateListView(window.shared_from_this(), language));
    }};
}

}  // namespace hub::gui
