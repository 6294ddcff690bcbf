#include "rate_transfer/frm_exp_imp_rate.h"

#include <memory>
#include <string>

#include "frame/language.h"
#include "frame/session_context.h"
#include "tolm/base_data.h"
#include "tolm/components.h"
#include "tolm/host_library.h"
#include "tolm/platform.h"
#include "tolm/registry.h"
#include "tolm/variant.h"

namespace qel {
namespace {

using tolm::ControlKind;

constexpr const char* CrLf = "\r\n";
constexpr const char* FileFilter = "Excel Files (*.xls)|*.xls|All Files (*.*)|*.*";

}  // namespace

frmExpImpRate::frmExpImpRate()
    : tolm::Form("frmExpImpRate"),
      lblPath(AddControl("lblPath", ControlKind::Label, {180, 120, 3465, 315}, 0)),
      txtPath(AddControl("txtPath", ControlKind::TextBox, {330, 450, 5145, 345}, 1)),
      cmdPath(AddControl("cmdPath", ControlKind::Button, {5550, 450, 345, 315}, 2)),
      cmdProcess(AddControl("cmdProcess", ControlKind::Button, {3030, 990, 1245, 375}, 3)),
      cmdCancel(AddControl("cmdCancel", ControlKind::Button, {4590, 990, 1245, 375}, 4)),
      lblTip(AddControl("lblTip", ControlKind::Label, {330, 1410, 5205, 345}, 5)) {
    SetCaption("汇率体系导入导出");
    SetClientSize(6060, 1815);
    cmdPath.SetText(">");

    Load = [this] { Form_Load(); };
    cmdPath.Click = [this] { cmdPath_Click(); };
    cmdProcess.Click = [this] { cmdProcess_Click(); };
    cmdCancel.Click = [this] { cmdCancel_Click(); };
}

frmExpImpRate::~frmExpImpRate() = default;

void frmExpImpRate::Show() { tolm::Platform()->ShowModal(*this); }

void frmExpImpRate::Form_Load() {
    LoadFormResources(*this);
    SetCaption(TranslateText("汇率体系导入导出"));
    cmdCancel.SetText(TranslateText("取消(&C)"));
    if (m_bExport) {
        lblPath.SetText(TranslateText("导出路径："));
        lblTip.SetText("* " + TranslateText("不导出禁用数据"));
        cmdProcess.SetText(TranslateText("导出(&E)"));
    } else {
        lblPath.SetText(TranslateText("导入路径："));
        lblTip.SetText("* " + TranslateText("导入时不覆盖已存在的数据") + "...");
        cmdProcess.SetText(TranslateText("导入(&I)"));
    }
}

void frmExpImpRate::cmdPath_Click() {
    // Each statement on its own: a cancelled dialog ends the handler with the path
    // as it was.
    tolm::FileDialogOptions options;
    tolm::Step([&] {
        options.flags = tolm::fd::OverwritePrompt;
        options.title = TranslateText("选择保存位置");
        options.filter = FileFilter;
        options.defaultExt = "xls";
        options.cancelError = true;
    });
    std::string sFile;
    const bool bChosen = tolm::Step([&] {
        sFile = tolm::ShowFileDialog(m_bExport ? tolm::FileDialogKind::Save : tolm::FileDialogKind::Open, options);
    });
    if (!bChosen) return;
    tolm::Step([&] { txtPath.SetText(sFile); });
}

void frmExpImpRate::cmdProcess_Click() {
    if (txtPath.Text().empty()) {
        GetMessageService()->ShowMessage(TranslateText("请选择路径。"));
        return;
    }
    cmdProcess.SetEnabled(false);
    if (m_bExport) {
        lblTip.SetText(TranslateText("正在导出汇率体系") + "...");
        ExportRateSystem();
    } else {
        lblTip.SetText(TranslateText("正在导入汇率体系") + "...");
        ImportRateSystem();
    }
    lblTip.SetVisible(false);
    cmdProcess.SetEnabled(true);
    Unload();
}

void frmExpImpRate::cmdCancel_Click() { Unload(); }

void frmExpImpRate::ExportRateSystem() {
    OnErrorReportToUser([&] {
        std::string sPath = txtPath.Text();
        auto colMessages = std::make_shared<tolm::Collection>();
        bool bSuccess = false;
        {
            WaitCursor oWait;
            auto oWizard = tolm::CreateObject<tolm::ITransferWizard>(tolm::classname::TransferWizard);
            std::string sOut;
            bool bOut = false;
            bSuccess = oWizard
                           ->Export(GetPropsString(), tolm::ExchangeRateClassTypeId, tolm::ExchangeRateClassTypeId, sOut,
                                    "", int16_t{2}, "", int16_t{4}, sPath, bOut, int16_t{0}, "", "", colMessages)
                           .ToBool();
        }
        if (bSuccess) {
            GetMessageService()->ShowMessage(TranslateText("导出汇率体系成功！"));
            return;
        }
        std::string sReport;
        for (int32_t i = 1; i <= colMessages->Count(); ++i) {
            const std::string sLine = colMessages->Item(i).ToText();
            if (!sLine.empty()) sReport += CrLf + sLine;
        }
        colMessages->Clear();
        auto oNotation = tolm::CreateObject<tolm::INotation>(tolm::classname::Notation);
        oNotation->SetText(sReport);
        oNotation->ShowDialog();
    });
}

void frmExpImpRate::ImportRateSystem() {
    OnErrorReportToUser([&] {
        std::string sPath = txtPath.Text();
        auto colMessages = std::make_shared<tolm::Collection>();
        tolm::Variant vResult;
        {
            WaitCursor oWait;
            auto oWizard = tolm::CreateObject<tolm::ITransferWizard>(tolm::classname::TransferWizard);
            bool bOut = false;
            vResult = oWizard->ImportFromData(GetPropsString(), int16_t{4}, sPath, "", nullptr, colMessages, int16_t{0},
                                              int16_t{0}, int16_t{0}, false, nullptr, bOut, false);
        }
        // A result without its page or its count reports 0 rows.
        int32_t lTotal = 0;
        tolm::OnErrorSilent([&] {
            lTotal = vResult.As<tolm::Dictionary>()->Item("Page1").As<tolm::IImportPage>()->RecordCount();
        });

        const int32_t n = colMessages->Count();
        std::string sReport;
        auto line = [&](const char* sCaption, int32_t lValue) {
            sReport += TranslateText(sCaption) + std::to_string(lValue) + CrLf;
        };
        if (n <= 1) {
            const int32_t lFailed = 0;
            line("总行数：", lTotal);
            line("成功行数：", lTotal - lFailed > 0 ? lTotal - lFailed : 0);
            line("失败行数：", lFailed);
            sReport += TranslateText("导入汇率体系成功！") + CrLf;
        } else {
            std::string sMessages;
            for (int32_t i = 1; i <= n; ++i) {
                const tolm::Variant& vItem = colMessages->Item(i);
                if (vItem.Type() == tolm::VarType::String && !vItem.ToString().empty()) {
                    sMessages += CrLf + vItem.ToString();
                }
            }
            const int32_t lFailed = n - 1;
            line("总行数：", lTotal);
            line("成功行数：", lTotal - lFailed > 0 ? lTotal - lFailed : 0);
            line("失败行数：", lTotal == 0 ? 0 : lFailed);
            sReport += sMessages + CrLf;
            colMessages->Clear();
        }
        auto oNotation = tolm::CreateObject<tolm::INotation>(tolm::classname::Notation);
        oNotation->SetText(sReport);
        oNotation->ShowDialog(TranslateText("导入结果"));
    });
}

}  // namespace qel
