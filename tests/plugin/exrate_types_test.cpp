// Exchange-rate types as a person keeps them: the host's type list with the real
// plug-in library attached, its commands clicked, the type dialog typed into key by
// key, and what the person sees and the database holds checked afterwards.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "driver/form_driver.h"
#include "model/rate_store.h"
#include "services/help_tool.h"
#include "model/type_store.h"
#include "support/host_fixture.h"
#include "support/temp_dir.h"
#include "tolm/form.h"
#include "tolm/platform.h"
#include "windows/tool.h"
#include "windows/rate_list_window.h"
#include "windows/type_list_window.h"

namespace {

using hub::TypeListWindow;
using tolm::Variant;
namespace driver = hub::driver;

constexpr int32_t CompanyType = 1;  // preset 01 公司汇率, 4 places

class ExRateTypes : public ::testing::Test {
protected:
    void SetUp() override {
        // The class window's rate list, as shown: open, and shaped by its own class.
        hub::WindowPresenter windows{[this](hub::RateListWindow& window) {
            m_rateListShown = window.IsOpen() && window.Menu()->FindBand("mnuFile")->BandTools()->Count() > 0 &&
                              window.Menu()->FindBand("mnuFile")->BandTools()->Item("mnuExpExRate") != nullptr;
        }};
        m_host = std::make_unique<qel::test::HostFixture>("administrator", "chs", false, m_dir / "classes.json",
                                                          std::move(windows));
        m_host->Loader().RegisterLibrary(TOLM_PLUGIN_PATH);
        m_list = TypeListWindow::Create(m_host->Session());
        m_list->Open();
    }
    void TearDown() override { m_list->Close(); }

    hub::Database& Db() const { return m_host->Db(); }
    hub::HeadlessPlatform& Screen() const { return m_host->Platform(); }

    // Clicks the command; `person` works the dialog it opens.
    void Click(const std::string& key, std::function<void(tolm::Form&)> person = {}) {
        if (person) Screen().QueueFormDriver(std::move(person));
        m_list->Click(key);
    }
    void Modify(int32_t typeId, std::function<void(tolm::Form&)> person) {
        m_list->Select(typeId);
        Click("mnuEditModify", std::move(person));
    }

    int32_t AddType(const std::string& number, Variant digits) const {
        const auto id = hub::NewExchangeRateId(Db(), true);
        Db().Execute("INSERT INTO t_ExchangeRate (FID, FNumber, FName, FDigits, FLevels) VALUES (?1, ?2, ?2, ?3, 1)",
                     {Variant(id), Variant(number), digits});
        return static_cast<int32_t>(id);
    }
    void AddChild(int32_t typeId, int32_t native) const {
        Db().Execute("INSERT INTO t_ExchangeRate (FID, FNumber, FLevels, FParentID, FIsNativeRate)"
                     " VALUES (?1, 'R', 2, ?2, ?3)",
                     {Variant(hub::NewExchangeRateId(Db(), false)), Variant(typeId), Variant(native)});
    }
    Variant Stored(int32_t typeId, const char* column) const {
        return Db().Query(std::string("SELECT ") + column + " AS v FROM t_ExchangeRate WHERE FID = ?1",
                          {Variant(typeId)})
            ->Field("v");
    }
    bool Logged(const std::string& key, const std::string& text) const {
        return !Db().Query("SELECT 1 FROM t_Log WHERE FFunctionID = ?1 AND FDescription = ?2",
                           {Variant(key), Variant(text)})
                    ->IsEOF();
    }
    std::string LastMessage() const {
        return Screen().MessageBoxes().empty() ? std::string() : Screen().MessageBoxes().back().prompt;
    }

    static void Retype(tolm::FormControl& field, const std::string& text) {
        driver::Click(field);
        field.SetSelection(0, 1000);
        if (text.empty()) driver::TypeKey(field, tolm::KeyBackspace);
        driver::TypeText(field, text);
    }

    hub::test::TempDir m_dir;
    std::unique_ptr<qel::test::HostFixture> m_host;
    std::shared_ptr<TypeListWindow> m_list;
    bool m_rateListShown = false;
};

TEST_F(ExRateTypes, NewModeSavesThenStaysOpenClearedForTheNextType) {
    bool checked = false;
    Click("mnuFileNewItem", [&](tolm::Form& form) {
        EXPECT_EQ(form.Control("txtDigits").Text(), "6");
        driver::TypeText(form.Control("txtNumber"), "X-1");
        driver::TypeText(form.Control("txtName"), "测试");
        Retype(form.Control("txtDigits"), "3");
        driver::Click(form.Control("cmdOK"));

        EXPECT_FALSE(form.IsUnloaded());
        EXPECT_EQ(form.Control("txtNumber").Text(), "");
        EXPECT_EQ(form.Control("txtName").Text(), "");
        EXPECT_EQ(form.Control("txtDigits").Text(), "6");
        EXPECT_EQ(form.ActiveControl(), &form.Control("txtNumber"));
        checked = true;
    });
    ASSERT_TRUE(checked);
    ASSERT_EQ(m_list->Rows().back().number, "X-1") << "the list was refreshed";
    EXPECT_EQ(m_list->Rows().back().digits, Variant(3));
    EXPECT_TRUE(Logged("QEL1014002_mnuFileNewItem", "新增汇率类型完成-代码：[X-1] 名称：[测试]"));
}

TEST_F(ExRateTypes, ATypeWhoseLogRecordCannotBeWrittenIsNotSavedAndTheDialogKeepsWhatWasTyped) {
    Db().Execute("CREATE TRIGGER t_NoLog BEFORE INSERT ON t_Log BEGIN SELECT RAISE(ABORT, 'no room'); END");
    Click("mnuFileNewItem", [&](tolm::Form& form) {
        driver::TypeText(form.Control("txtNumber"), "X-1");
        driver::TypeText(form.Control("txtName"), "测试");
        driver::Click(form.Control("cmdOK"));
        EXPECT_EQ(form.Control("txtNumber").Text(), "X-1") << "cleared by the dialog, put back by the host";
        EXPECT_EQ(form.Control("txtName").Text(), "测试");
        driver::Click(form.Control("cmdCancel"));
    });
    EXPECT_TRUE(Db().Query("SELECT 1 FROM t_ExchangeRate WHERE FNumber = 'X-1'")->IsEOF());
    EXPECT_EQ(LastMessage(), "操作的记录没有写入上机日志，没有保存任何修改。");

    Modify(CompanyType, [&](tolm::Form& form) {
        driver::TypeText(form.Control("txtNote"), "!");
        driver::Click(form.Control("cmdOK"));
        EXPECT_FALSE(form.IsUnloaded()) << "the dialog stays open when its save was undone";
        EXPECT_EQ(form.Control("txtNote").Text().back(), '!');
        driver::Click(form.Control("cmdCancel"));
    });
    EXPECT_NE(Stored(CompanyType, "FRemark"), Variant("!"));
}

TEST_F(ExRateTypes, ModifyEnablesOKOnlyAfterAChangeAndKeepsAPresetsCodeAndName) {
    Modify(CompanyType, [&](tolm::Form& form) {
        EXPECT_FALSE(form.Control("cmdOK").Enabled());
        EXPECT_TRUE(form.Control("txtNumber").Locked());
        EXPECT_TRUE(form.Control("txtName").Locked());
        driver::TypeText(form.Control("txtNumber"), "9");
        EXPECT_EQ(form.Control("txtNumber").Text(), "01");
        EXPECT_FALSE(form.Control("cmdOK").Enabled());
        driver::TypeText(form.Control("txtNote"), "!");
        EXPECT_TRUE(form.Control("cmdOK").Enabled());
        Retype(form.Control("txtDigits"), "");
        EXPECT_EQ(form.Control("txtDigits").Text(), "0") << "the precision never stays empty";
        Retype(form.Control("txtDigits"), "5");
        driver::Click(form.Control("cmdOK"));
        EXPECT_TRUE(form.IsUnloaded()) << "modify mode closes after the save";
    });
    EXPECT_EQ(Stored(CompanyType, "FRemark"), Variant("!"));
    EXPECT_EQ(Stored(CompanyType, "FDigits"), Variant(5));
    EXPECT_TRUE(Logged("QEL1014002_mnuFileNewItem", "修改汇率类型完成-代码：[01] 名称：[公司汇率]"));
}

TEST_F(ExRateTypes, EachFieldTakesOnlyItsCharacters) {
    struct Case {
        const char* field;
        char32_t character;
        bool taken;
    };
    const Case cases[] = {
        {"txtNumber", U'a', true},  {"txtNumber", U'Z', true},  {"txtNumber", U'7', true},
        {"txtNumber", U'-', true},  {"txtNumber", U' ', false}, {"txtNumber", U'_', false},
        {"txtNumber", U'.', false}, {"txtNumber", U'汇', false}, {"txtName", U'汇', true},
        {"txtName", U' ', true},    {"txtName", U'\'', false},  {"txtName", U'"', false},
        {"txtDigits", U'5', true},  {"txtDigits", U'a', false}, {"txtDigits", U'-', false},
        {"txtNote", U'\'', true},   {"txtNote", U'"', true},
    };
    Click("mnuFileNewItem", [&](tolm::Form& form) {
        for (const Case& c : cases) {
            EXPECT_EQ(driver::TypeCharacter(form.Control(c.field), c.character), c.taken)
                << c.field << " U+" << std::hex << static_cast<uint32_t>(c.character);
        }
    });
}

TEST_F(ExRateTypes, OKRefusesAPrecisionAboveTenAndBlankCodeOrName) {
    struct Case {
        const char *code, *name, *digits, *message;
    };
    const Case cases[] = {
        {"A1", "甲", "10", nullptr},
        {"A2", "乙", "11", "汇率精度最大值为10，请修改。"},
        {"  ", "丙", "2", "代码不能为空！"},
        {"A3", "  ", "2", "名称不能为空！"},
    };
    for (const Case& c : cases) {
        const size_t boxes = Screen().MessageBoxes().size();
        Click("mnuFileNewItem", [&](tolm::Form& form) {
            for (tolm::FormControl* field : {&form.Control("txtNumber"), &form.Control("txtName")}) {
                field->SetText(field == &form.Control("txtNumber") ? c.code : c.name);
            }
            Retype(form.Control("txtDigits"), c.digits);
            driver::Click(form.Control("cmdOK"));
        });
        if (c.message == nullptr) {
            EXPECT_EQ(Screen().MessageBoxes().size(), boxes) << LastMessage();
            EXPECT_EQ(m_list->Rows().back().digits, Variant(10));
        } else {
            EXPECT_EQ(LastMessage(), c.message);
        }
    }
}

TEST_F(ExRateTypes, LoweringThePrecisionIsRefusedOnlyForATypeWithRateRecords) {
    const int32_t withRates = AddType("R1", Variant(4));
    AddChild(withRates, 0);
    const int32_t nativeOnly = AddType("N1", Variant(4));
    AddChild(nativeOnly, 1);
    m_list->Refresh();

    Modify(withRates, [&](tolm::Form& form) {
        Retype(form.Control("txtDigits"), "2");
        driver::PressKey(form.Control("txtDigits"), tolm::KeyTab);
        EXPECT_EQ(form.Control("txtDigits").Text(), "4");
        Retype(form.Control("txtDigits"), "8");
        driver::PressKey(form.Control("txtDigits"), tolm::KeyTab);
        EXPECT_EQ(form.Control("txtDigits").Text(), "8") << "raising is always allowed";
    });
    EXPECT_EQ(LastMessage(), "已存在汇率记录，修改后的汇率精度不能小于当前汇率精度。");

    const size_t boxes = Screen().MessageBoxes().size();
    Modify(nativeOnly, [&](tolm::Form& form) {
        Retype(form.Control("txtDigits"), "2");
        driver::Click(form.Control("cmdOK"));
    });
    EXPECT_EQ(Screen().MessageBoxes().size(), boxes) << LastMessage();
    EXPECT_EQ(Stored(nativeOnly, "FDigits"), Variant(2));
}

TEST_F(ExRateTypes, DeleteRefusesPresetsAndTypesWithRatesAndAsksFirst) {
    const int32_t withRates = AddType("R1", Variant(4));
    AddChild(withRates, 0);
    const int32_t plain = AddType("P1", Variant(4));
    AddChild(plain, 1);
    m_list->Refresh();

    m_list->Select(2);
    Click("mnuEditDel");
    EXPECT_EQ(LastMessage(), "系统预设汇率类型不允许删除。");
    m_list->Select(withRates);
    Click("mnuEditDel");
    EXPECT_EQ(LastMessage(), "当前汇率类型下存在汇率记录，不允许删除！");

    m_list->Select(plain);
    Screen().QueueAnswer(tolm::mb::IdNo);
    Click("mnuEditDel");
    EXPECT_EQ(LastMessage(), "确定要删除汇率类型[P1]吗？");
    EXPECT_TRUE(hub::TypeExists(Db(), plain)) << "No keeps the type";

    Db().Execute("UPDATE t_ExchangeRate SET FName = '节点名' WHERE FID = ?1", {Variant(plain)});
    m_list->Refresh();
    Screen().QueueAnswer(tolm::mb::IdYes);
    Click("mnuEditDel");
    EXPECT_FALSE(hub::TypeExists(Db(), plain));
    EXPECT_TRUE(Logged("QEL1014002_mnuEditDel", "删除汇率类型[节点名]完成")) << "the tree node's text";
}

TEST_F(ExRateTypes, TheRateSystemCommandIsShapedAndOpensTheRateList) {
    for (const char* band : {"mnuData", "BandToolBar"}) {
        const auto& tools = *m_list->Menu()->FindBand(band)->BandTools();
        const auto tool = tools.Item("mnuExchangeRateManage");
        const auto* own = dynamic_cast<const hub::Tool*>(tool.get());
        ASSERT_NE(own, nullptr);
        ASSERT_NE(own->Image(0), nullptr) << band;
        EXPECT_EQ(own->Image(0)->width, 16);
        EXPECT_EQ(own->Image(0)->pixels.front(), 0xC0C0C0u) << "the silver corner is transparent";
    }
    EXPECT_FALSE(Screen().ClipboardBitmap().has_value()) << "the clipboard is left alone";
    EXPECT_EQ(m_list->RequestHelp(), 370141);

    Click("mnuExchangeRateManage");
    EXPECT_TRUE(m_rateListShown) << "the class window showed the exchange-rate list with its class attached";
    EXPECT_TRUE(Screen().MessageBoxes().empty());
}

TEST_F(ExRateTypes, F1InTheDialogShowsTheHelpOfItsMode) {
    struct Case {
        int32_t typeId;  // 0: a new type
        int32_t topic;
    };
    for (const Case& c : {Case{0, 370142}, Case{CompanyType, 370143}}) {
        hub::ClearLastHelpRequest();
        auto pressF1 = [](tolm::Form& form) { driver::PressKey(form.Control("txtName"), tolm::KeyF1); };
        if (c.typeId == 0) {
            Click("mnuFileNewItem", pressF1);
        } else {
            Modify(c.typeId, pressF1);
        }
        ASSERT_TRUE(hub::LastHelpRequest().has_value()) << c.topic;
        EXPECT_EQ(hub::LastHelpRequest()->topic, c.topic);
    }
}

TEST_F(ExRateTypes, ATypeWithoutAPrecisionLoadsAsSixAndKeepsIt) {
    const int32_t typeId = AddType("U1", Variant::Null());
    m_list->Refresh();
    Modify(typeId, [&](tolm::Form& form) {
        EXPECT_EQ(form.Control("txtDigits").Text(), "6");
        driver::TypeText(form.Control("txtNote"), "x");
        driver::Click(form.Control("cmdOK"));
        EXPECT_TRUE(form.IsUnloaded());
    });
    EXPECT_EQ(Stored(typeId, "FDigits"), Variant(6));
}

TEST_F(ExRateTypes, APrecisionThatDoesNotConvertIsReportedByOKNotByLeavingTheField) {
    Modify(CompanyType, [&](tolm::Form& form) {
        form.Control("txtDigits").SetText("99999999999");  // pasted through the context menu
        driver::Click(form.Control("txtDigits"));
        driver::PressKey(form.Control("txtDigits"), tolm::KeyTab);
        EXPECT_FALSE(form.IsUnloaded()) << "leaving the field loses nothing";
        driver::Click(form.Control("cmdOK"));
        EXPECT_FALSE(form.IsUnloaded());
        EXPECT_EQ(Screen().MessageBoxes().back().flags & tolm::mb::Critical, tolm::mb::Critical);
    });
    EXPECT_EQ(Stored(CompanyType, "FDigits"), Variant(4));
}

}  // namespace
