#include "gui/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDockWidget>
#include <QEventLoop>
#include <QFrame>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QSettings>
#include <QStatusBar>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "gui/bill_view.h"
#include "gui/client.h"
#include "gui/coverage_view.h"
#include "gui/log_list_view.h"
#include "gui/rate_history_view.h"
#include "gui/rate_list_view.h"
#include "gui/type_list_view.h"
#include "gui/user_list_view.h"
#include "i18n/catalogue.h"
#include "model/user_store.h"
#include "tolm/base_data.h"
#include "tolm/components.h"
#include "tolm/host_error.h"
#include "tolm/registry.h"

namespace hub::gui {
namespace {

// The preset type the editor's entry opens a new rate of (company rates).
constexpr int32_t CompanyRateType = 1;

}  // namespace

const std::vector<WindowEntry>& MainWindow::Windows() {
    using namespace rights;
    static const std::vector<WindowEntry> windows{
        {"types", "汇率类型(&T)",
         [](MainWindow& main) -> QWidget* { return TypeListView::Open(main.CurrentSession()); }, BaseDataSubsystem,
         View, true, QStyle::SP_DirIcon},
        {"rates", "汇率(&R)",
         [](MainWindow& main) -> QWidget* { return RateListView::Open(main.CurrentSession()); }, BaseDataSubsystem,
         View, true, QStyle::SP_FileDialogDetailedView},
        {"editor", "新增汇率(&N)",
         [](MainWindow& main) -> QWidget* {
             return BillView::Open(BillWindow::ForNewRate(main.CurrentSession(), RateListFilter(CompanyRateType)),
                                   main.Language());
         },
         BaseDataSubsystem, New, false, QStyle::SP_FileIcon},
        {"history", "汇率走势(&H)",
         [](MainWindow& main) -> QWidget* { return RateHistoryView::Open(main.CurrentSession()); }, BaseDataSubsystem,
         View, true, QStyle::SP_FileDialogContentsView},
        {"coverage", "汇率覆盖(&V)",
         [](MainWindow& main) -> QWidget* { return CoverageView::Open(main.CurrentSession()); }, BaseDataSubsystem,
         View, true, QStyle::SP_DialogApplyButton},
        {"log", "上机日志(&L)",
         [](MainWindow& main) -> QWidget* { return LogListView::Open(main.CurrentSession()); }, LogSubsystem, LogView,
         true, QStyle::SP_FileDialogInfoView},
        {"users", "用户(&U)",
         [](MainWindow& main) -> QWidget* { return UserListView::Open(main.CurrentSession()); }, 0,
         AdministratorsOnly, true, QStyle::SP_DirHomeIcon},
        {"class", "基础资料窗口(&C)",
         [](MainWindow&) -> QWidget* {
             // The class window is the host's component, asked for by class as the
             // plug-in asks for it; it is modal and shows itself.
             auto lookup = tolm::CreateObject<tolm::IClassLookup>(tolm::classname::ClassLookup);
             lookup->SetClassTypeID(tolm::ExchangeRateClassTypeId);
             lookup->Show();
             return nullptr;
         },
         BaseDataSubsystem, View, false, QStyle::SP_DesktopIcon},
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
        if (!Allows(entry)) continue;
        QAction* action = windows->addAction(Text(language, entry.caption), this, [this, &entry] { OpenWindow(entry); });
        action->setObjectName(QString::fromLatin1(entry.name));
    }
    windows->addSeparator();
    windows->addAction(Text(language, "层叠(&A)"), m_area, &QMdiArea::cascadeSubWindows);
    windows->addAction(Text(language, "平铺(&I)"), m_area, &QMdiArea::tileSubWindows);

    auto* start = new QDockWidget(Text(language, "开始"), this);
    start->setObjectName(QStringLiteral("start"));
    // Always in view: who works in which company is never hidden.
    start->setFeatures(QDockWidget::NoDockWidgetFeatures);
    start->setWidget(BuildStartPage());
    addDockWidget(Qt::LeftDockWidgetArea, start);

    // Permanent: a command's outcome and the menus' tips pass, these stay.
    for (const std::string& text :
         {TranslateFormat(language, "公司：%1", {m_runtime.DatabaseName()}),
          TranslateFormat(language, "用户：%1", {CurrentSession()->UserName()}),
          TranslateFormat(language, "语言：%1", {Translate(language, LanguageName(language))})}) {
        statusBar()->addPermanentWidget(new QLabel(QString::fromStdString(text), this));
    }
    statusBar()->showMessage(Text(language, "就绪"));
    // A company of a newer program is only read here: said once, where it stays in view.
    if (const std::optional<std::string>& refusal = m_runtime.WriteRefusal()) {
        auto* notice = new QLabel(QString::fromStdString(*refusal), this);
        notice->setWordWrap(true);
        statusBar()->addPermanentWidget(notice, 1);
    }

    QSettings settings;
    restoreGeometry(settings.value(QStringLiteral("main/geometry")).toByteArray());
    restoreState(settings.value(QStringLiteral("main/state")).toByteArray());
    if (settings.value(QStringLiteral("main/geometry")).isNull()) resize(1100, 720);
}

QWidget* MainWindow::BuildStartPage() {
    const std::string& language = Language();
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("startPage"));
    auto* layout = new QVBoxLayout(page);
    auto* who = new QLabel(page);
    who->setObjectName(QStringLiteral("who"));
    who->setTextFormat(Qt::PlainText);
    who->setText(QString::fromStdString(
        TranslateFormat(language, "公司：%1", {m_runtime.DatabaseName()}) + "\n" +
        TranslateFormat(language, "用户：%1", {CurrentSession()->UserName()}) + "\n" +
        TranslateFormat(language, "语言：%1", {Translate(language, LanguageName(language))})));
    who->setWordWrap(true);
    layout->addWidget(who);
    auto* line = new QFrame(page);
    line->setFrameShape(QFrame::HLine);
    layout->addWidget(line);
    for (const WindowEntry& entry : Windows()) {
        if (!Allows(entry)) continue;
        auto* button = new QToolButton(page);
        button->setObjectName(QStringLiteral("open-") + QString::fromLatin1(entry.name));
        button->setText(Text(language, entry.caption));
        button->setIcon(style()->standardIcon(entry.icon));
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setAutoRaise(true);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        connect(button, &QToolButton::clicked, this, [this, &entry] { OpenWindow(entry); });
        layout->addWidget(button);
    }
    layout->addStretch();
    return page;
}

bool MainWindow::Allows(const WindowEntry& entry) const {
    bool allowed = false;
    tolm::OnErrorSilent([&] {
        auto security = tolm::CreateObject<tolm::ISecurityInfo>(tolm::classname::SecurityInfo);
        const std::string props = CurrentSession()->PropsString();
        if (entry.rightBit == 0) {
            allowed = true;
        } else if (entry.rightBit == AdministratorsOnly) {
            allowed = security->IsAdministrator(props);
        } else {
            allowed = security->AccessCheck(props, entry.subsystem, 0, entry.rightBit, false, "");
        }
    });
    return allowed;
}

void MainWindow::RestoreWindows() {
    const QStringList names = QSettings().value(QStringLiteral("main/windows")).toStringList();
    for (const QString& name : names) {
        for (const WindowEntry& entry : Windows()) {
            if (entry.restored && name == QString::fromLatin1(entry.name) && Allows(entry)) OpenWindow(entry);
        }
    }
}

MainWindow::~MainWindow() = default;

const std::shared_ptr<Session>& MainWindow::CurrentSession() const { return m_runtime.OpenSession(); }

const std::string& MainWindow::Language() const { return CurrentSession()->Language(); }

QWidget* MainWindow::ShowView(QWidget* view) {
    QMdiSubWindow* frame = m_area->addSubWindow(view);
    frame->setWindowIcon(windowIcon());
    // A window opens as large as the work area lets it, a little cascaded.
    const int offset = 24 * static_cast<int>(m_area->subWindowList().size() - 1) % 120;
    frame->setGeometry(offset, offset, std::max(760, m_area->width() - offset), std::max(460, m_area->height() - offset));
    view->show();
    frame->show();
    m_area->setActiveSubWindow(frame);
    // The field or list the view chose for the person to start in.
    if (QWidget* start = view->focusWidget()) start->setFocus();
    return view;
}

QWidget* MainWindow::OpenWindow(const WindowEntry& entry) {
    QWidget* view = nullptr;
    Act(Language(), [&] { view = entry.open(*this); });
    if (!view) return nullptr;
    view->setProperty("tolmWindow", QString::fromLatin1(entry.name));
    return ShowView(view);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    QStringList open;
    for (QMdiSubWindow* frame : m_area->subWindowList(QMdiArea::CreationOrder)) {
        const QString name = frame->widget() ? frame->widget()->property("tolmWindow").toString() : QString();
        if (!name.isEmpty() && !open.contains(name)) open << name;
    }
    // The views close first: each lets its plug-in class go while the session lives.
    m_area->closeAllSubWindows();
    QSettings settings;
    settings.setValue(QStringLiteral("main/windows"), open);
    settings.setValue(QStringLiteral("main/geometry"), saveGeometry());
    settings.setValue(QStringLiteral("main/state"), saveState());
    event->accept();
}

void ShowBeside(QWidget* view) {
    MainWindow* main = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* candidate = dynamic_cast<MainWindow*>(widget); candidate && candidate->isVisible()) main = candidate;
    }
    if (main) {
        main->ShowView(view);
    } else {
        view->show();
    }
}

void ShowUntilClosed(QWidget* view) {
    const QPointer<QWidget> shown(view);
    ShowBeside(view);
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
