// The exchange-rate list as a person works it: the host's list window with the real
// plug-in library attached, types selected in the tree, rates selected, commands
// clicked, questions answered; checked against what the person sees, what the class
// decided (Cancel) and what the database holds.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "model/profile_store.h"
#include "model/rate_store.h"
#include "support/host_fixture.h"
#include "support/temp_dir.h"
#include "tolm/platform.h"
#include "windows/rate_list_window.h"
#include "windows/standard_menu_bars.h"
#include "windows/tool.h"

namespace {

using hub::RateListWindow;
using tolm::Variant;

// Hears the list's clicks after the plug-in did: sees the Cancel it left.
class ClickRecorder final : public tolm::IBaseListEvents {
public:
    void MenuBarClick(const std::shared_ptr<tolm::ITool>&, bool& Cancel) override { cancelled = Cancel; }
    bool cancelled = false;
};

class ExRateList : public ::testing::Test {
protected:
    void SetUp() override { Start("administrator"); }
    void TearDown() override { Close(); }

    void Start(const std::string& user, std::shared_ptr<hub::MenuBar> menu = nullptr) {
        Close();
        m_host.reset();  // one runtime at a time: each points the process at its registry
        m_host = std::make_unique<qel::test::HostFixture>(user, "chs", true, m_dir / "classes.json");
        m_host->Loader().RegisterLibrary(TOLM_PLUGIN_PATH);
        hub::WriteProfile(Db(), "GL", "CurrentYear", Variant(2024));
        hub::WriteProfile(Db(), "GL", "CurrentPeriod", Variant(3));
        OpenList(std::move(menu));
    }
    void OpenList(std::shared_ptr<hub::MenuBar> menu = nullptr) {
        Close();
        m_list = RateListWindow::Create(m_host->Session(), std::move(menu));
        m_list->SetEditorHost([this](hub::BillWindow& editor) { m_editorFilter = editor.FilterText(); });
        m_list->Open();
        m_recorder = std::make_shared<ClickRecorder>();
        m_list->Advise(m_recorder);
    }
    void Close() {
        if (m_list) m_list->Close();
        m_list.reset();
    }

    hub::Database& Db() const { return m_host->Db(); }
    hub::HeadlessPlatform& Screen() const { return m_host->Platform(); }

    int32_t AddType(const std::string& number, Variant digits) const {
        const auto id = hub::NewExchangeRateId(Db(), true);
        Db().Execute("INSERT INTO t_ExchangeRate (FID, FNumber, FName, FDigits, FLevels) VALUES (?1, ?2, ?2, ?3, 1)",
                     {Variant(id), Variant(number), digits});
        return static_cast<int32_t>(id);
    }
    // A rate of USD (currency 2) valid through March 2024 (the current period).
    int32_t AddRate(int32_t typeId, const std::string& number, double rate, int32_t auditor = 0, int day = 1) const {
        hub::RateValues values;
        values.typeId = typeId;
        values.currencyId = 2;
        values.rate = rate;
        values.reverseRate = 1 / rate;
        values.begin = tolm::MakeDate(2024, 3, static_cast<unsigned>(day));
        values.end = tolm::MakeDate(2024, 3, static_cast<unsigned>(day));
        values.number = number;
        values.auditorId = auditor;
        return hub::InsertRate(Db(), values);
    }
    int64_t Scalar(const std::string& sql, const tolm::VariantArray& values = {}) const {
        return static_cast<int64_t>(Db().Query(sql, values)->Field("v").ToDouble());
    }
    int64_t Touches() const { return Scalar("SELECT FVersion AS v FROM ICClassType WHERE FID = 1014002"); }
    std::string Filter() const { return m_list->View()->ExternalCondition()->GetValue("FFilter", {}).ToText(); }
    std::string Cell(int32_t rateId, const char* column) const {
        const auto& columns = RateListWindow::Columns();
        for (const auto& row : m_list->Rows()) {
            if (row.id != rateId) continue;
            for (size_t i = 0; i < columns.size(); ++i) {
                if (std::string(columns[i].name) == column) return row.cells[i];
            }
        }
        return "(not shown)";
    }
    hub::Tool& MenuTool(const char* band, const char* key) const {
        return dynamic_cast<hub::Tool&>(*m_list->Menu()->FindBand(band)->BandTools()->Item(key));
    }
    std::vector<std::string> Messages() const { return m_host->Messages(); }
    void Select(int32_t typeId, std::vector<int32_t> rates) {
        m_list->SelectType(typeId);
        m_list->SelectRates(rates);
    }

    hub::test::TempDir m_dir;
    std::unique_ptr<qel::test::HostFixture> m_host;
    std::shared_ptr<RateListWindow> m_list;
    std::shared_ptr<ClickRecorder> m_recorder;
    std::string m_editorFilter;
};

constexpr int32_t CompanyType = 1;

TEST_F(ExRateList, ShapesTheMenuWithPicturesGivenToTheToolsAndTheClipboardLeftAlone) {
    const auto& file = *m_list->Menu()->FindBand("mnuFile")->BandTools();
    EXPECT_EQ(file.ItemAt(1)->Key(), "mnuImpExRate");
    EXPECT_EQ(file.ItemAt(2)->Key(), "mnuExpExRate");
    EXPECT_EQ(file.ItemAt(3)->Caption(), "新增汇率");
    EXPECT_EQ(file.ItemAt(3)->ToolTipText(), "新增汇率");
    EXPECT_TRUE(file.ItemAt(2)->ShowCaption());
    for (const char* key : {"mnuFilePrintNoteSetup", "mnuFileNotePreview", "mnuFileNotePrint", "mnuFileEconomizePaper"}) {
        EXPECT_FALSE(file.Item(key)->Visible() || file.Item(key)->Enabled()) << key;
    }
    const hub::Tool& sameUser = MenuTool("mnuEdit", "mnuTheSameCheckUser");
    EXPECT_TRUE(sameUser.Enabled()) << "an administrator may change it";
    EXPECT_FALSE(sameUser.Checked()) << "nothing stored reads as unticked";
    for (const char* band : {"mnuEdit", "BandToolBar"}) {
        for (const char* key : {"mnuCheck", "mnuUnCheck"}) {
            const hub::ToolImage* image = MenuTool(band, key).Image(0);
            ASSERT_NE(image, nullptr) << band << " " << key;
            EXPECT_EQ(image->width, 16);
            EXPECT_EQ(image->pixels.back(), 0xC0C0C0u) << "a silver corner, transparent";
        }
    }
    EXPECT_NE(*MenuTool("mnuEdit", "mnuCheck").Image(0), *MenuTool("mnuEdit", "mnuUnCheck").Image(0));
    EXPECT_EQ(MenuTool("BandToolBar", "mnuUnCheck").ToolTipText(), "反审核");
    EXPECT_FALSE(Screen().ClipboardBitmap().has_value());
}

TEST_F(ExRateList, AClerkSeesTheStoredTickButCannotChangeIt) {
    Start("clerk");
    hub::WriteProfile(Db(), "BaseData", "CheckUser", Variant(1));
    OpenList();
    EXPECT_TRUE(MenuTool("mnuEdit", "mnuTheSameCheckUser").Checked());
    EXPECT_FALSE(MenuTool("mnuEdit", "mnuTheSameCheckUser").Enabled());
}

TEST_F(ExRateList, WithoutAToolBarTheOtherStepsStillRun) {
    auto menu = hub::BuildStandardMenuBar(hub::StandardMenu::RateList);
    auto withoutToolBar = std::make_shared<hub::MenuBar>();
    for (const auto& band : menu->Bands()) {
        if (band->Key() == "BandToolBar") continue;
        auto copy = withoutToolBar->AddBand(band->Key(), band->Caption(), band->Kind());
        for (const auto& tool : band->BandTools()->All()) copy->BandTools()->Append(tool);
    }
    OpenList(withoutToolBar);
    EXPECT_NE(MenuTool("mnuEdit", "mnuCheck").Image(0), nullptr);
    EXPECT_FALSE(MenuTool("mnuFile", "mnuFileEconomizePaper").Visible()) << "the last step still ran";
}

TEST_F(ExRateList, EachCommandLeavesCancelAsTheClassDecides) {
    const int32_t open = AddRate(CompanyType, "01.OPEN", 7);
    const int32_t audited = AddRate(CompanyType, "01.DONE", 7, 1, 2);
    struct Case {
        const char* key;
        std::function<void()> setUp;
        bool cancelled;
        const char* message;
    };
    auto list = [&](std::vector<int32_t> rates) {
        return [&, rates] { Select(CompanyType, rates); };
    };
    auto tree = [&](int32_t type) {
        return [&, type] {
            m_list->SelectType(type);
            m_list->SetFocus(RateListWindow::Focus::Tree);
        };
    };
    const Case cases[] = {
        {"mnuDataRefesh", list({}), false, nullptr},
        {"mnuFileNewItem", list({}), false, nullptr},
        {"mnuFileNewItem", tree(CompanyType), true, nullptr},
        {"mnuEditModify", tree(0), true, nullptr},
        {"mnuEditModify", list({}), true, nullptr},
        {"mnuEditModify", list({audited}), false, "该汇率已审核，不允许修改。"},
        {"mnuEditDel", tree(CompanyType), true, "系统预设汇率类型不允许删除。"},
        {"mnuCheck", list({audited}), true, "所选汇率都已审核。"},
        {"mnuUnCheck", list({open}), true, "所选汇率都未审核。"},
        {"mnuEditUnuse", list({open}), false, nullptr},
        {"mnuEditUse", list({open}), false, nullptr},
        {"mnuTheSameCheckUser", list({}), false, nullptr},
    };
    for (const Case& c : cases) {
        c.setUp();
        const size_t before = Messages().size();
        m_list->Click(c.key);
        EXPECT_EQ(m_recorder->cancelled, c.cancelled) << c.key;
        const std::string shown = Messages().size() > before ? Messages().back() : "";
        EXPECT_EQ(shown, c.message ? c.message : "") << c.key;
    }
    EXPECT_EQ(m_editorFilter, hub::RateListFilter(CompanyType)) << "new and modify opened the host's editor";
}

TEST_F(ExRateList, AuditSendsOnlyEligibleRatesAfterOneQuestionAndLogsTheirCodes) {
    const int32_t a = AddRate(CompanyType, "01.A", 7, 0, 1);
    const int32_t b = AddRate(CompanyType, "01.B", 7, 1, 2);
    const int32_t c = AddRate(CompanyType, "01.C", 7, 0, 3);
    Select(CompanyType, {a, b, c});
    Screen().QueueAnswer(tolm::mb::IdYes);
    m_list->Click("mnuCheck");
    EXPECT_FALSE(m_recorder->cancelled);
    ASSERT_EQ(Screen().MessageBoxes().size(), 1u);
    EXPECT_EQ(Screen().MessageBoxes()[0].title, "Zelvo提示");
    EXPECT_EQ(Screen().MessageBoxes()[0].flags, tolm::mb::YesNo | tolm::mb::Question);
    EXPECT_EQ(Scalar("SELECT COUNT(*) AS v FROM t_ExchangeRateEntry WHERE FID IN (?1, ?2) AND FChkUserID <> 0",
                     {Variant(a), Variant(c)}),
              2);
    EXPECT_EQ(Scalar("SELECT COUNT(*) AS v FROM t_Log WHERE FFunctionID = 'QEL1014002_mnuCheck'"
                     " AND FDescription = '汇率审核完成-汇率代码：01.A,01.C'"),
              1);
    EXPECT_NE(Cell(a, "FChkUserID"), "") << "the list shows the new state";

    const int64_t logs = Scalar("SELECT COUNT(*) AS v FROM t_Log");
    Screen().QueueAnswer(tolm::mb::IdNo);
    m_list->Click("mnuUnCheck");
    EXPECT_TRUE(m_recorder->cancelled);
    EXPECT_EQ(Scalar("SELECT COUNT(*) AS v FROM t_Log"), logs) << "answered No: nothing sent, nothing logged";
    EXPECT_NE(Cell(a, "FChkUserID"), "");
}

TEST_F(ExRateList, AServiceThatRefusesLogsNothingButTheListIsRefreshed) {
    Start("clerk");  // may view rates, not audit them
    const int32_t rate = AddRate(CompanyType, "01.A", 7);
    Select(CompanyType, {rate});
    Screen().QueueAnswer(tolm::mb::IdYes);
    const int64_t logs = Scalar("SELECT COUNT(*) AS v FROM t_Log");
    m_list->Click("mnuCheck");
    EXPECT_FALSE(m_recorder->cancelled) << "the service was called";
    EXPECT_EQ(Scalar("SELECT COUNT(*) AS v FROM t_Log"), logs);
    EXPECT_EQ(Scalar("SELECT FChkUserID AS v FROM t_ExchangeRateEntry WHERE FID = ?1", {Variant(rate)}), 0);
}

TEST_F(ExRateList, AnAuditWhoseLogRecordCannotBeWrittenIsUndone) {
    const int32_t rate = AddRate(CompanyType, "01.A", 7, 0, 1);
    Select(CompanyType, {rate});
    Db().Execute("CREATE TRIGGER t_NoLog BEFORE INSERT ON t_Log BEGIN SELECT RAISE(ABORT, 'no room'); END");
    Screen().QueueAnswer(tolm::mb::IdYes);
    m_list->Click("mnuCheck");
    EXPECT_FALSE(m_list->LastOutcome().Succeeded());
    EXPECT_EQ(Scalar("SELECT FChkUserID AS v FROM t_ExchangeRateEntry WHERE FID = ?1", {Variant(rate)}), 0);
    EXPECT_EQ(Cell(rate, "FChkUserID"), "") << "the list shows what is stored";
    EXPECT_EQ(Screen().MessageBoxes().back().prompt, "审核的记录没有写入上机日志，没有改动任何汇率。");
}

TEST_F(ExRateList, TheFilterHoldsThePeriodUnlessEverythingIsShownAndTheLedgersCurrencies) {
    const std::string native = "t_ExchangeRate.FIsNativeRate=0  ";
    const std::string period = " AND t_ExchangeRateEntry.FEndDate>='2024-03-01'";
    Db().Execute("UPDATE t_Currency SET FDeleted = CASE WHEN FCurrencyID = 2 THEN 0 ELSE 1 END");
    OpenList();
    EXPECT_EQ(Filter(), native + period + "\r\n AND t_ExchangeRateEntry.FCyTo IN (2)");
    m_list->Click("mnuDataFind");
    EXPECT_TRUE(m_list->FindMode());
    EXPECT_EQ(Filter(), native + "\r\n AND t_ExchangeRateEntry.FCyTo IN (2)");
    Db().Execute("UPDATE t_Currency SET FDeleted = 1");
    m_list->Click("mnuDataFind");
    EXPECT_EQ(Filter(), native + period) << "no currencies: no currency clause";
}

TEST_F(ExRateList, RatesShowTheSelectedTypesPlacesAndSixForATypeWithoutOne) {
    const int32_t unset = AddType("U", Variant::Null());
    const int32_t two = AddType("T", Variant(2));
    const int32_t inUnset = AddRate(unset, "U.1", 1.23456);
    const int32_t inTwo = AddRate(two, "T.1", 1.23456);
    OpenList();
    m_list->SelectType(unset);
    EXPECT_EQ(Cell(inUnset, "FExchangeRate"), "1.234560");
    m_list->SelectType(two);
    EXPECT_EQ(Cell(inTwo, "FExchangeRate"), "1.23") << "loading went on past the type without places";
}

TEST_F(ExRateList, UseTouchesTheClassOncePerRefreshAndAFailedTouchIsTriedAgain) {
    const int32_t rate = AddRate(CompanyType, "01.A", 7);
    Select(CompanyType, {rate});
    const int64_t before = Touches();
    m_list->Click("mnuEditUnuse");
    EXPECT_EQ(Cell(rate, "FDeleted"), "禁用");
    m_list->Click("mnuDataRefesh");
    EXPECT_EQ(Touches(), before + 1);

    Db().Execute("CREATE TRIGGER t_NoTouch BEFORE UPDATE ON ICClassType BEGIN SELECT RAISE(ABORT, 'locked'); END");
    m_list->SelectRates({rate});
    m_list->Click("mnuEditUse");
    Db().Execute("DROP TRIGGER t_NoTouch");
    EXPECT_EQ(Cell(rate, "FDeleted"), "");
    m_list->RefreshList();
    EXPECT_EQ(Touches(), before + 2) << "the touch that failed ran at the next refresh";
}

TEST_F(ExRateList, DeletingTakesAllSelectedRatesOrNone) {
    const int32_t open = AddRate(CompanyType, "01.A", 7, 0, 1);
    const int32_t audited = AddRate(CompanyType, "01.B", 7, 1, 2);
    const int64_t before = Touches();
    Select(CompanyType, {open, audited});
    m_list->Click("mnuEditDel");
    EXPECT_FALSE(m_list->LastOutcome().Succeeded());
    EXPECT_EQ(Scalar("SELECT COUNT(*) AS v FROM t_ExchangeRateEntry WHERE FID = ?1", {Variant(open)}), 1);
    EXPECT_EQ(Touches(), before) << "the touch of the first deletion was undone with it";

    m_list->SelectRates({open});
    m_list->Click("mnuEditDel");
    EXPECT_TRUE(m_list->LastOutcome().Succeeded());
    EXPECT_EQ(Scalar("SELECT COUNT(*) AS v FROM t_ExchangeRate WHERE FID = ?1", {Variant(open)}), 0);
    EXPECT_EQ(Touches(), before + 1);
}

TEST_F(ExRateList, PublishedRatesComeFromThePickedFileIntoTheSelectedTypeWithTheirReport) {
    const std::filesystem::path file = m_dir / "published.csv";
    std::ofstream(file) << "date,currency,rate\n2024-03-04,USD,7.1\n2024-03-06,USD,7.2\n";
    m_list->SelectType(CompanyType);
    const size_t before = m_list->Rows().size();
    Screen().QueueFile(std::nullopt);
    m_list->Click("mnuFileImpFeed");
    EXPECT_EQ(m_list->LastOutcome().kind, hub::Outcome::Kind::Unchanged) << "the person cancelled the file dialog";

    Screen().QueueFile(file.string());
    m_list->Click("mnuFileImpFeed");
    EXPECT_EQ(m_list->LastOutcome().kind, hub::Outcome::Kind::Done);
    EXPECT_EQ(m_list->Rows().size(), before + 2) << "the list shows the new rates at once";
    ASSERT_FALSE(Screen().Texts().empty());
    EXPECT_NE(Screen().Texts().back().text.find("新增汇率（未审核）：2；"), std::string::npos) << Screen().Texts().back().text;
}

TEST_F(ExRateList, TheSameUserTickFollowsWhatIsStored) {
    m_list->Click("mnuTheSameCheckUser");
    EXPECT_EQ(hub::ReadProfile(Db(), "BaseData", "CheckUser").ToText(), "1");
    m_list->Click("mnuTheSameCheckUser");
    EXPECT_EQ(hub::ReadProfile(Db(), "BaseData", "CheckUser").ToText(), "0");

    Db().Execute("CREATE TRIGGER t_NoProfile BEFORE UPDATE ON t_SystemProfile BEGIN SELECT RAISE(ABORT, 'x'); END");
    m_list->Click("mnuTheSameCheckUser");
    EXPECT_FALSE(MenuTool("mnuEdit", "mnuTheSameCheckUser").Checked()) << "the tick shows what is stored";
    EXPECT_EQ(hub::ReadProfile(Db(), "BaseData", "CheckUser").ToText(), "0");
}

TEST_F(ExRateList, HelpDependsOnFindStateAndView) {
    m_list->SelectType(CompanyType);
    EXPECT_EQ(m_list->RequestHelp(), 370146);
    m_list->SelectType(0);
    EXPECT_EQ(m_list->RequestHelp(), 370140);
    m_list->Click("mnuDataFind");
    EXPECT_EQ(m_list->RequestHelp(), 370152);
}

}  // namespace
