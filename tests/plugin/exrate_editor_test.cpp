// The exchange-rate editor as an accountant uses it: the host's bill window on a
// private company database with the real editor class attached, fields typed in,
// save pressed, and what the person sees and the database holds checked afterwards.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/class_loader.h"
#include "model/company_setup.h"
#include "i18n/catalogue.h"
#include "exrate_editor/ex_rate_bill_edit.h"
#include "frame/live_objects.h"
#include "support/host_fixture.h"
#include "support/temp_dir.h"
#include "tolm/base_data.h"
#include "tolm/rate_bill_menu.h"
#include "tolm/components.h"
#include "tolm/platform.h"
#include "tolm/registry.h"
#include "windows/bill_window.h"

namespace {

using hub::BillWindow;
using qel::test::HostFixture;
using tolm::Variant;

constexpr int32_t CompanyType = 1;  // the preset type 01 公司汇率, 4 places
constexpr const char* AuditedText = "该汇率已审核，不允许修改。";
constexpr const char* HomeCurrencyText = "不允许录入本位币汇率，请选择其它币别。";
constexpr const char* InvalidRateText = "汇率值无效，请输入大于0的数值！";
constexpr const char* DatesText = "生效日期不能后于失效日期！";
constexpr const char* OverlapText = "已存在同一汇率类型、同一币别、同一日期的汇率数据。";

// The window, opened; closed again when the scenario is over, as a person closes it.
class OpenBill {
public:
    explicit OpenBill(std::shared_ptr<BillWindow> window) : m_window(std::move(window)) { m_window->Open(); }
    ~OpenBill() { m_window->Close(); }
    OpenBill(const OpenBill&) = delete;
    OpenBill& operator=(const OpenBill&) = delete;

    BillWindow* operator->() const { return m_window.get(); }
    const std::shared_ptr<BillWindow>& Window() const { return m_window; }

    // Currency, rate and validity typed in as a person would.
    void Fill(const std::string& currency, const std::string& rate, const std::string& begin, const std::string& end) {
        m_window->Enter("FBase", currency);
        m_window->Enter("FExchangeRate", rate);
        m_window->Enter("FBegDate", begin);
        m_window->Enter("FEndDate", end);
    }
    std::string Text(const std::string& key) const { return m_window->GetHeadValue(key, 1, 3).ToText(); }
    Variant Value(const std::string& key) const { return m_window->GetHeadValue(key, 1, 1); }

private:
    std::shared_ptr<BillWindow> m_window;
};

// A sink connected beside the editor class: records what the host raised and what
// the editor left in the by-reference arguments, and can act as another party.
class WatchingSink : public tolm::IBillEvents {
public:
    std::weak_ptr<BillWindow> window;
    std::vector<std::string> events;
    std::optional<bool> cancelSeen;
    std::shared_ptr<tolm::Dictionary> savedValues;
    int32_t modeAtSave = 0;
    std::function<void()> beforeSave;
    bool failAfterNewBill = false;

    void AfterNewBill() override {
        events.push_back("AfterNewBill");
        if (failAfterNewBill) throw tolm::HostError(tolm::err::InternalError, "the watcher broke down");
    }
    void AfterLoadBill() override { events.push_back("AfterLoadBill"); }
    void BeforeSave(bool& bCancel) override {
        events.push_back("BeforeSave");
        cancelSeen = bCancel;
        if (beforeSave) beforeSave();
    }
    void SaveBillSuccess(const std::shared_ptr<tolm::Dictionary>& dctData) override {
        events.push_back("SaveBillSuccess");
        savedValues = dctData;
        if (auto bill = window.lock()) modeAtSave = bill->Mode();
    }
};

// A company with nothing but its base data, the administrator logged in.
class ExRateEditorScenario : public ::testing::Test {
protected:
    // Another company and login; the first is gone before the second registers its services.
    void UseHost(const std::string& user, bool demo, const std::string& language = "chs") {
        m_host.reset();
        m_host = std::make_unique<HostFixture>(user, language, demo, m_hostRegistry);
    }

    hub::Database& Db() const { return m_host->Db(); }
    hub::HeadlessPlatform& Screen() const { return m_host->Platform(); }
    std::vector<std::string> Messages() const { return m_host->Messages(); }

    std::shared_ptr<BillWindow> NewRateWindow(int32_t typeId) const {
        return BillWindow::ForNewRate(m_host->Session(), hub::RateListFilter(typeId));
    }
    std::shared_ptr<BillWindow> RateWindow(int32_t rateId, int32_t typeId = CompanyType) const {
        return BillWindow::ForRate(m_host->Session(), rateId, hub::RateListFilter(typeId));
    }

    int32_t AddType(const std::string& number, const std::string& name, int32_t digits) const {
        const auto id = hub::NewExchangeRateId(Db(), true);
        Db().Execute(
            "INSERT INTO t_ExchangeRate (FID, FNumber, FName, FDigits, FLevels, FParentID)"
            " VALUES (?1, ?2, ?3, ?4, 1, 0)",
            {Variant(id), Variant(number), Variant(name), Variant(digits)});
        return static_cast<int32_t>(id);
    }

    // A rate stored earlier, by someone else.
    int32_t AddRate(int32_t typeId, const std::string& currency, double rate, const std::string& begin,
                    const std::string& end, int32_t auditor = 0) const {
        const auto id = hub::NewExchangeRateId(Db(), false);
        const std::string code = "X" + std::to_string(id);
        Db().Execute("INSERT INTO t_ExchangeRate (FID, FNumber, FName, FDigits, FLevels, FParentID) "
                     "VALUES (?1, ?2, ?2, 4, 2, ?3)",
                     {Variant(id), Variant(code), Variant(typeId)});
        Db().Execute("INSERT INTO t_ExchangeRateEntry (FID, FCyTo, FExchangeRateType, FExchangeRate, FReverseExRate,"
                     " FBegDate, FEndDate, FNumber, FName, FChkUserID) "
                     "VALUES (?1, (SELECT FCurrencyID FROM t_Currency WHERE FNumber = ?2),"
                     " ?3, ?4, ?5, ?6, ?7, ?8, ?8, ?9)",
                     {Variant(id), Variant(currency), Variant(typeId), Variant(rate), Variant(1.0 / rate),
                      Variant(begin), Variant(end), Variant(code), Variant(auditor)});
        return static_cast<int32_t>(id);
    }

    std::shared_ptr<tolm::MemoryRecordset> Row(const std::string& sql, const hub::Params& params = {}) const {
        return Db().Query(sql, params);
    }
    int32_t RateCount() const { return Row("SELECT COUNT(*) AS n FROM t_ExchangeRateEntry")->Field("n").ToLong(); }
    int32_t ClassTypeVersion() const {
        return Row("SELECT FVersion FROM ICClassType WHERE FID = 1014002")->Field("FVersion").ToLong();
    }
    int32_t CurrencyId(const std::string& code) const {
        return Row("SELECT FCurrencyID FROM t_Currency WHERE FNumber = ?1", {Variant(code)})
            ->Field("FCurrencyID")
            .ToLong();
    }

    // The class registry of the hosts UseHost makes; empty for a test's own.
    std::filesystem::path m_hostRegistry;
    std::unique_ptr<HostFixture> m_host = std::make_unique<HostFixture>();
};

// The same, with the editor class of the plug-in's code linked into this program
// registered under its class name.
class ExRateEditor : public ExRateEditorScenario {
protected:
    tolm::ScopedComponent m_editorClass{hub::RateBillEditClass,
                                        [] { return std::make_shared<qel::CExRateBillEdit>(); }};
};

// ---- the road of a new rate -------------------------------------------------------------

#ifdef TOLM_PLUGIN_PATH
// The plug-in library as a client loads it: registered into a registry of its own and
// created by class name through the loader.
class ExRateEditorLibrary : public ExRateEditorScenario {
protected:
    void SetUp() override {
        m_hostRegistry = m_dir / "classes.json";
        UseHost("administrator", /*demo=*/false);
        m_host->Loader().RegisterLibrary(TOLM_PLUGIN_PATH);
    }

    hub::test::TempDir m_dir;
};

TEST_F(ExRateEditorLibrary, ANewRateIsSavedEndToEndThroughThePlugInLibrary) {
    ASSERT_FALSE(tolm::ComponentRegistry::Instance().IsRegistered(hub::RateBillEditClass))
        << "only the library may answer the class name here";
    const int32_t versionBefore = ClassTypeVersion();
    OpenBill bill(NewRateWindow(CompanyType));
    auto watcher = std::make_shared<WatchingSink>();
    watcher->window = bill.Window();
    bill->Advise(watcher);

    EXPECT_EQ(bill->Caption(), "汇率");
    EXPECT_EQ(bill->StatusText(), "Ready");
    EXPECT_EQ(bill.Value("FExchangeRateType"), Variant(CompanyType));
    EXPECT_EQ(bill.Text("FExchangeRateType"), "公司汇率");
    EXPECT_EQ(bill->Control("FExchangeRate").Decimals(), 4);

    bill.Fill("USD", "6.8", "2024-03-01", "2024-03-31");
    EXPECT_EQ(bill.Text("FBase"), "USD");
    EXPECT_EQ(bill.Text("FBaseProperty"), "美元");
    EXPECT_EQ(bill.Text("FExchangeRate"), "6.8000");
    ASSERT_TRUE(bill->Save()) << ::testing::PrintToString(Messages());

    EXPECT_TRUE(Messages().empty()) << ::testing::PrintToString(Messages());
    EXPECT_EQ(watcher->cancelSeen, std::optional<bool>(false));
    EXPECT_EQ(watcher->modeAtSave, BillWindow::ModeNew) << "SaveBillSuccess sees the mode of the save";
    ASSERT_TRUE(watcher->savedValues);
    const int32_t id = watcher->savedValues->Item("FID").ToLong();
    EXPECT_GT(id, 0);
    EXPECT_EQ(bill->Mode(), BillWindow::ModeModify) << "the window now holds the saved rate";
    EXPECT_EQ(bill->RecordId(), id);
    EXPECT_EQ(bill.Text("FNumber"), "01.USD.20240301");
    EXPECT_EQ(bill.Text("FName"), "公司汇率.美元.20240301");

    auto entry = Row("SELECT * FROM t_ExchangeRateEntry WHERE FID = ?1", {Variant(id)});
    ASSERT_FALSE(entry->IsEOF());
    EXPECT_EQ(entry->Field("FCyTo").ToLong(), CurrencyId("USD"));
    EXPECT_EQ(entry->Field("FExchangeRateType").ToLong(), CompanyType);
    EXPECT_DOUBLE_EQ(entry->Field("FExchangeRate").ToDouble(), 6.8);
    EXPECT_DOUBLE_EQ(entry->Field("FReverseExRate").ToDouble(), 0.1471);
    EXPECT_EQ(tolm::FormatDate(entry->Field("FBegDate").ToDate(), "yyyy-MM-dd"), "2024-03-01");
    EXPECT_EQ(tolm::FormatDate(entry->Field("FEndDate").ToDate(), "yyyy-MM-dd"), "2024-03-31");
    EXPECT_EQ(entry->Field("FNumber").ToText(), "01.USD.20240301");
    EXPECT_EQ(entry->Field("FName").ToText(), "公司汇率.美元.20240301");
    EXPECT_EQ(entry->Field("FChkUserID").ToLong(), 0);

    auto header = Row("SELECT * FROM t_ExchangeRate WHERE FID = ?1", {Variant(id)});
    ASSERT_FALSE(header->IsEOF());
    EXPECT_EQ(header->Field("FLevels").ToLong(), 2);
    EXPECT_EQ(header->Field("FDigits").ToLong(), 4);
    EXPECT_EQ(header->Field("FParentID").ToLong(), CompanyType);
    EXPECT_EQ(header->Field("FIsNativeRate").ToLong(), 0);
    EXPECT_EQ(header->Field("FNumber").ToText(), "01.USD.20240301");

    EXPECT_EQ(ClassTypeVersion(), versionBefore + 1) << "the class type was touched once";
    auto log = Row("SELECT * FROM v_BASE_LogForQEL");
    ASSERT_EQ(log->RecordCount(), 1);
    EXPECT_EQ(log->Field("FFunctionID").ToText(), "QEL1014002_mnuFileNewItem");
    EXPECT_EQ(log->Field("FDescription").ToText(), "新增汇率完成-代码：[01.USD.20240301] 汇率：[6.8000]");
    EXPECT_EQ(log->Field("FUserName").ToText(), "administrator");
    EXPECT_EQ(log->Field("FOperateType").ToLong(), 5);
}

TEST_F(ExRateEditorLibrary, ALoginAfterEveryObjectWasReleasedIsServedInItsOwnLanguage) {
    const auto refusalOfTheHomeCurrency = [&] {
        {
            OpenBill bill(NewRateWindow(CompanyType));
            bill.Fill("CNY", "6.8", "2024-03-01", "2024-03-31");
            Screen().ClearRecords();
            EXPECT_FALSE(bill->Save());
        }  // closing the window releases the library's last object
        const auto boxes = Screen().MessageBoxes();
        EXPECT_EQ(boxes.size(), 1u);
        return boxes.size() == 1 ? boxes[0] : hub::MessageBoxRecord{};
    };
    UseHost("administrator", /*demo=*/false, "cht");
    EXPECT_EQ(refusalOfTheHomeCurrency().prompt, hub::Translate("cht", HomeCurrencyText));

    UseHost("administrator", /*demo=*/false, "en");
    const auto refusal = refusalOfTheHomeCurrency();
    EXPECT_EQ(refusal.prompt, hub::Translate("en", HomeCurrencyText));
    EXPECT_EQ(refusal.title, hub::Translate("en", "提示")) << "shown by the message service of the new login";
}
#endif

TEST_F(ExRateEditor, TheMenuLosesItsElevenToolsAndKeepsTheRest) {
    OpenBill bill(NewRateWindow(CompanyType));
    int hiddenTools = 0;
    for (const auto& band : bill->Menu()->Bands()) {
        for (const auto& tool : band->BandTools()->All()) {
            const bool listed = std::any_of(std::begin(tolm::RateBillHiddenTools), std::end(tolm::RateBillHiddenTools),
                                            [&](const tolm::BandTool& hidden) {
                                                return band->Key() == hidden.band && tool->Key() == hidden.tool;
                                            });
            EXPECT_EQ(tool->Visible(), !listed) << band->Key() << "/" << tool->Key();
            EXPECT_EQ(tool->Enabled(), !listed) << band->Key() << "/" << tool->Key();
            if (listed) ++hiddenTools;
        }
    }
    EXPECT_EQ(hiddenTools, 11);
    EXPECT_TRUE(bill->Menu()->FindBand("BandToolBar")->BandTools()->Find("mnuFilePrint")->Visible())
        << "the tool bar's print button is not among them";
}

TEST_F(ExRateEditor, HelpTopicsFollowTheMode) {
    const int32_t stored = AddRate(CompanyType, "USD", 7.1, "2024-01-01", "2024-01-31");
    {
        OpenBill bill(NewRateWindow(CompanyType));
        EXPECT_EQ(bill->RequestHelp(), 370147);
    }
    OpenBill bill(RateWindow(stored));
    EXPECT_EQ(bill->RequestHelp(), 370148);
}

// ---- checks before saving -----------------------------------------------------------------

TEST_F(ExRateEditor, ChecksRunInOrderAndTheFirstFailureAloneIsShown) {
    OpenBill bill(NewRateWindow(CompanyType));
    // Everything wrong at once: audited, home currency, negative rate, dates reversed.
    bill->SetHeadValue("FChkUserID", Variant(1), false);
    bill->SetHeadValue("FBase", Variant(tolm::HomeCurrencyId), true);
    bill->SetHeadValue("FExchangeRate", Variant(-3.0), false);
    bill->SetHeadValue("FBegDate", Variant("2024-03-31"), false);
    bill->SetHeadValue("FEndDate", Variant("2024-03-01"), false);

    const std::vector<std::pair<std::function<void()>, std::string>> steps{
        {[] {}, AuditedText},
        {[&] { bill->SetHeadValue("FChkUserID", Variant(), false); }, HomeCurrencyText},
        {[&] { bill->Enter("FBase", "USD"); }, InvalidRateText},
        {[&] { bill->Enter("FExchangeRate", "6.8"); }, DatesText},
    };
    for (const auto& [mend, expected] : steps) {
        mend();
        Screen().ClearRecords();
        EXPECT_FALSE(bill->Save());
        EXPECT_EQ(Messages(), std::vector<std::string>{expected});
    }
    EXPECT_EQ(RateCount(), 0) << "nothing was stored";
    EXPECT_EQ(bill->Mode(), BillWindow::ModeNew);
}

TEST_F(ExRateEditor, AnAuditedRateIsRefusedFirstEvenWhenItsDatesCannotBeRead) {
    OpenBill bill(NewRateWindow(CompanyType));
    bill->SetHeadValue("FChkUserID", Variant(1), false);
    bill->SetHeadValue("FBase", Variant(tolm::HomeCurrencyId), true);
    bill->SetHeadValue("FBegDate", Variant(), false);  // no first day: cannot be read as a date
    EXPECT_FALSE(bill->Save());
    EXPECT_EQ(Messages(), std::vector<std::string>{AuditedText});

    Screen().ClearRecords();
    bill->SetHeadValue("FChkUserID", Variant(), false);
    EXPECT_FALSE(bill->Save());
    EXPECT_EQ(Messages(), std::vector<std::string>{HomeCurrencyText}) << "the home currency comes next";
}

TEST_F(ExRateEditor, ARateMustBeAboveZero) {
    OpenBill bill(NewRateWindow(CompanyType));
    bill.Fill("USD", "6.8", "2024-03-01", "2024-03-31");
    for (const char* rate : {"0", "", "-1", "-0.0001"}) {
        bill->Enter("FExchangeRate", rate);
        Screen().ClearRecords();
        EXPECT_FALSE(bill->Save()) << rate;
        EXPECT_EQ(Messages(), std::vector<std::string>{InvalidRateText}) << rate;
    }
    EXPECT_EQ(RateCount(), 0);
}

TEST_F(ExRateEditor, OneDayOfValidityIsEnoughButTheEndMayNotComeFirst) {
    {
        OpenBill bill(NewRateWindow(CompanyType));
        bill.Fill("EUR", "7.8", "2024-03-02", "2024-03-01");
        EXPECT_FALSE(bill->Save());
        EXPECT_EQ(Messages(), std::vector<std::string>{DatesText});
    }
    OpenBill bill(NewRateWindow(CompanyType));
    bill.Fill("EUR", "7.8", "2024-03-01", "2024-03-01");
    EXPECT_TRUE(bill->Save()) << ::testing::PrintToString(Messages());
    EXPECT_EQ(RateCount(), 1);
}

TEST_F(ExRateEditor, PeriodsThatShareADayOverlapAndTheDayBeforeDoesNot) {
    auto attempt = [&](const std::string& currency, const std::string& begin, const std::string& end) {
        OpenBill bill(NewRateWindow(CompanyType));
        bill.Fill(currency, "7.1", begin, end);
        Screen().ClearRecords();
        return bill->Save();
    };
    const int32_t earlier = AddRate(CompanyType, "USD", 7.0, "2024-02-01", "2024-03-01");
    EXPECT_FALSE(attempt("USD", "2024-03-01", "2024-03-31")) << "the earlier rate ends on the first day";
    EXPECT_EQ(Messages(), std::vector<std::string>{OverlapText});

    Db().Execute("UPDATE t_ExchangeRateEntry SET FEndDate = '2024-02-29' WHERE FID = ?1", {Variant(earlier)});
    AddRate(CompanyType, "USD", 7.2, "2024-03-31", "2024-04-30");
    EXPECT_FALSE(attempt("USD", "2024-03-01", "2024-03-31")) << "the later rate starts on the last day";
    EXPECT_EQ(Messages(), std::vector<std::string>{OverlapText});

    EXPECT_TRUE(attempt("USD", "2024-03-01", "2024-03-30")) << ::testing::PrintToString(Messages());
    EXPECT_TRUE(attempt("EUR", "2024-03-01", "2024-03-31")) << "another currency is another rate";
    EXPECT_EQ(RateCount(), 4);
}

TEST_F(ExRateEditor, AModifiedRateDoesNotMeetItselfAndIsLoggedAsAModification) {
    const int32_t stored = AddRate(CompanyType, "USD", 7.0, "2024-03-01", "2024-03-31");
    OpenBill bill(RateWindow(stored));
    EXPECT_EQ(bill.Text("FBase"), "USD");
    EXPECT_EQ(bill.Text("FBaseProperty"), "美元");
    EXPECT_FALSE(bill->Control("FExchangeRate").Locked());
    EXPECT_EQ(bill->StatusText(), "") << "an unaudited rate says nothing";

    bill->Enter("FExchangeRate", "7.1");
    ASSERT_TRUE(bill->Save()) << ::testing::PrintToString(Messages());
    auto entry = Row("SELECT * FROM t_ExchangeRateEntry WHERE FID = ?1", {Variant(stored)});
    EXPECT_DOUBLE_EQ(entry->Field("FExchangeRate").ToDouble(), 7.1);
    EXPECT_DOUBLE_EQ(entry->Field("FReverseExRate").ToDouble(), 0.1408);
    EXPECT_EQ(entry->Field("FNumber").ToText(), "01.USD.20240301");
    EXPECT_EQ(RateCount(), 1);
    auto log = Row("SELECT FFunctionID, FDescription FROM v_BASE_LogForQEL");
    ASSERT_EQ(log->RecordCount(), 1);
    EXPECT_EQ(log->Field("FFunctionID").ToText(), "QEL1014002_mnuEditModify");
    EXPECT_EQ(log->Field("FDescription").ToText(), "修改汇率完成-代码：[01.USD.20240301] 汇率：[7.1000]");
}

TEST_F(ExRateEditor, AnAuditedRateIsLockedOnLoadAndRefusedOnSave) {
    const int32_t stored = AddRate(CompanyType, "USD", 7.0, "2024-03-01", "2024-03-31", /*auditor=*/1);
    OpenBill bill(RateWindow(stored));
    for (const char* key : {"FBase", "FExchangeRate", "FBegDate", "FEndDate"}) {
        EXPECT_TRUE(bill->Control(key).Locked()) << key;
    }
    EXPECT_FALSE(bill->Control("FID").Locked());
    EXPECT_EQ(bill->StatusText(), AuditedText);
    EXPECT_EQ(bill.Text("FChkUserID"), "administrator");

    try {
        bill->Enter("FExchangeRate", "7.5");
        ADD_FAILURE() << "a locked field took a value";
    } catch (const tolm::HostError& error) {
        EXPECT_EQ(error.Number(), tolm::err::Refused);
        EXPECT_NE(error.Description().find("字段汇率已锁定"), std::string::npos) << error.Description();
        EXPECT_NE(error.Description().find(AuditedText), std::string::npos) << error.Description();
    }
    EXPECT_FALSE(bill->Save());
    EXPECT_EQ(Messages(), std::vector<std::string>{AuditedText});
    EXPECT_DOUBLE_EQ(Row("SELECT FExchangeRate FROM t_ExchangeRateEntry")->Field("FExchangeRate").ToDouble(), 7.0);
}

TEST_F(ExRateEditor, AMissingTypeRowLeavesTheFirstPartOfCodeAndNameEmpty) {
    constexpr int32_t MissingType = 999;
    OpenBill bill(NewRateWindow(MissingType));
    EXPECT_EQ(bill.Value("FExchangeRateType"), Variant(MissingType));
    EXPECT_EQ(bill->Control("FExchangeRate").Decimals(), 4) << "the precision is kept";
    bill.Fill("USD", "6.8", "2024-03-01", "2024-03-31");

    EXPECT_FALSE(bill->Save()) << "the host does not store a rate of a type that does not exist";
    EXPECT_EQ(bill.Text("FNumber"), ".USD.20240301");
    EXPECT_EQ(bill.Text("FName"), ".美元.20240301");
    ASSERT_EQ(Screen().MessageBoxes().size(), 1u);
    EXPECT_NE(Messages()[0].find("汇率类型999不存在"), std::string::npos) << Messages()[0];
    EXPECT_EQ(RateCount(), 0);
}

// ---- precision --------------------------------------------------------------------------

TEST_F(ExRateEditor, TheTypesPrecisionShapesDisplayReverseRateAndLog) {
    const int32_t quarterly = AddType("05", "季度汇率", 2);
    OpenBill bill(NewRateWindow(quarterly));
    EXPECT_EQ(bill->Control("FExchangeRate").Decimals(), 2);
    bill.Fill("USD", "6.8", "2024-03-01", "2024-03-31");
    EXPECT_EQ(bill.Text("FExchangeRate"), "6.80");
    ASSERT_TRUE(bill->Save()) << ::testing::PrintToString(Messages());

    const int32_t id = bill->RecordId();
    EXPECT_DOUBLE_EQ(Row("SELECT FReverseExRate FROM t_ExchangeRateEntry WHERE FID = ?1", {Variant(id)})
                         ->Field("FReverseExRate")
                         .ToDouble(),
                     0.15);
    EXPECT_EQ(Row("SELECT FDigits FROM t_ExchangeRate WHERE FID = ?1", {Variant(id)})->Field("FDigits").ToLong(), 2);
    EXPECT_EQ(Row("SELECT FDescription FROM v_BASE_LogForQEL")->Field("FDescription").ToText(),
              "新增汇率完成-代码：[05.USD.20240301] 汇率：[6.80]");
}

// ---- faults that were mended ------------------------------------------------------------

TEST_F(ExRateEditor, ACheckThatCannotBeMadeRefusesTheSaveAndSaysWhy) {
    OpenBill bill(NewRateWindow(CompanyType));
    auto watcher = std::make_shared<WatchingSink>();
    bill->Advise(watcher);
    bill->Enter("FBase", "USD");
    bill->Enter("FExchangeRate", "6.8");
    bill->Enter("FEndDate", "2024-03-31");  // no first day

    EXPECT_FALSE(bill->Save());
    EXPECT_EQ(watcher->cancelSeen, std::optional<bool>(true)) << "the editor refused the save";
    ASSERT_EQ(Screen().MessageBoxes().size(), 1u);
    EXPECT_EQ(Screen().MessageBoxes()[0].flags & tolm::mb::Critical, tolm::mb::Critical) << "shown as an error report";
    EXPECT_EQ(Messages()[0].find("错误号"), std::string::npos) << "no internal number: " << Messages()[0];
    EXPECT_EQ(RateCount(), 0);
    EXPECT_TRUE(bill->EventFailures().empty()) << "the editor trapped the error itself";
}

TEST_F(ExRateEditor, AQuoteInTheTypesCodeOrNameDoesNotBreakTheFollowUp) {
    const int32_t irish = AddType("O'B", "O'Brien", 4);
    OpenBill bill(NewRateWindow(irish));
    bill.Fill("USD", "6.8", "2024-03-01", "2024-03-31");
    ASSERT_TRUE(bill->Save()) << ::testing::PrintToString(Messages());

    auto entry = Row("SELECT * FROM t_ExchangeRateEntry WHERE FID = ?1", {Variant(bill->RecordId())});
    EXPECT_EQ(entry->Field("FNumber").ToText(), "O'B.USD.20240301");
    EXPECT_EQ(entry->Field("FName").ToText(), "O'Brien.美元.20240301");
    ASSERT_FALSE(entry->Field("FReverseExRate").IsNull()) << "the follow-up statement ran";
    EXPECT_DOUBLE_EQ(entry->Field("FReverseExRate").ToDouble(), 0.1471);
    EXPECT_EQ(Row("SELECT FDescription FROM v_BASE_LogForQEL")->Field("FDescription").ToText(),
              "新增汇率完成-代码：[O'B.USD.20240301] 汇率：[6.8000]");
}

TEST_F(ExRateEditor, ASaveWhoseFollowUpFailsLeavesNothingBehind) {
    const std::string notSaved = "保存汇率后的处理没有完成，汇率未保存，数据没有任何改动。";
    const auto logRecords = [&] { return Row("SELECT COUNT(*) AS n FROM t_Log")->Field("n").ToLong(); };
    const auto toldNotSaved = [&] {
        return Messages().size() == 1 && Messages().back().rfind(notSaved, 0) == 0;
    };
    // A log record the database refuses: the follow-up's write fails inside the
    // editor's silent trap.
    Db().ExecuteScript("CREATE TRIGGER refuse_log BEFORE INSERT ON t_Log BEGIN SELECT RAISE(ABORT, 'full'); END");
    OpenBill bill(NewRateWindow(CompanyType));
    bill.Fill("USD", "6.8", "2024-03-01", "2024-03-31");
    EXPECT_FALSE(bill->Save());
    EXPECT_TRUE(toldNotSaved()) << ::testing::PrintToString(Messages());
    EXPECT_EQ(RateCount(), 0);
    EXPECT_EQ(logRecords(), 0);

    Db().ExecuteScript("DROP TRIGGER refuse_log");
    EXPECT_TRUE(bill->Save()) << "the same window saves once the log takes records again";
    EXPECT_EQ(RateCount(), 1);
    EXPECT_EQ(logRecords(), 1);
}

TEST_F(ExRateEditor, TheTypeIdIsReadAtTheVeryEndOfTheFilter) {
    const int32_t monthEnd = AddType("03", "月末汇率", 6);
    const std::string filter =
        "t_ExchangeRate.FIsNativeRate=0 AND t_ExchangeRate.FParentID=" + std::to_string(monthEnd);
    OpenBill bill(BillWindow::ForNewRate(m_host->Session(), filter));
    EXPECT_EQ(bill.Value("FExchangeRateType"), Variant(monthEnd));
    EXPECT_EQ(bill->Control("FExchangeRate").Decimals(), 6);
}

TEST_F(ExRateEditor, ATypeIdIsOnlyReadFromAValueThatBeginsWithADigit) {
    for (const std::string filter : {"t_ExchangeRate.FIsNativeRate=0", "t_ExchangeRate.fparentid=1 AND x=1",
                                     "t_ExchangeRate.FParentID=-1 AND x=1", "t_ExchangeRate.FParentID= 1"}) {
        OpenBill bill(BillWindow::ForNewRate(m_host->Session(), filter));
        EXPECT_EQ(bill.Value("FExchangeRateType"), Variant(0)) << filter;
        EXPECT_EQ(bill->Control("FExchangeRate").Decimals(), 4) << "no type row: the precision stays";
    }
    OpenBill bill(BillWindow::ForNewRate(m_host->Session(), "t_ExchangeRate.FParentID=1 AND x=1"));
    EXPECT_EQ(bill.Value("FExchangeRateType"), Variant(CompanyType));
}

TEST_F(ExRateEditor, ReverseRatesRoundHalvesToEvenAndNoPlacesLeaveAPoint) {
    const int32_t twoPlaces = AddType("05", "两位汇率", 2);
    const int32_t noPlaces = AddType("06", "整数汇率", 0);
    {
        OpenBill bill(NewRateWindow(twoPlaces));
        bill.Fill("USD", "8", "2024-03-01", "2024-03-31");
        ASSERT_TRUE(bill->Save());
        EXPECT_DOUBLE_EQ(
            Row("SELECT FReverseExRate FROM t_ExchangeRateEntry WHERE FID = ?1", {Variant(bill->RecordId())})
                ->Field("FReverseExRate")
                .ToDouble(),
            0.12)
            << "0.125 goes to the even neighbour";
    }
    OpenBill bill(NewRateWindow(noPlaces));
    bill.Fill("USD", "1", "2024-03-01", "2024-03-31");
    ASSERT_TRUE(bill->Save());
    EXPECT_EQ(Row("SELECT FDescription FROM v_BASE_LogForQEL WHERE FDescription LIKE '%06.USD%'")
                  ->Field("FDescription")
                  .ToText(),
              "新增汇率完成-代码：[06.USD.20240301] 汇率：[1.]");
}

TEST_F(ExRateEditor, ARateWhoseReverseRateWouldBeStoredAsZeroIsRefusedBeforeAnythingIsWritten) {
    const int32_t noPlaces = AddType("06", "整数汇率", 0);
    // At no places 1/3 rounds to 0; at the company type's four, 1/20001 does, and
    // the reverse of the smallest number is no number at all.
    const struct {
        int32_t type;
        const char* rate;
    } cases[] = {{noPlaces, "3"}, {CompanyType, "20001"}, {CompanyType, "4.9e-324"}};
    for (const auto& c : cases) {
        Screen().ClearRecords();
        OpenBill bill(NewRateWindow(c.type));
        bill.Fill("USD", c.rate, "2024-03-01", "2024-03-31");
        EXPECT_FALSE(bill->Save()) << c.rate;
        EXPECT_EQ(Messages(), std::vector<std::string>{"汇率值无效，请输入大于0的数值！"}) << c.rate;
        EXPECT_EQ(bill->RecordId(), 0) << "the window still shows a new rate";
    }
    EXPECT_EQ(RateCount(), 0);
}

TEST_F(ExRateEditor, InEnglishTheEditorSpeaksEnglishButReadyStaysAsWritten) {
    UseHost("administrator", /*demo=*/false, "en");
    OpenBill bill(NewRateWindow(CompanyType));
    EXPECT_EQ(bill->Caption(), hub::Translate("en", "汇率"));
    EXPECT_NE(bill->Caption(), "汇率");
    EXPECT_EQ(bill->StatusText(1), "Ready");
    bill.Fill("CNY", "1", "2024-03-01", "2024-03-31");
    EXPECT_FALSE(bill->Save());
    EXPECT_EQ(Messages(), std::vector<std::string>{hub::Translate("en", HomeCurrencyText)});
    EXPECT_EQ(Messages()[0].find("本位币"), std::string::npos) << Messages()[0];
}

// ---- the host's own part ------------------------------------------------------------------

TEST_F(ExRateEditor, AFailingHandlerIsReportedAndTheOthersStillRun) {
    auto window = NewRateWindow(CompanyType);
    auto broken = std::make_shared<WatchingSink>();
    broken->failAfterNewBill = true;
    broken->beforeSave = [] { throw tolm::HostError(tolm::err::InternalError, "no checks today"); };
    window->Advise(broken);  // before the editor: the first to get every event

    OpenBill bill(window);
    EXPECT_EQ(bill.Value("FExchangeRateType"), Variant(CompanyType)) << "the editor still got AfterNewBill";
    ASSERT_EQ(bill->EventFailures().size(), 1u);
    EXPECT_EQ(bill->EventFailures()[0].eventName, "AfterNewBill");
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_NE(Messages()[0].find("the watcher broke down"), std::string::npos);

    bill.Fill("USD", "6.8", "2024-03-01", "2024-03-31");
    EXPECT_FALSE(bill->Save()) << "a BeforeSave that failed lets nothing through";
    ASSERT_EQ(bill->EventFailures().size(), 2u);
    EXPECT_EQ(bill->EventFailures()[1].eventName, "BeforeSave");
    EXPECT_EQ(RateCount(), 0);
}

TEST_F(ExRateEditor, ARateSavedByOthersAfterTheCheckIsRefusedByTheDatabase) {
    OpenBill bill(NewRateWindow(CompanyType));
    auto rival = std::make_shared<WatchingSink>();
    // Connected after the editor: its rate arrives once the editor's check has passed.
    rival->beforeSave = [&] { AddRate(CompanyType, "USD", 7.3, "2024-03-15", "2024-04-15"); };
    bill->Advise(rival);
    bill.Fill("USD", "6.8", "2024-03-01", "2024-03-31");

    EXPECT_FALSE(bill->Save());
    ASSERT_EQ(Screen().MessageBoxes().size(), 1u);
    // The editor's own words, not the database's.
    EXPECT_NE(Messages()[0].find("已存在同一汇率类型、同一币别、同一日期的汇率数据。"), std::string::npos) << Messages()[0];
    EXPECT_EQ(RateCount(), 1) << "only the rival's rate is stored";
    EXPECT_EQ(Row("SELECT COUNT(*) AS n FROM t_ExchangeRate WHERE FLevels = 2")->Field("n").ToLong(), 1)
        << "the header went with the refused entry";
    EXPECT_EQ(bill->Mode(), BillWindow::ModeNew);
    EXPECT_EQ(bill->RecordId(), 0);
}

TEST_F(ExRateEditor, AUserWithoutTheRightToAddRatesCannotSave) {
    UseHost("clerk", /*demo=*/true);
    const int32_t ratesBefore = RateCount();
    OpenBill bill(NewRateWindow(CompanyType));
    auto watcher = std::make_shared<WatchingSink>();
    bill->Advise(watcher);
    bill.Fill("GBP", "9.1", "2020-03-01", "2020-03-31");
    EXPECT_FALSE(bill->Save());
    EXPECT_EQ(Messages(), std::vector<std::string>{"对不起，您没有新增汇率的权限。"});
    EXPECT_TRUE(watcher->events.empty()) << "the editor was not even asked";
    EXPECT_EQ(RateCount(), ratesBefore);
}

TEST_F(ExRateEditor, TheDataAccessObjectSpeaksForTheSessionsUser) {
    UseHost("auditor", /*demo=*/true);
    auto window = BillWindow::ForNewRate(m_host->Session(), hub::RateListFilter(CompanyType));
    auto data = window->DataAccess();
    EXPECT_EQ(data, window->DataAccess()) << "one object for the life of the window";
    EXPECT_TRUE(data->CheckRight(65000, tolm::secView, 0, false, "")) << "the auditor may view the log";
    EXPECT_FALSE(data->CheckRight(65000, tolm::secDelete, 0, false, "")) << "but not delete from it";
    EXPECT_TRUE(Messages().empty()) << "asked without a message";

    UseHost("administrator", /*demo=*/false, "en");
    auto english = BillWindow::ForNewRate(m_host->Session(), hub::RateListFilter(CompanyType));
    std::string extra;
    EXPECT_EQ(english->DataAccess()->LookupText("查看", extra), "View");
    EXPECT_EQ(english->Parameter()->Filter("FilterString").ToText(), hub::RateListFilter(CompanyType));
}

TEST_F(ExRateEditor, WhatAPersonTypesIsReadStrictly) {
    OpenBill bill(NewRateWindow(CompanyType));
    auto refusal = [&](const std::string& key, const std::string& text) -> int32_t {
        try {
            bill->Enter(key, text);
        } catch (const tolm::HostError& error) {
            return error.Number();
        }
        return 0;
    };
    EXPECT_EQ(refusal("FBase", "XYZ"), tolm::err::ObjectNotFound);
    EXPECT_EQ(refusal("FExchangeRate", "6,8"), tolm::err::TypeMismatch);
    EXPECT_EQ(refusal("FExchangeRate", "7abc"), tolm::err::TypeMismatch);
    EXPECT_EQ(refusal("FBegDate", "2024-02-30"), tolm::err::TypeMismatch);
    EXPECT_EQ(refusal("FBegDate", "2024-03-01 10:00"), tolm::err::TypeMismatch);
    EXPECT_EQ(refusal("FNumber", "MY.CODE"), tolm::err::Refused) << "the code is composed, not typed";
    EXPECT_EQ(refusal("FNoSuchField", "1"), tolm::err::ObjectNotFound);

    EXPECT_EQ(refusal("FBase", " usd "), 0);
    EXPECT_EQ(bill.Value("FBase"), Variant(CurrencyId("USD")));
    EXPECT_EQ(bill.Text("FBaseProperty"), "美元") << "the name follows the currency";
    EXPECT_EQ(refusal("FBase", "EUR"), 0);
    EXPECT_EQ(bill.Text("FBaseProperty"), "欧元");
    EXPECT_EQ(refusal("FBegDate", "2024-02-29"), 0);
    EXPECT_EQ(bill.Text("FBegDate"), "2024-02-29");
}

TEST_F(ExRateEditor, ClosingTheWindowReleasesTheEditorAndTheWindow) {
    const int32_t liveBefore = qel::LiveObjectCount();
    std::weak_ptr<BillWindow> gone;
    auto watcher = std::make_shared<WatchingSink>();
    {
        auto window = NewRateWindow(CompanyType);
        gone = window;
        window->Open();
        window->Advise(watcher);
        EXPECT_EQ(qel::LiveObjectCount(), liveBefore + 1);
        window->Close();
        EXPECT_EQ(qel::LiveObjectCount(), liveBefore) << "the editor was released";
        EXPECT_THROW(window->Save(), tolm::HostError);
        EXPECT_THROW(window->Open(), tolm::HostError) << "a closed window stays closed";
    }
    EXPECT_TRUE(gone.expired()) << "nothing holds the window once it is closed";
}

// ---- what the host refuses to store -------------------------------------------------------

// An editor class that fails to attach: it connects nothing and raises in Show.
class EditorThatFailsToAttach : public tolm::IBillEventClass {
public:
    void Show(const std::shared_ptr<tolm::IBillInterface>&) override {
        throw tolm::HostError(tolm::err::InternalError, "the editor could not attach");
    }
};

constexpr const char* FailingEditorClass = "TolmTest.EditorThatFailsToAttach";
constexpr const char* NoEditorText = "汇率编辑器未能连接到窗口，无法在保存前检查汇率，不能保存。";
constexpr const char* ChangedByOthersText = "汇率%1打开后已被他人修改，不能保存；请重新打开后再修改。";

bool Contains(const std::vector<std::string>& messages, const std::string& text) {
    return std::any_of(messages.begin(), messages.end(),
                       [&](const std::string& message) { return message.find(text) != std::string::npos; });
}

TEST_F(ExRateEditor, WithoutTheEditorsChecksNothingIsSaved) {
    tolm::ScopedComponent failing{FailingEditorClass, [] { return std::make_shared<EditorThatFailsToAttach>(); }};
    for (const std::string language : {"chs", "en"}) {
        UseHost("administrator", /*demo=*/false, language);
        auto window = NewRateWindow(CompanyType);
        window->Open(FailingEditorClass);
        ASSERT_TRUE(window->IsOpen()) << "the window opens all the same";
        ASSERT_EQ(window->EventFailures().size(), 1u);
        EXPECT_EQ(window->EventFailures()[0].eventName, "Show");
        // Another party listens; it is not the editor and checks nothing.
        auto watcher = std::make_shared<WatchingSink>();
        window->Advise(watcher);
        // What the editor would refuse: the home currency at a negative rate.
        window->Enter("FBase", "CNY");
        window->Enter("FExchangeRate", "-3");
        window->Enter("FBegDate", "2024-03-01");
        window->Enter("FEndDate", "2024-03-31");
        Screen().ClearRecords();

        EXPECT_FALSE(window->Save());
        EXPECT_TRUE(Contains(Messages(), hub::Translate(language, NoEditorText)))
            << language << ": " << ::testing::PrintToString(Messages());
        EXPECT_TRUE(watcher->events.empty()) << "BeforeSave was not raised to a save that cannot happen";
        EXPECT_EQ(RateCount(), 0);
        EXPECT_EQ(window->Mode(), BillWindow::ModeNew);
        window->Close();
    }
    EXPECT_NE(hub::Translate("en", NoEditorText), NoEditorText) << "the message has an English entry";
}

TEST_F(ExRateEditor, ASaveByAnotherWindowSinceOpeningIsNotOverwritten) {
    const int32_t stored = AddRate(CompanyType, "USD", 7.0, "2024-03-01", "2024-03-31");
    OpenBill mine(RateWindow(stored));
    {
        OpenBill theirs(RateWindow(stored));
        theirs->Enter("FExchangeRate", "7.2");
        ASSERT_TRUE(theirs->Save()) << ::testing::PrintToString(Messages());
    }
    mine->Enter("FExchangeRate", "7.5");
    Screen().ClearRecords();
    EXPECT_FALSE(mine->Save()) << "the other save would be lost without a word";
    EXPECT_TRUE(Contains(Messages(), hub::TranslateFormat("chs", ChangedByOthersText, {Variant(stored)})))
        << ::testing::PrintToString(Messages());
    auto entry = Row("SELECT FExchangeRate, FReverseExRate FROM t_ExchangeRateEntry WHERE FID = ?1", {Variant(stored)});
    EXPECT_DOUBLE_EQ(entry->Field("FExchangeRate").ToDouble(), 7.2);
    EXPECT_DOUBLE_EQ(entry->Field("FReverseExRate").ToDouble(), 0.1389) << "their follow-up is kept too";

    // Opened again, the window holds what is stored now and may change it.
    OpenBill again(RateWindow(stored));
    EXPECT_EQ(again.Text("FExchangeRate"), "7.2000");
    again->Enter("FExchangeRate", "7.5");
    ASSERT_TRUE(again->Save()) << ::testing::PrintToString(Messages());
    again->Enter("FExchangeRate", "7.6");
    EXPECT_TRUE(again->Save()) << "its own save and follow-up do not count as someone else's change";
    EXPECT_DOUBLE_EQ(Row("SELECT FExchangeRate FROM t_ExchangeRateEntry WHERE FID = ?1", {Variant(stored)})
                         ->Field("FExchangeRate")
                         .ToDouble(),
                     7.6);
}

TEST_F(ExRateEditor, AnAuditAndReverseAuditSinceOpeningAlsoCountAsAChange) {
    const int32_t stored = AddRate(CompanyType, "USD", 7.0, "2024-03-01", "2024-03-31");
    OpenBill bill(RateWindow(stored));
    Db().Execute("UPDATE t_ExchangeRateEntry SET FChkUserID = 1, FCheckDate = '2024-04-01' WHERE FID = ?1",
                 {Variant(stored)});
    Db().Execute("UPDATE t_ExchangeRateEntry SET FChkUserID = 0, FCheckDate = NULL WHERE FID = ?1", {Variant(stored)});
    bill->Enter("FExchangeRate", "7.5");
    EXPECT_FALSE(bill->Save());
    EXPECT_TRUE(Contains(Messages(), hub::TranslateFormat("chs", ChangedByOthersText, {Variant(stored)})))
        << ::testing::PrintToString(Messages());
    EXPECT_DOUBLE_EQ(Row("SELECT FExchangeRate FROM t_ExchangeRateEntry WHERE FID = ?1", {Variant(stored)})
                         ->Field("FExchangeRate")
                         .ToDouble(),
                     7.0);
}

TEST_F(ExRateEditor, AModifySaveWritesTheRateTheWindowOpenedWhateverTheIdFieldSays) {
    const int32_t opened = AddRate(CompanyType, "USD", 7.0, "2024-03-01", "2024-03-31");
    const int32_t other = AddRate(CompanyType, "EUR", 7.8, "2024-03-01", "2024-03-31");
    OpenBill bill(RateWindow(opened));
    bill->SetHeadValue("FID", Variant(other), false);  // any handler may write the field
    bill->Enter("FExchangeRate", "7.1");
    bill->Enter("FBegDate", "2024-05-01");
    bill->Enter("FEndDate", "2024-05-31");
    ASSERT_TRUE(bill->Save()) << ::testing::PrintToString(Messages());

    EXPECT_EQ(bill->RecordId(), opened);
    auto mine = Row("SELECT * FROM t_ExchangeRateEntry WHERE FID = ?1", {Variant(opened)});
    EXPECT_DOUBLE_EQ(mine->Field("FExchangeRate").ToDouble(), 7.1);
    EXPECT_EQ(tolm::FormatDate(mine->Field("FBegDate").ToDate(), "yyyy-MM-dd"), "2024-05-01");
    auto theirs = Row("SELECT * FROM t_ExchangeRateEntry WHERE FID = ?1", {Variant(other)});
    EXPECT_EQ(theirs->Field("FCyTo").ToLong(), CurrencyId("EUR")) << "the other rate is untouched";
    EXPECT_DOUBLE_EQ(theirs->Field("FExchangeRate").ToDouble(), 7.8);
    EXPECT_EQ(tolm::FormatDate(theirs->Field("FBegDate").ToDate(), "yyyy-MM-dd"), "2024-03-01");
    EXPECT_EQ(RateCount(), 2);
}

TEST_F(ExRateEditor, ANewRateIsRefusedWhenNoIdIsLeft) {
    // A header at the top of the id range (a type's rates could be imported with any id).
    Db().Execute("INSERT INTO t_ExchangeRate (FID, FLevels, FParentID) VALUES (2147483647, 2, ?1)",
                 {Variant(CompanyType)});
    OpenBill bill(NewRateWindow(CompanyType));
    bill.Fill("USD", "6.8", "2024-03-01", "2024-03-31");
    EXPECT_FALSE(bill->Save());
    EXPECT_TRUE(Contains(Messages(), hub::Translate("chs", "汇率内码已用尽，不能新增汇率。")))
        << ::testing::PrintToString(Messages());
    EXPECT_EQ(RateCount(), 0);
    EXPECT_EQ(Row("SELECT COUNT(*) AS n FROM t_ExchangeRate WHERE FID < 0")->Field("n").ToLong(), 0)
        << "no id wrapped round";
    EXPECT_EQ(bill->RecordId(), 0);
}

TEST_F(ExRateEditor, ATypedDateMustFallInTheYearsADateHolds) {
    OpenBill bill(NewRateWindow(CompanyType));
    for (const char* text : {"0099-12-31", "0000-01-01", "0001-03-01"}) {
        try {
            bill->Enter("FBegDate", text);
            ADD_FAILURE() << text << " was taken";
        } catch (const tolm::HostError& error) {
            EXPECT_EQ(error.Number(), tolm::err::TypeMismatch) << text;
            EXPECT_EQ(error.Description(),
                      hub::TranslateFormat("chs", "“%1”不是yyyy-MM-dd格式的日期。", {Variant(text)}));
        }
    }
    EXPECT_TRUE(bill.Value("FBegDate").ToText().empty()) << "the field kept nothing";

    bill.Fill("USD", "6.8", "0100-01-01", "9999-12-31");
    EXPECT_EQ(bill.Text("FBegDate"), "0100-01-01");
    ASSERT_TRUE(bill->Save()) << "the first and last years are whole: " << ::testing::PrintToString(Messages());
    auto entry = Row("SELECT FBegDate, FEndDate FROM t_ExchangeRateEntry WHERE FID = ?1", {Variant(bill->RecordId())});
    EXPECT_EQ(tolm::FormatDate(entry->Field("FBegDate").ToDate(), "yyyy-MM-dd"), "0100-01-01");
    EXPECT_EQ(tolm::FormatDate(entry->Field("FEndDate").ToDate(), "yyyy-MM-dd"), "9999-12-31");
}

}  // namespace
