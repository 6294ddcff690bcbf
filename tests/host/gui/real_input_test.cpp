// A working day at the desktop client with real input: the client's windows on an X
// server of their own (Xvfb), driven by xdotool with the keyboard and mouse events a
// person's hands make, through the real plug-in and a company file. Each step waits
// for what the person would see, and the company file is read after each.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QAbstractButton>
#include <QApplication>
#include <QCalendarWidget>
#include <QDate>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QWindow>

#include "gui/bill_view.h"
#include "gui/client.h"
#include "gui/log_list_view.h"
#include "gui/login_dialog.h"
#include "gui/main_window.h"
#include "gui/menu_bar_view.h"
#include "gui/rate_list_view.h"
#include "model/company_setup.h"
#include "platform/qt_platform.h"
#include "services/user_admin.h"
#include "support/temp_dir.h"
#include "support/test_runtime.h"
#include "tolm/platform.h"

extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace {

using namespace hub;
using namespace hub::gui;

constexpr const char* Password = "Werktag-2026!";
constexpr int32_t CompanyType = 1;

// An X server of the test's own on a display it picks itself (and names on its
// standard output), gone with the test.
class XServer {
public:
    bool Start(const QString& program) {
        m_process.start(program, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                                  QStringLiteral("0"), QStringLiteral("1280x900x24"), QStringLiteral("-nolisten"),
                                  QStringLiteral("tcp")});
        QDeadlineTimer deadline(10000);
        while (!m_process.canReadLine() && m_process.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
        }
        const QString number = QString::fromLatin1(m_process.readLine()).trimmed();
        if (number.isEmpty()) return false;
        m_display = QStringLiteral(":") + number;
        return true;
    }
    ~XServer() {
        m_process.terminate();
        if (!m_process.waitForFinished(3000)) m_process.kill();
        m_process.waitForFinished();
    }
    const QString& Display() const { return m_display; }

private:
    QProcess m_process;
    QString m_display;
};

// A step of the scenario: what the hands do, and what shows that it went through.
struct Step {
    const char* name;
    std::function<void()> act;
    std::function<bool()> done;
    std::function<void()> check = [] {};
};

class RealInput : public ::testing::Test {
protected:
    void SetUp() override {
        m_xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        m_xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
        if (m_xvfb.isEmpty() || m_xdotool.isEmpty()) GTEST_SKIP() << "Xvfb or xdotool is not installed";
        ASSERT_TRUE(m_server.Start(m_xvfb)) << "Xvfb did not start";
        qputenv("DISPLAY", m_server.Display().toLocal8Bit());
        qputenv("QT_QPA_PLATFORM", "xcb");
        // Settings and the class registry of this test only.
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString((m_dir.Path() / "config").string()));
        qputenv("TOLM_REGISTRY", QByteArray::fromStdString((m_dir.Path() / "classes.json").string()));
        static int argc = 1;
        static char name[] = "hub_gui_real_input_tests";
        static char* argv[] = {name, nullptr};
        m_application = std::make_unique<QApplication>(argc, argv);
        SetApplicationIdentity();
        m_platform = std::make_shared<QtPlatform>();
        tolm::InstallPlatform(m_platform);

        m_file = (m_dir.Path() / "company.db").string();
        {
            auto db = OpenDatabase(m_file);
            InitCompany(*db, /*demo=*/true);
            Runtime admin(TestRuntimeOptions(m_platform));
            const UserAdmin users(admin.LogIn(db, "administrator", "chs"));
            for (const char* user : {"accountant", "auditor"}) {
                ASSERT_EQ(users.ChangePassword(user, Password).kind, Outcome::Kind::Done) << user;
            }
        }
        m_db = OpenDatabase(m_file);
    }

    void TearDown() override {
        m_main.reset();
        m_runtime.reset();
        m_login.reset();
        m_application.reset();
    }

    // ---- the hands ------------------------------------------------------------------------
    void Xdo(const QStringList& arguments) const {
        ASSERT_EQ(QProcess::execute(m_xdotool, arguments), 0) << arguments.join(u' ').toStdString();
    }
    void Keys(const QStringList& keys) const { Xdo(QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("60")} + keys); }
    void Type(const QString& text) const { Xdo({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("40"), text}); }
    void Click(const QWidget* widget, QPoint at = {}) const {
        ASSERT_NE(widget, nullptr);
        const QPoint global = widget->mapToGlobal(at.isNull() ? widget->rect().center() : at);
        Xdo({QStringLiteral("mousemove"), QStringLiteral("--sync"), QString::number(global.x()), QString::number(global.y()),
             QStringLiteral("click"), QStringLiteral("1")});
    }

    // ---- what the person sees -------------------------------------------------------------
    static bool Exposed(const QWidget* widget) {
        return widget && widget->isVisible() && widget->windowHandle() && widget->windowHandle()->isExposed();
    }
    // The views have no meta-object of their own, so they are told apart by type.
    template <class View>
    View* Open() const {
        if (!m_main) return nullptr;
        for (QMainWindow* window : m_main->findChildren<QMainWindow*>()) {
            if (auto* view = dynamic_cast<View*>(window)) return view;
        }
        return nullptr;
    }
    static QWidget* ToolButton(QMainWindow& view, MenuBarView& menu, const char* key) {
        const QString caption = menu.Action(key)->text();
        for (QToolBar* bar : view.findChildren<QToolBar*>()) {
            for (QAction* action : bar->actions()) {
                if (action->text() == caption) return bar->widgetForAction(action);
            }
        }
        return nullptr;
    }

    // ---- the company file -----------------------------------------------------------------
    // The one value a "SELECT value FROM ..." reads; empty when there is no row.
    tolm::Variant Value(std::string sql, const Params& params) const {
        sql.insert(sql.find(" FROM"), " AS v");
        auto rows = m_db->Query(sql, params);
        return rows->IsEOF() ? tolm::Variant() : rows->Field("v");
    }
    int64_t Count(const std::string& sql, const Params& params = {}) const { return Value(sql, params).ToLong(); }
    std::string Text(const std::string& sql, const Params& params = {}) const { return Value(sql, params).ToText(); }

    // Runs the steps from the event loop, so that the windows a step opens modally
    // (an editor a list waits for, a question) let the next step run. A step that
    // shows no result within its time fails the scenario.
    void Run(std::vector<Step> steps) {
        QEventLoop loop;
        QTimer timer;
        size_t current = 0;
        bool acted = false;
        bool busy = false;
        QElapsedTimer since;
        const auto stop = [&] {
            timer.stop();
            // Whatever is still open closes, so that every nested loop returns.
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                if (auto* box = qobject_cast<QMessageBox*>(widget)) box->reject();
            }
            if (m_main) m_main->close();
            loop.quit();
        };
        QObject::connect(&timer, &QTimer::timeout, [&] {
            if (busy || current >= steps.size()) return;
            busy = true;
            Step& step = steps[current];
            if (!acted) {
                step.act();
                acted = true;
                since.start();
            } else if (step.done()) {
                step.check();
                acted = false;
                if (++current == steps.size() || ::testing::Test::HasFatalFailure()) stop();
            } else if (since.elapsed() > 15000) {
                ADD_FAILURE() << "step \"" << step.name << "\" showed no result";
                stop();
            }
            busy = false;
        });
        timer.start(40);
        loop.exec();
    }

    std::vector<Step> LogIn(const char* user) {
        return {
            {"the login opens",
             [this] {
                 m_main.reset();
                 m_runtime.reset();
                 m_login = std::make_unique<LoginDialog>(m_platform);
                 m_login->SetDatabase(QString::fromStdString(m_file));
                 m_login->SetLanguage("chs");
                 m_login->show();
                 m_login->activateWindow();
             },
             [this] { return Exposed(m_login.get()); }},
            {"user and password typed",
             [this, user] {
                 Click(m_login->findChild<QLineEdit*>(QStringLiteral("user")));
                 Keys({QStringLiteral("ctrl+a")});
                 Type(QString::fromLatin1(user));
                 Keys({QStringLiteral("Tab")});
                 Type(QString::fromLatin1(Password));
                 Keys({QStringLiteral("Return")});
             },
             [this] { return m_login->result() == QDialog::Accepted; },
             [this, user] {
                 m_runtime = m_login->TakeRuntime();
                 ASSERT_TRUE(m_runtime);
                 EXPECT_EQ(m_runtime->OpenSession()->UserName(), user);
                 EXPECT_EQ(Count("SELECT COUNT(*) FROM t_Log WHERE FUserID = (SELECT FUserID FROM t_User WHERE "
                                 "FName = ?1) AND FDescription LIKE '%密码%'",
                                 {tolm::Variant(std::string(user))}),
                           0)
                     << "no wrong password was recorded";
             }},
            {"the main window opens with the windows of the last exit",
             [this] {
                 m_main = std::make_unique<MainWindow>(*m_runtime);
                 m_main->show();
                 m_main->activateWindow();
                 m_main->RestoreWindows();
             },
             [this] { return Exposed(m_main.get()); }},
        };
    }

    QString m_xvfb;
    QString m_xdotool;
    hub::test::TempDir m_dir;
    XServer m_server;
    std::unique_ptr<QApplication> m_application;
    std::shared_ptr<QtPlatform> m_platform;
    std::string m_file;
    std::shared_ptr<Database> m_db;
    std::unique_ptr<LoginDialog> m_login;
    std::unique_ptr<Runtime> m_runtime;
    std::unique_ptr<MainWindow> m_main;
};

TEST_F(RealInput, ARateTypedByTheAccountantIsAuditedByTheAuditorAndBothAreInTheLog) {
    const QDate today = QDate::currentDate();
    const QDate first = QDate(today.year(), today.month(), 1).addMonths(1);  // no demo rate yet
    const QDate last = first.addMonths(1).addDays(-1);
    const Params newRate{tolm::Variant(CompanyType), tolm::Variant(first.toString(QStringLiteral("yyyy-MM-dd")).toStdString())};
    const std::string ofNewRate =
        " FROM t_ExchangeRateEntry e JOIN t_Currency c ON c.FCurrencyID = e.FCyTo AND c.FNumber = 'USD'"
        " WHERE e.FExchangeRateType = ?1 AND date(e.FBegDate) = ?2";
    const int64_t ratesBefore = Count("SELECT COUNT(*) FROM t_ExchangeRateEntry");
    std::string code;
    int rowsBefore = 0;

    std::vector<Step> steps = LogIn("accountant");
    const std::vector<Step> accountant{
        {"the rate list opens from the start page on the first type",
         [this] { Click(m_main->findChild<QToolButton*>(QStringLiteral("open-rates"))); },
         [this] { return Open<RateListView>() && Open<RateListView>()->Table().rowCount() > 0; },
         [&] {
             RateListView* list = Open<RateListView>();
             EXPECT_EQ(list->Model()->SelectedClassId(), list->Model()->Types().front().id);
             rowsBefore = list->Table().rowCount();
             EXPECT_EQ(Count("SELECT COUNT(*) FROM t_ExchangeRateEntry"), ratesBefore);
         }},
        {"Ctrl+N in the list opens the editor at the currency",
         [this] { Keys({QStringLiteral("ctrl+n")}); },
         [this] { return Open<BillView>() && Open<BillView>()->Field("FBase")->hasFocus(); }},
        {"the currency is picked from the list found by typing",
         [this] {
             Type(QStringLiteral("usd"));
             Keys({QStringLiteral("Down"), QStringLiteral("Return")});
         },
         [this] { return Open<BillView>()->Model()->GetHeadValue("FBase", 1, 3).ToText() == "USD"; }},
        {"the rate is typed",
         [this] {
             Keys({QStringLiteral("Tab")});
             Type(QStringLiteral("7.25"));
             Keys({QStringLiteral("Tab")});
         },
         [this] {
             return Open<BillView>()->Model()->GetHeadValue("FExchangeRate", 1, 1).ToText() == "7.25" &&
                    Open<BillView>()->Field("FBegDate")->hasFocus();
         }},
        {"F4 opens the calendar",
         [this] { Keys({QStringLiteral("F4")}); },
         [] { return qobject_cast<QCalendarWidget*>(QApplication::activePopupWidget()) != nullptr; }},
        {"the first day of next month is picked in the calendar",
         [this] { Keys({QStringLiteral("Next"), QStringLiteral("Home"), QStringLiteral("Return")}); },
         [&, this] { return Open<BillView>()->Field("FBegDate")->text() == first.toString(QStringLiteral("yyyy-MM-dd")); }},
        {"the last day is typed and Ctrl+S saves",
         [&, this] {
             Keys({QStringLiteral("Tab")});
             Type(last.toString(QStringLiteral("yyyy-MM-dd")));
             Keys({QStringLiteral("ctrl+s")});
         },
         [&, this] { return Count("SELECT COUNT(*)" + ofNewRate, newRate) == 1; },
         [&, this] {
             EXPECT_EQ(Text("SELECT e.FExchangeRate" + ofNewRate, newRate), "7.25");
             EXPECT_EQ(Text("SELECT date(e.FEndDate)" + ofNewRate, newRate), last.toString(QStringLiteral("yyyy-MM-dd")).toStdString());
             EXPECT_EQ(Count("SELECT e.FChkUserID" + ofNewRate, newRate), 0);
             code = Text("SELECT e.FNumber" + ofNewRate, newRate);
             EXPECT_EQ(Open<BillView>()->Model()->Mode(), BillWindow::ModeModify);
         }},
        {"the editor is closed and the list shows the rate",
         [this] {
             BillView* editor = Open<BillView>();
             Click(ToolButton(*editor, editor->Menu(), "mnuFileExit"));
         },
         [&, this] { return !Open<BillView>() && Open<RateListView>()->Table().rowCount() == rowsBefore + 1; }},
        {"Ctrl+Q ends the session",
         [this] { Keys({QStringLiteral("ctrl+q")}); },
         [this] { return !m_main->isVisible(); }},
    };
    steps.insert(steps.end(), accountant.begin(), accountant.end());
    const std::vector<Step> audit = LogIn("auditor");
    steps.insert(steps.end(), audit.begin(), audit.end());
    const std::vector<Step> auditor{
        {"the rate list is back and the new rate is clicked",
         [&, this] {
             RateListView* list = Open<RateListView>();
             ASSERT_NE(list, nullptr) << "the list open at the last exit was not opened again";
             QTableWidget& table = list->Table();
             for (int row = 0; row < table.rowCount(); ++row) {
                 if (table.item(row, 0)->text().toStdString() == code) {
                     Click(table.viewport(), table.visualItemRect(table.item(row, 0)).center());
                 }
             }
         },
         [&, this] {
             const auto& selection = Open<RateListView>()->Model()->Selection();
             return selection.size() == 1 &&
                    selection.front() == Count("SELECT e.FID" + ofNewRate, newRate);
         }},
        {"the toolbar's audit asks first",
         [this] {
             RateListView* list = Open<RateListView>();
             Click(ToolButton(*list, list->Menu(), "mnuCheck"));
         },
         [] { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()) != nullptr; }},
        {"Yes audits the rate",
         [this] { Keys({QStringLiteral("Return")}); },
         [&, this] { return Count("SELECT e.FChkUserID" + ofNewRate, newRate) != 0; },
         [&, this] {
             EXPECT_EQ(Count("SELECT e.FChkUserID" + ofNewRate, newRate),
                       Count("SELECT FUserID FROM t_User WHERE FName = 'auditor'"));
         }},
        {"the operation log opens from the start page",
         [this] { Click(m_main->findChild<QToolButton*>(QStringLiteral("open-log"))); },
         [this] { return Open<LogListView>() != nullptr; }},
        {"the rate's code in the quick filter finds the save and the audit",
         [&, this] {
             Click(&Open<LogListView>()->QuickFilter());
             Type(QString::fromStdString(code));
             Keys({QStringLiteral("Return")});
         },
         [this] { return Open<LogListView>()->Table().rowCount() == 2; },
         [&, this] {
             const Params byCode{tolm::Variant("%" + code + "%")};
             EXPECT_EQ(Count("SELECT COUNT(*) FROM t_Log WHERE FDescription LIKE ?1 AND FFunctionID = "
                             "'QEL1014002_mnuFileNewItem' AND FUserID = (SELECT FUserID FROM t_User WHERE FName = "
                             "'accountant')",
                             byCode),
                       1);
             EXPECT_EQ(Count("SELECT COUNT(*) FROM t_Log WHERE FDescription LIKE ?1 AND FFunctionID = "
                             "'QEL1014002_mnuCheck' AND FUserID = (SELECT FUserID FROM t_User WHERE FName = 'auditor')",
                             byCode),
                       1);
         }},
        {"Ctrl+Q ends the day",
         [this] {
             Click(&Open<LogListView>()->Table());
             Keys({QStringLiteral("ctrl+q")});
         },
         [this] { return !m_main->isVisible(); }},
    };
    steps.insert(steps.end(), auditor.begin(), auditor.end());
    Run(std::move(steps));
}

}  // namespace
