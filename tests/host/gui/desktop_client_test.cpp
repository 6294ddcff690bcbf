// The desktop client's wiring on Qt's offscreen platform, through the real plug-in:
// what a person types and clicks reaches the window and form models, and what the
// plug-in says reaches the screen.
#include <gtest/gtest.h>

#include <type_traits>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontInfo>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTextLayout>
#include <QTableWidget>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>

#include "gui/bill_view.h"
#include "gui/log_list_view.h"
#include "gui/menu_bar_view.h"
#include "gui/rate_list_view.h"
#include "gui/type_list_view.h"
#include "gui/user_list_view.h"
#include "i18n/catalogue.h"
#include "model/company_setup.h"
#include "model/profile_store.h"
#include "model/rate_store.h"
#include "model/log_store.h"
#include "model/user_store.h"
#include "platform/qt_form_dialog.h"
#include "platform/qt_platform.h"
#include "support/temp_dir.h"
#include "support/test_runtime.h"
#include "tolm/host_error.h"
#include "windows/rate_list.h"

// Read by the leak checker of sanitized builds: fontconfig keeps the font caches Qt
// asked for until the process ends.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace {

using hub::gui::BillView;
using hub::gui::RateListView;
using hub::gui::TypeListView;

QApplication& Application() {
    static int argc = 1;
    static char name[] = "hub_gui_tests";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never destroyed: Qt's own globals may be gone by the time statics are.
    static QApplication* application = new QApplication(argc, argv);
    return *application;
}

// Acts on the next modal window of the kind asked for (a message box, a dialog) from
// inside its own show. Work that reports progress lets events through while the
// window that started it is still on top, and its progress window appears only when
// the work takes long (on a loaded machine): neither is the window awaited.
template <class Window = QWidget>
void WhenModal(std::type_identity_t<std::function<void(Window&)>> act) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, act = std::move(act)] {
        QWidget* modal = QApplication::activeModalWidget();
        auto* window = qobject_cast<Window*>(modal);
        if (window != nullptr && qobject_cast<QProgressDialog*>(modal) == nullptr) {
            timer->stop();
            timer->deleteLater();
            act(*window);
        }
    });
    timer->start();
}

struct SeenBox {
    QString text;
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

// Answers the next message box with its default button and tells what it showed.
std::shared_ptr<SeenBox> AnswerNextBox() {
    auto seen = std::make_shared<SeenBox>();
    WhenModal<QMessageBox>([seen](QMessageBox& box) {
        *seen = {box.text(), box.windowTitle(), box.icon()};
        box.defaultButton()->click();
    });
    return seen;
}

class DesktopClient : public ::testing::Test {
protected:
    void SetUp() override {
        Application();
        m_db = hub::OpenDatabase(":memory:");
        hub::InitCompany(*m_db, /*demo=*/false);
        hub::RuntimeOptions options = hub::TestRuntimeOptions(std::make_shared<hub::QtPlatform>());
        options.registry = m_dir.Path() / "classes.json";
        m_runtime = std::make_unique<hub::Runtime>(std::move(options));
        m_session = m_runtime->LogIn(m_db, "administrator", "chs");
        m_runtime->Loader().RegisterLibrary(TOLM_PLUGIN_PATH);
        // A message box nobody in the scenario expected fails it instead of holding it forever.
        m_strayBoxes.setInterval(1000);
        QObject::connect(&m_strayBoxes, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box && box == m_lastBox) {
                ADD_FAILURE() << "unanswered message box: " << box->text().toStdString();
                box->reject();
            }
            m_lastBox = box;
        });
        m_strayBoxes.start();
    }

    std::unique_ptr<BillView> NewRateEditor() {
        std::unique_ptr<BillView> view(BillView::Open(
            hub::BillWindow::ForNewRate(m_session, hub::RateListFilter(CompanyType)), "chs"));
        view->setAttribute(Qt::WA_DeleteOnClose, false);
        view->show();
        return view;
    }

    // A rate of USD valid on a day of March 2024, the ledger's current period, not audited.
    int32_t AddRate(const std::string& number, unsigned day) const {
        hub::WriteProfile(*m_db, "GL", "CurrentYear", tolm::Variant(2024));
        hub::WriteProfile(*m_db, "GL", "CurrentPeriod", tolm::Variant(3));
        hub::RateValues values;
        values.typeId = CompanyType;
        values.currencyId = 2;
        values.rate = 7;
        values.begin = values.end = tolm::MakeDate(2024, 3, day);
        values.number = number;
        return hub::InsertRate(*m_db, values);
    }

    std::unique_ptr<RateListView> RateList() {
        std::unique_ptr<RateListView> view(RateListView::Open(m_session));
        view->setAttribute(Qt::WA_DeleteOnClose, false);
        view->show();
        return view;
    }

    // The button drawing a command on one of the window's tool bars.
    static QWidget* ToolButton(RateListView& view, const char* key) {
        const QString caption = view.Menu().Action(key)->text();
        for (QToolBar* bar : view.findChildren<QToolBar*>()) {
            for (QAction* action : bar->actions()) {
                if (action->text() == caption) return bar->widgetForAction(action);
            }
        }
        return nullptr;
    }

    static void Type(BillView& view, const char* key, const char* text) { QTest::keyClicks(view.Field(key), text); }

    size_t RateCount() const {
        hub::RateList list(m_session);
        list.ShowType();
        return list.Rows().size();
    }

    static constexpr int32_t CompanyType = 1;
    hub::test::TempDir m_dir;
    std::shared_ptr<hub::Database> m_db;
    std::unique_ptr<hub::Runtime> m_runtime;
    std::shared_ptr<hub::Session> m_session;
    QTimer m_strayBoxes;
    QMessageBox* m_lastBox = nullptr;
};

TEST_F(DesktopClient, TheEditorSavesATypedRateAndShowsThePluginsRefusalOfAnOverlap) {
    auto first = NewRateEditor();
    for (auto [key, text] : {std::pair{"FBase", "USD"}, {"FExchangeRate", "7.1"}, {"FBegDate", "2025-01-01"},
                             {"FEndDate", "2025-01-31"}}) {
        Type(*first, key, text);
    }
    first->Menu().Action("mnuFileSave")->trigger();
    EXPECT_EQ(first->Model()->Mode(), hub::BillWindow::ModeModify);
    EXPECT_EQ(RateCount(), 1u);
    EXPECT_EQ(first->Field("FExchangeRate")->text(), QStringLiteral("7.1000")) << "shown with the type's places";

    auto second = NewRateEditor();
    for (auto [key, text] : {std::pair{"FBase", "USD"}, {"FExchangeRate", "7.3"}, {"FBegDate", "2025-01-15"},
                             {"FEndDate", "2025-02-15"}}) {
        Type(*second, key, text);
    }
    const auto box = AnswerNextBox();
    second->Menu().Action("mnuFileSave")->trigger();
    EXPECT_EQ(box->text.toStdString(), hub::Translate("chs", "已存在同一汇率类型、同一币别、同一日期的汇率数据。"));
    EXPECT_EQ(box->icon, QMessageBox::Information);
    EXPECT_FALSE(box->title.isEmpty());
    EXPECT_EQ(second->Model()->Mode(), hub::BillWindow::ModeNew);
    EXPECT_EQ(RateCount(), 1u);
}

TEST_F(DesktopClient, TheTypeDialogRefusesAKeystrokeAndCreatesTheType) {
    std::unique_ptr<TypeListView> view(TypeListView::Open(m_session));
    view->setAttribute(Qt::WA_DeleteOnClose, false);
    view->show();
    QString codeAfterRefusal;
    WhenModal([&](QWidget& dialog) {
        auto* code = dialog.findChild<QLineEdit*>(QStringLiteral("txtNumber"));
        auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("txtName"));
        ASSERT_TRUE(code && name);
        QTest::keyClicks(code, QStringLiteral("0@5"));
        codeAfterRefusal = code->text();
        QTest::mouseClick(name, Qt::LeftButton);
        // Chinese arrives from an input method, whole.
        QInputMethodEvent composed;
        composed.setCommitString(QStringLiteral("海关汇率"));
        QApplication::sendEvent(name, &composed);
        QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("cmdOK")), Qt::LeftButton);
        QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("cmdCancel")), Qt::LeftButton);
    });
    view->Menu().Action("mnuFileNewItem")->trigger();

    EXPECT_EQ(codeAfterRefusal.toStdString(), "05") << "the '@' the dialog refused left the field as it was";
    const auto items = view->Tree().findItems(QStringLiteral("海关汇率"), Qt::MatchExactly | Qt::MatchRecursive);
    EXPECT_EQ(items.size(), 1) << "the list shows the new type";
    const auto& rows = view->Model()->Rows();
    EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [](const hub::TypeRow& row) {
        return row.number == "05" && row.name == "海关汇率";
    }));
}

TEST_F(DesktopClient, TwoRatesSelectedInTheListAreAuditedFromTheToolBarAfterTheQuestion) {
    const int32_t first = AddRate("01.A", 1);
    const int32_t second = AddRate("01.B", 2);
    AddRate("01.C", 3);
    auto view = RateList();
    const auto nodes = view->Tree().findItems(QStringLiteral("公司汇率"), Qt::MatchExactly | Qt::MatchRecursive);
    ASSERT_EQ(nodes.size(), 1);
    view->Tree().setCurrentItem(nodes.front());
    EXPECT_EQ(view->Model()->SelectedClassId(), CompanyType);
    QTableWidget& table = view->Table();
    ASSERT_EQ(table.rowCount(), 3);
    const auto cellOf = [&table](int32_t rateId) {
        for (int row = 0; row < table.rowCount(); ++row) {
            if (table.item(row, 0)->data(Qt::UserRole).toInt() == rateId) return table.visualItemRect(table.item(row, 0));
        }
        return QRect();
    };
    QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, cellOf(first).center());
    QTest::mouseClick(table.viewport(), Qt::LeftButton, Qt::ControlModifier, cellOf(second).center());
    EXPECT_EQ(view->Model()->Selection(), (std::vector<int32_t>{second, first})) << "the current rate first";

    QWidget* audit = ToolButton(*view, "mnuCheck");
    ASSERT_NE(audit, nullptr);
    const auto question = AnswerNextBox();
    QTest::mouseClick(audit, Qt::LeftButton);

    EXPECT_EQ(question->icon, QMessageBox::Question);
    const auto audited = m_db->Query("SELECT COUNT(*) AS n FROM t_ExchangeRateEntry WHERE FChkUserID <> 0 AND FID IN (?1, ?2)",
                                     {tolm::Variant(first), tolm::Variant(second)});
    EXPECT_EQ(audited->Field("n").ToLong(), 2);
    const int auditor = static_cast<int>(std::distance(
        hub::RateListWindow::Columns().begin(),
        std::find_if(hub::RateListWindow::Columns().begin(), hub::RateListWindow::Columns().end(),
                     [](const hub::RateListColumn& column) { return std::string(column.name) == "FChkUserID"; })));
    int shownAudited = 0;
    for (int row = 0; row < table.rowCount(); ++row) shownAudited += !table.item(row, auditor)->text().isEmpty();
    EXPECT_EQ(shownAudited, 2) << "the list shows what the database holds";
    EXPECT_EQ(view->statusBar()->currentMessage().toStdString(), "命令已完成。") << "and says what became of the command";
}

TEST_F(DesktopClient, TheListsExportCommandDrawsTheTransferDialogWhichWritesTheChosenWorkbook) {
    AddRate("01.A", 1);
    auto view = RateList();
    const QString file = QString::fromStdString((m_dir.Path() / "rates.xls").string());
    bool drawnByTheRenderer = false;
    std::shared_ptr<SeenBox> report;
    WhenModal([&](QWidget& dialog) {
        drawnByTheRenderer = dynamic_cast<hub::FormDialog*>(&dialog) != nullptr;
        WhenModal<QFileDialog>([&](QFileDialog& files) {
            files.selectFile(file);
            static_cast<QDialog&>(files).accept();  // as the Save button does
        });
        QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("cmdPath")), Qt::LeftButton);
        report = AnswerNextBox();
        QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("cmdProcess")), Qt::LeftButton);
    });
    view->Menu().Action("mnuExpExRate")->trigger();

    EXPECT_TRUE(drawnByTheRenderer);
    ASSERT_NE(report, nullptr);
    EXPECT_EQ(report->text.toStdString(), hub::Translate("chs", "导出汇率体系成功！"));
    EXPECT_GT(QFileInfo(file).size(), 0);
}

TEST_F(DesktopClient, DelInTheLogListDeletesOnlyTheFilteredRecordsOnceTheQuestionIsAnsweredYes) {
    const struct {
        const char* machine;
        const char* description;
    } records[] = {{"pc-1", "审核 USD"}, {"pc-1", "审核 EUR"}, {"pc-2", "审核 USD"}};
    for (const auto& record : records) {
        hub::WriteLogRecord(*m_db, hub::LogRecord{tolm::MakeDate(2025, 3, 1), 1, "QEL1014002_mnuCheck", 5,
                                                  record.description, record.machine, "10.0.0.1"});
    }
    std::unique_ptr<hub::gui::LogListView> view(hub::gui::LogListView::Open(m_session));
    view->setAttribute(Qt::WA_DeleteOnClose, false);
    view->show();
    view->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));

    QTest::keyClicks(&view->CriterionField(hub::gui::LogListView::Criterion::Machine), QStringLiteral("pc-1"));
    QTest::mouseClick(view->findChild<QPushButton*>(QStringLiteral("applyFilter")), Qt::LeftButton);
    QTest::keyClicks(&view->QuickFilter(), QStringLiteral("USD"));
    QTest::keyClick(&view->QuickFilter(), Qt::Key_Return);
    ASSERT_EQ(view->Table().rowCount(), 1) << "the criteria and the quick filter narrow what is shown";

    const auto box = AnswerNextBox();
    view->Table().setFocus();
    QTest::keyClick(&view->Table(), Qt::Key_Delete);
    EXPECT_EQ(box->text.toStdString(), hub::Translate("chs", "确定要删除当前过滤出的所有日志记录吗？"));
    EXPECT_EQ(view->Table().rowCount(), 0);
    auto left = [&](const char* machine, const char* contains) {
        hub::LogCriteria criteria;
        criteria.machine = machine;
        criteria.contains = contains;
        return hub::LogRowsWhere(*m_db, hub::LogCondition(criteria), hub::LogOrderBy(""))->RecordCount();
    };
    EXPECT_EQ(left("pc-1", "USD"), 0) << "the record shown is gone";
    EXPECT_EQ(left("pc-1", "EUR"), 1) << "the quick filter hid it";
    EXPECT_EQ(left("pc-2", "USD"), 1) << "the criteria hid it";
}

TEST_F(DesktopClient, TheTextWindowSavesItsTextToTheFilePicked) {
    const std::string text = "汇率引入报告\n第2行：USD 7.1\n";
    const std::filesystem::path file = m_dir.Path() / "report.txt";
    QString shown;
    WhenModal([&](QWidget& dialog) {
        shown = dialog.findChild<QPlainTextEdit*>()->toPlainText();
        WhenModal<QFileDialog>([&](QFileDialog& picker) {
            picker.selectFile(QString::fromStdString(file.string()));
            static_cast<QDialog&>(picker).accept();
        });
        QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("save")), Qt::LeftButton);
        dynamic_cast<QDialog&>(dialog).reject();
    });
    tolm::Platform()->ShowText(text, "报告");
    EXPECT_EQ(shown.toStdString(), text);
    std::ifstream saved(file, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(saved), {}), text);
}

TEST_F(DesktopClient, AChineseCaptionInTheFormsFontIsDrawnWithCjkGlyphs) {
    tolm::Form form("frmGlyphs");
    form.SetFont("宋体", 9);
    form.SetClientSize(3000, 900);
    form.AddControl("lblCaption", tolm::ControlKind::Label, {120, 120, 2700, 400}, 0).SetText("汇率类型");
    hub::FormDialog dialog(form);
    auto* label = qobject_cast<QLabel*>(dialog.WidgetOf("lblCaption"));
    ASSERT_NE(label, nullptr);
    ASSERT_FALSE(hub::CjkFontFamily().isEmpty()) << "a CJK font is installed";
    EXPECT_EQ(QFontInfo(label->font()).family(), hub::CjkFontFamily());

    QTextLayout layout(label->text(), label->font());
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    int glyphs = 0;
    for (const QGlyphRun& run : layout.glyphRuns()) {
        for (const quint32 glyph : run.glyphIndexes()) {
            EXPECT_NE(glyph, 0u) << "glyph 0 is the empty box of a font without the character";
            ++glyphs;
        }
    }
    EXPECT_EQ(glyphs, 4);
}

// ---- the platform seam ------------------------------------------------------------------------

struct BoxCase {
    int32_t flags;
    std::string title;
    QMessageBox::StandardButtons buttons;
    QMessageBox::Icon icon;
    int32_t defaultAnswer;
};

TEST(QtPlatform, AMessageBoxHasTheFlagsButtonsIconAndDefaultAndAnswersWithTheButtonChosen) {
    Application();
    hub::QtPlatform platform;
    const BoxCase cases[] = {
        {tolm::mb::YesNo | tolm::mb::Question, "Zelvo", QMessageBox::Yes | QMessageBox::No, QMessageBox::Question,
         tolm::mb::IdYes},
        {tolm::mb::OKCancel | tolm::mb::Exclamation | tolm::mb::DefaultButton2, "t",
         QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Warning, tolm::mb::IdCancel},
        {tolm::mb::Critical, "", QMessageBox::Ok, QMessageBox::Critical, tolm::mb::IdOK},
    };
    for (const BoxCase& expected : cases) {
        SCOPED_TRACE(expected.flags);
        QMessageBox::StandardButtons buttons;
        QString title;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        WhenModal<QMessageBox>([&](QMessageBox& box) {
            buttons = box.standardButtons();
            title = box.windowTitle();
            icon = box.icon();
            QTest::keyClick(&box, Qt::Key_Return);
        });
        EXPECT_EQ(platform.MessageBox("prompt", expected.flags, expected.title), expected.defaultAnswer);
        EXPECT_EQ(buttons, expected.buttons);
        EXPECT_EQ(icon, expected.icon);
        EXPECT_EQ(title.toStdString(),
                  expected.title.empty() ? QApplication::applicationDisplayName().toStdString() : expected.title);
    }
}

TEST(QtPlatform, ASaveDialogAsksBeforeOverwritingAndACancelIsAnErrorWhenAskedFor) {
    Application();
    tolm::InstallPlatform(std::make_shared<hub::QtPlatform>());
    bool asksBeforeOverwriting = false;
    QStringList filters;
    WhenModal<QFileDialog>([&](QFileDialog& dialog) {
        asksBeforeOverwriting = !dialog.testOption(QFileDialog::DontConfirmOverwrite);
        filters = dialog.nameFilters();
        dialog.reject();
    });
    tolm::FileDialogOptions options;
    options.flags = tolm::fd::OverwritePrompt;
    options.filter = "Excel Files (*.xls)|*.xls|All Files (*.*)|*.*";
    options.cancelError = true;
    try {
        tolm::ShowFileDialog(tolm::FileDialogKind::Save, options);
        ADD_FAILURE() << "a cancelled dialog raised nothing";
    } catch (const tolm::HostError& error) {
        EXPECT_EQ(error.Number(), tolm::err::DialogCancelled);
    }
    tolm::InstallPlatform(nullptr);
    EXPECT_TRUE(asksBeforeOverwriting);
    EXPECT_EQ(filters, QStringList({QStringLiteral("Excel Files (*.xls)"), QStringLiteral("All Files (*)")}));
}

}  // namespace

namespace {

TEST_F(DesktopClient, TheUsersWindowSavesTheTickedRightsAndIsForAdministratorsOnly) {
    std::unique_ptr<hub::gui::UserListView> view(hub::gui::UserListView::Open(m_session));
    view->setAttribute(Qt::WA_DeleteOnClose, false);
    view->show();
    // The password typed into the add dialog twice, through its fields.
    WhenModal<QDialog>([](QDialog& dialog) {
        const QList<QLineEdit*> fields = dialog.findChildren<QLineEdit*>();
        QTest::keyClicks(fields[0], "pat");
        QTest::keyClicks(fields[2], "pat-passphrase");
        QTest::keyClicks(fields[3], "pat-passphrase");
        dialog.accept();
    });
    view->AddUser();
    ASSERT_EQ(view->SelectedUser(), "pat");
    view->RightBox("audit")->click();
    view->SaveRights();
    const int32_t pat = hub::FindUserByName(*m_db, "pat")->id;
    EXPECT_TRUE(hub::UserHasRight(*m_db, pat, hub::rights::BaseDataSubsystem, 0, hub::rights::Audit));
    EXPECT_FALSE(hub::UserHasRight(*m_db, pat, hub::rights::BaseDataSubsystem, 0, hub::rights::View));
    EXPECT_EQ(view->statusBar()->currentMessage().toStdString(), "已为用户 pat 设置权限。");

    hub::Credentials credentials;
    credentials.password = [] { return std::optional<std::string>("pat-passphrase"); };
    const auto session = m_runtime->LogIn(m_db, "pat", "chs", credentials);
    EXPECT_THROW(hub::gui::UserListView::Open(session), tolm::HostError);
}

}  // namespace
