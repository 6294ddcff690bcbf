// The rate-system transfer dialog as a person works it: the file button, the run
// button, and what the person is shown afterwards. A stand-in wizard makes the
// outcomes the host's own never gives (a lone message line, a result without its
// count); the end-to-end cases run the host's wizard on real files.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "driver/form_driver.h"
#include "formats/workbook.h"
#include "rate_transfer/frm_exp_imp_rate.h"
#include "services/transfer_wizard.h"
#include "support/host_fixture.h"
#include "support/temp_dir.h"
#include "tolm/components.h"
#include "tolm/host_library.h"
#include "tolm/platform.h"
#include "tolm/registry.h"
#include "windows/rate_list_window.h"

namespace {

using tolm::Variant;
namespace driver = hub::driver;

// Answers as told and records what the dialog showed while it waited.
class StandInWizard : public tolm::ITransferWizard {
public:
    std::vector<Variant> lines;
    std::optional<int32_t> records;  // nothing: a result without "Page1"
    bool exported = true;
    bool fail = false;
    int calls = 0;
    std::string tipDuringRun;
    bool runButtonEnabledDuringRun = true;
    qel::frmExpImpRate* dialog = nullptr;

    Variant Export(const std::string&, int32_t, int32_t, std::string&, const std::string&, int16_t,
                   const std::string&, int16_t, std::string&, bool&, int16_t, const std::string&, const std::string&,
                   std::shared_ptr<tolm::Collection>& messages) override {
        Answer(*messages);
        return Variant(exported);
    }
    Variant ImportFromData(const std::string&, int16_t, std::string&, const std::string&,
                           const std::shared_ptr<tolm::Object>&, std::shared_ptr<tolm::Collection>& messages, int16_t,
                           int16_t, int16_t, bool, const std::shared_ptr<tolm::Object>&, bool&, bool) override {
        Answer(*messages);
        auto result = std::make_shared<tolm::Dictionary>();
        if (records) result->SetItem("Page1", Variant(std::make_shared<hub::ImportPage>(*records)));
        return Variant(result);
    }

private:
    void Answer(tolm::Collection& messages) {
        ++calls;
        if (dialog) {
            tipDuringRun = dialog->lblTip.Text();
            runButtonEnabledDuringRun = dialog->cmdProcess.Enabled();
        }
        if (fail) throw tolm::HostError(tolm::err::Refused, "转换组件出错了。");
        for (const Variant& line : lines) messages.Add(line);
    }
};

class RateTransfer : public ::testing::Test {
protected:
    qel::test::HostFixture m_host{"administrator", "chs", true};
    hub::test::TempDir m_dir;

    hub::HeadlessPlatform& Screen() const { return m_host.Platform(); }

    // Opens the dialog; `person` works it.
    void Open(bool bExport, const std::function<void(qel::frmExpImpRate&)>& person) {
        auto frm = std::make_shared<qel::frmExpImpRate>();
        frm->m_bExport = bExport;
        Screen().QueueFormDriver([&](tolm::Form& form) { person(static_cast<qel::frmExpImpRate&>(form)); });
        frm->Show();
        EXPECT_TRUE(frm->IsUnloaded());
    }
    // Chooses the file with the file button, then runs.
    void Run(bool bExport, const std::filesystem::path& file, StandInWizard* wizard = nullptr) {
        Open(bExport, [&](qel::frmExpImpRate& dlg) {
            if (wizard) wizard->dialog = &dlg;
            Screen().QueueFile(file.string());
            driver::Click(dlg.cmdPath);
            driver::Click(dlg.cmdProcess);
            if (wizard) wizard->dialog = nullptr;
        });
    }
    std::string LastText() const { return Screen().Texts().empty() ? "" : Screen().Texts().back().text; }
};

TEST_F(RateTransfer, LoadsItsCaptionsByDirection) {
    struct Case {
        bool bExport;
        const char* path;
        const char* tip;
        const char* run;
    };
    for (const Case& c : {Case{true, "导出路径：", "* 不导出禁用数据", "导出(&E)"},
                          Case{false, "导入路径：", "* 导入时不覆盖已存在的数据...", "导入(&I)"}}) {
        Open(c.bExport, [&](qel::frmExpImpRate& dlg) {
            EXPECT_EQ(dlg.Caption(), "汇率体系导入导出");
            EXPECT_EQ(dlg.lblPath.Text(), c.path);
            EXPECT_EQ(dlg.lblTip.Text(), c.tip);
            EXPECT_EQ(dlg.cmdProcess.Text(), c.run);
            EXPECT_EQ(dlg.cmdCancel.Text(), "取消(&C)");
            driver::Click(dlg.cmdCancel);
        });
    }
}

TEST_F(RateTransfer, FileButtonAsksForTheFileAndCancelKeepsThePath) {
    for (const bool bExport : {true, false}) {
        Screen().ClearRecords();
        Open(bExport, [&](qel::frmExpImpRate& dlg) {
            Screen().QueueFile("/data/rates");
            driver::Click(dlg.cmdPath);
            EXPECT_EQ(dlg.txtPath.Text(), "/data/rates.xls");
            Screen().QueueFile(std::nullopt);
            driver::Click(dlg.cmdPath);
            EXPECT_EQ(dlg.txtPath.Text(), "/data/rates.xls");
        });
        ASSERT_EQ(Screen().FileDialogs().size(), 2u);
        const hub::FileDialogRecord& asked = Screen().FileDialogs()[0];
        EXPECT_EQ(asked.kind, bExport ? tolm::FileDialogKind::Save : tolm::FileDialogKind::Open);
        EXPECT_EQ(asked.options.title, "选择保存位置");
        EXPECT_EQ(asked.options.filter, "Excel Files (*.xls)|*.xls|All Files (*.*)|*.*");
        EXPECT_EQ(asked.options.flags, tolm::fd::OverwritePrompt);
        EXPECT_EQ(asked.options.defaultExt, "xls");
        EXPECT_TRUE(asked.options.cancelError);
        EXPECT_TRUE(Screen().MessageBoxes().empty());
    }
}

TEST_F(RateTransfer, RunWithoutAPathAsksForOneAndStaysOpen) {
    auto wizard = std::make_shared<StandInWizard>();
    tolm::ScopedComponent standIn(tolm::classname::TransferWizard, [wizard] { return wizard; });
    Open(true, [&](qel::frmExpImpRate& dlg) {
        driver::Click(dlg.cmdProcess);
        EXPECT_FALSE(dlg.IsUnloaded());
        EXPECT_TRUE(dlg.cmdProcess.Enabled());
    });
    EXPECT_EQ(m_host.Messages(), std::vector<std::string>{"请选择路径。"});
    EXPECT_EQ(wizard->calls, 0);
}

// The report's counting, as the dialog does it whatever the wizard answers.
TEST_F(RateTransfer, ImportReportCountsRowsFromTheMessageLines) {
    struct Case {
        std::vector<Variant> lines;
        std::optional<int32_t> records;
        const char* report;
    };
    const std::vector<Case> cases = {
        {{}, 25, "总行数：25\r\n成功行数：25\r\n失败行数：0\r\n导入汇率体系成功！\r\n"},
        {{Variant("甲"), Variant("乙"), Variant("丙"), Variant("丁")}, 25,
         "总行数：25\r\n成功行数：22\r\n失败行数：3\r\n\r\n甲\r\n乙\r\n丙\r\n丁\r\n"},
        {{Variant("甲")}, 25, "总行数：25\r\n成功行数：25\r\n失败行数：0\r\n导入汇率体系成功！\r\n"},
        {{Variant("甲"), Variant("乙")}, std::nullopt, "总行数：0\r\n成功行数：0\r\n失败行数：0\r\n\r\n甲\r\n乙\r\n"},
        {{Variant("甲"), Variant(int32_t{7}), Variant(""), Variant("乙")}, 10,
         "总行数：10\r\n成功行数：7\r\n失败行数：3\r\n\r\n甲\r\n乙\r\n"},
    };
    for (const Case& c : cases) {
        auto wizard = std::make_shared<StandInWizard>();
        wizard->lines = c.lines;
        wizard->records = c.records;
        tolm::ScopedComponent standIn(tolm::classname::TransferWizard, [wizard] { return wizard; });
        Run(false, "/data/rates.xls", wizard.get());
        EXPECT_EQ(LastText(), c.report);
        EXPECT_EQ(Screen().Texts().back().title, "导入结果");
        EXPECT_EQ(wizard->tipDuringRun, "正在导入汇率体系...");
        EXPECT_FALSE(wizard->runButtonEnabledDuringRun);
    }
}

TEST_F(RateTransfer, ExportTellsSuccessOrShowsWhy) {
    auto wizard = std::make_shared<StandInWizard>();
    tolm::ScopedComponent standIn(tolm::classname::TransferWizard, [wizard] { return wizard; });
    Run(true, "/data/rates.xls", wizard.get());
    EXPECT_EQ(m_host.Messages(), std::vector<std::string>{"导出汇率体系成功！"});
    EXPECT_TRUE(Screen().Texts().empty());
    EXPECT_EQ(wizard->tipDuringRun, "正在导出汇率体系...");

    wizard->exported = false;
    wizard->lines = {Variant("甲"), Variant(""), Variant("乙")};
    Run(true, "/data/rates.xls", wizard.get());
    EXPECT_EQ(LastText(), "\r\n甲\r\n乙");
    EXPECT_EQ(Screen().Texts().back().title, "提示");
    EXPECT_EQ(m_host.Messages().size(), 1u);
}

TEST_F(RateTransfer, AFailingWizardIsReportedAndTheDialogStillCloses) {
    auto wizard = std::make_shared<StandInWizard>();
    wizard->fail = true;
    tolm::ScopedComponent standIn(tolm::classname::TransferWizard, [wizard] { return wizard; });
    for (const bool bExport : {true, false}) {
        Screen().ClearRecords();
        Run(bExport, "/data/rates.xls");
        EXPECT_EQ(m_host.Messages(), std::vector<std::string>{"转换组件出错了。"});
        EXPECT_EQ(Screen().PointerHistory().back(), tolm::PointerDefault);
        EXPECT_TRUE(Screen().Texts().empty());
    }
}

// ---- with the host's wizard -----------------------------------------------------------------

TEST_F(RateTransfer, ExportThenImportWithTheHostsWizard) {
    const std::filesystem::path file = m_dir / "rates.xlsx";
    Run(true, file);
    EXPECT_EQ(m_host.Messages(), std::vector<std::string>{"导出汇率体系成功！"});
    const int32_t rows = m_host.Db().Query("SELECT (SELECT COUNT(*) FROM t_ExchangeRate WHERE FLevels = 1) +"
                                           " (SELECT COUNT(*) FROM t_ExchangeRateEntry) AS n")
                             ->Field("n")
                             .ToLong();
    Run(false, file);
    const std::string total = std::to_string(rows);
    EXPECT_EQ(LastText(), "总行数：" + total + "\r\n成功行数：" + total + "\r\n失败行数：0\r\n导入汇率体系成功！\r\n");
}

// One refused row is reported as a failure: the wizard heads the lines.
TEST_F(RateTransfer, OneRefusedRowIsReportedAsAFailure) {
    const std::filesystem::path file = m_dir / "one.xlsx";
    using hub::workbook::Cell;
    auto writer = hub::workbook::CreateWriter(file, hub::workbook::Format::Xlsx);
    writer->AddSheet("汇率", {});
    writer->AddRow({Cell::OfText("汇率类型代码"), Cell::OfText("币别代码"), Cell::OfText("汇率"),
                    Cell::OfText("生效日期"), Cell::OfText("失效日期")});
    writer->AddRow({Cell::OfText("01"), Cell::OfText("USD"), Cell::OfNumber(-1),
                    Cell::OfDate(tolm::MakeDate(2001, 1, 1)), Cell::OfDate(tolm::MakeDate(2001, 1, 31))});
    writer->Close();
    Run(false, file);
    EXPECT_EQ(LastText(),
              "总行数：1\r\n成功行数：0\r\n失败行数：1\r\n\r\n以下数据行未导入：\r\n"
              "工作表[汇率]第2行：汇率值无效，请输入大于0的数值！\r\n");
}

// The list's commands open the dialog in their direction, as a person reaches it.
TEST(RateTransferFromTheList, ExportAndImportCommandsOpenTheDialog) {
    hub::test::TempDir dir;
    qel::test::HostFixture host("administrator", "chs", true, dir / "classes.json");
    host.Loader().RegisterLibrary(TOLM_PLUGIN_PATH);
    auto list = hub::RateListWindow::Create(host.Session());
    list->Open();
    const std::filesystem::path file = dir / "rates.xls";
    for (const char* key : {"mnuExpExRate", "mnuImpExRate"}) {
        host.Platform().QueueFormDriver([&](tolm::Form& form) {
            auto& dlg = dynamic_cast<qel::frmExpImpRate&>(form);
            host.Platform().QueueFile(file.string());
            driver::Click(dlg.cmdPath);
            driver::Click(dlg.cmdProcess);
        });
        list->Click(key);
    }
    list->Close();
    ASSERT_EQ(host.Platform().FileDialogs().size(), 2u);
    EXPECT_EQ(host.Platform().FileDialogs()[0].kind, tolm::FileDialogKind::Save);
    EXPECT_EQ(host.Platform().FileDialogs()[1].kind, tolm::FileDialogKind::Open);
    EXPECT_EQ(host.Messages(), std::vector<std::string>{"导出汇率体系成功！"});
    ASSERT_EQ(host.Platform().Texts().size(), 1u);
    EXPECT_NE(host.Platform().Texts()[0].text.find("导入汇率体系成功！"), std::string::npos);
}

}  // namespace
