#include "exrate_editor/ex_rate_bill_edit.h"

#include <string>

#include "frame/constants.h"
#include "frame/help_topics.h"
#include "frame/language.h"
#include "frame/session_context.h"
#include "tolm/rate_bill_menu.h"
#include "tolm/base_data.h"
#include "tolm/variant.h"

namespace qel {
namespace {

// Value kinds of a head field.
constexpr int32_t FieldValue = 1;
constexpr int32_t FieldText = 3;

// A rate as the editor holds it: nothing entered counts as 0.
double RateValue(const tolm::Variant& vRate) {
    if (vRate.IsEmpty() || vRate.IsNull()) return 0;
    if (vRate.Type() == tolm::VarType::String && vRate.ToText().find_first_not_of(' ') == std::string::npos) return 0;
    return vRate.ToDouble();
}

// A date field as the checks compare it: a date (or text that reads as one) written
// yyyy-MM-dd; anything else as it stands, so that reading never fails before the
// checks have run in their order.
std::string DateText(const tolm::Variant& vValue) {
    std::string sText;
    if (vValue.Type() == tolm::VarType::Date) return tolm::FormatDate(vValue.ToDate(), "yyyy-MM-dd");
    sText = vValue.ToText();
    tolm::OnErrorSilent([&] { sText = tolm::FormatDate(tolm::Variant(sText).ToDate(), "yyyy-MM-dd"); });
    return sText;
}

// Code and name go between single quotes in the follow-up statement.
std::string QuoteSafe(const std::string& sText) {
    std::string sResult;
    for (char c : sText) {
        sResult += c;
        if (c == '\'') sResult += '\'';
    }
    return sResult;
}

}  // namespace

CExRateBillEdit::CExRateBillEdit() = default;

CExRateBillEdit::~CExRateBillEdit() {
    m_oEvents.Disconnect();
    m_BillInterface.reset();
}

void CExRateBillEdit::Show(const std::shared_ptr<tolm::IBillInterface>& oBillInterface) {
    m_BillInterface = oBillInterface;
    m_oEvents.Connect(m_BillInterface, std::make_shared<BillSink<CExRateBillEdit>>(weak_from_this()));
    tolm::Deref(m_BillInterface).SetCaption(TranslateText("汇率"));
}

void CExRateBillEdit::HideTool(const std::shared_ptr<tolm::IMenuBar>& oMenuBar, const char* sBand, const char* sTool) {
    // Each statement on its own: a band or tool the host does not have skips only it.
    tolm::Step([&] {
        tolm::Deref(tolm::Deref(tolm::Deref(tolm::Deref(oMenuBar).Band(sBand)).Tools()).Item(sTool)).SetVisible(false);
    });
    tolm::Step([&] {
        tolm::Deref(tolm::Deref(tolm::Deref(tolm::Deref(oMenuBar).Band(sBand)).Tools()).Item(sTool)).SetEnabled(false);
    });
}

void CExRateBillEdit::m_BillInterface_MenuBarInitialize(const std::shared_ptr<tolm::IMenuBar>& oMenuBar) {
    for (const tolm::BandTool& tool : tolm::RateBillHiddenTools) HideTool(oMenuBar, tool.band, tool.tool);
}

void CExRateBillEdit::m_BillInterface_AfterNewBill() {
    m_lParentID = GetParentTypeId();
    m_BillInterface->SetHeadValue("FExchangeRateType", tolm::Variant(m_lParentID), true);
    ApplyRateDigits();
    m_BillInterface->SetStatusText(1, "Ready");
}

void CExRateBillEdit::m_BillInterface_AfterLoadBill() {
    m_lParentID = GetParentTypeId();
    ApplyRateDigits();
    LockAuditedRate();
}

int32_t CExRateBillEdit::GetParentTypeId() {
    int32_t lResult = 0;
    tolm::OnErrorSilent([&] {
        const std::string sFilter = tolm::Deref(m_BillInterface->Parameter()).Filter("FilterString").ToText();
        static constexpr std::string_view Key = "FParentID=";
        const size_t lKey = sFilter.find(Key);
        if (lKey == std::string::npos) return;
        const size_t lStart = lKey + Key.size();
        // The value ends at the next blank, or at the end of the text.
        const size_t lEnd = sFilter.find(' ', lStart);
        const std::string sValue =
            sFilter.substr(lStart, lEnd == std::string::npos ? std::string::npos : lEnd - lStart);
        // Only a value that begins with a digit names a type.
        if (sValue.empty() || sValue[0] < '0' || sValue[0] > '9') return;
        lResult = tolm::Variant(tolm::LeadingNumber(sValue)).ToLong();
    });
    return lResult;
}

void CExRateBillEdit::ApplyRateDigits() {
    tolm::OnErrorSilent([&] {
        if (m_lParentID == 0) m_lParentID = GetParentTypeId();
        auto rs = tolm::Deref(m_BillInterface->DataAccess())
                      .Query("select FDigits from t_ExchangeRate where FID=" + std::to_string(m_lParentID));
        if (!tolm::Deref(rs).IsEOF()) {
            m_lDigits = rs->Field("FDigits").ToLong();
            std::string sPage;
            int32_t lIndex = 0;
            auto oControl = m_BillInterface->GetControl("FExchangeRate", sPage, lIndex);
            m_BillInterface->SetControlDecimals(oControl, 0, m_lDigits);
        }
        auto& oTool =
            tolm::Deref(tolm::Deref(tolm::Deref(tolm::Deref(m_BillInterface->MenuBar()).Band("mnuFile")).Tools())
                            .Item("mnuFilePrint"));
        oTool.SetVisible(false);
        oTool.SetEnabled(false);
    });
}

void CExRateBillEdit::LockAuditedRate() {
    if (tolm::ZeroPrefixedLong(m_BillInterface->GetHeadValue("FChkUserID", 1, FieldValue)) == 0) return;
    for (const char* sKey : {"FBase", "FExchangeRate", "FBegDate", "FEndDate"}) {
        std::string sPage;
        int32_t lIndex = 0;
        m_BillInterface->LockControl(m_BillInterface->GetControl(sKey, sPage, lIndex), 0, true);
    }
    m_BillInterface->SetStatusText(1, TranslateText("该汇率已审核，不允许修改。"));
}

void CExRateBillEdit::m_BillInterface_HelpHandler(int16_t, int16_t, int32_t& iHelpId, const std::string&,
                                                  const std::string&, int32_t, int32_t&) {
    iHelpId = m_BillInterface->Mode() == 1 ? help::RateEditorNew : help::RateEditorModify;
}

void CExRateBillEdit::m_BillInterface_BeforeSave(bool& bCancel) {
    // A check that cannot be made must not let an unchecked rate through: the save is
    // refused and the person is told why.
    const bool bChecked = OnErrorReportToUser([&] { CheckBeforeSave(bCancel); });
    if (!bChecked) bCancel = true;
}

void CExRateBillEdit::CheckBeforeSave(bool& bCancel) {
    auto& bill = *m_BillInterface;
    const std::string sBegin = DateText(bill.GetHeadValue("FBegDate", 1, FieldValue));
    const std::string sEnd = DateText(bill.GetHeadValue("FEndDate", 1, FieldValue));
    const std::string sCurrencyText = bill.GetHeadValue("FBase", 1, FieldText).ToText();
    const std::string sPropertyText = bill.GetHeadValue("FBaseProperty", 1, FieldText).ToText();
    const int32_t lCurrencyID = bill.GetHeadValue("FBase", 1, FieldValue).ToLong();
    const int32_t lRecordID = tolm::ZeroPrefixedLong(bill.GetHeadValue("FID", 1, FieldValue));
    const int32_t lAuditor = tolm::ZeroPrefixedLong(bill.GetHeadValue("FChkUserID", 1, FieldValue));
    const double dblRate = RateValue(bill.GetHeadValue("FExchangeRate", 1, FieldValue));

    auto refuse = [&](const char* sMessage) {
        GetMessageService()->ShowMessage(TranslateText(sMessage));
        bCancel = true;
    };
    if (lAuditor != 0) return refuse("该汇率已审核，不允许修改。");
    if (lCurrencyID == tolm::HomeCurrencyId) return refuse("不允许录入本位币汇率，请选择其它币别。");
    if (dblRate <= 0) return refuse("汇率值无效，请输入大于0的数值！");
    const tolm::DateTime dBegin = tolm::Variant(sBegin).ToDate();
    if (tolm::Variant(sEnd).ToDate() < dBegin) return refuse("生效日期不能后于失效日期！");

    const auto filler = GetTemplateFiller();
    const std::string sOverlap = filler->FillTemplate(
        std::string("select 1 from t_exchangerateEntry where FID<>%1 and FCyTo=%2 and FExchangeRateType=%3 ") +
            " and NOT (FBegDate>'%4' or FEndDate<'%5' )",
        {lRecordID, lCurrencyID, m_lParentID, sEnd, sBegin});
    if (!tolm::Deref(tolm::Deref(bill.DataAccess()).Query(sOverlap)).IsEOF()) {
        return refuse("已存在同一汇率类型、同一币别、同一日期的汇率数据。");
    }

    std::string sTypeNumber;
    std::string sTypeName;
    auto rsType = tolm::Deref(bill.DataAccess())
                      .Query("select FNumber,FName from t_ExchangeRate where FID=" + std::to_string(m_lParentID));
    if (!tolm::Deref(rsType).IsEOF()) {
        sTypeNumber = rsType->Field("FNumber").ToText();
        sTypeName = rsType->Field("FName").ToText();
    }
    const std::string sDateKey = tolm::FormatDate(dBegin, "yyyyMMdd");
    bill.SetHeadValue("FNumber",
                      tolm::Variant(filler->FillTemplate("%1.%2.%3", {sTypeNumber, sCurrencyText, sDateKey})), true);
    bill.SetHeadValue("FName", tolm::Variant(filler->FillTemplate("%1.%2.%3", {sTypeName, sPropertyText, sDateKey})),
                      true);
}

void CExRateBillEdit::m_BillInterface_SaveBillSuccess(const std::shared_ptr<tolm::Dictionary>& dctData) {
    tolm::OnErrorSilent([&] {
        auto& bill = *m_BillInterface;
        const std::string sNumber = bill.GetHeadValue("FNumber", 1, FieldValue).ToText();
        const std::string sName = bill.GetHeadValue("FName", 1, FieldValue).ToText();
        const double dblRate = RateValue(bill.GetHeadValue("FExchangeRate", 1, FieldValue));
        const int32_t lRecordID = tolm::ZeroPrefixedLong(tolm::Deref(dctData).Item("FID"));

        const std::string sRateText = tolm::FormatFixed(dblRate, m_lDigits);
        if (dblRate == 0) throw tolm::HostError(tolm::err::DivisionByZero, "Division by zero");
        const double dblReverse = tolm::RoundHalfEven(1.0 / dblRate, m_lDigits);

        const auto filler = GetTemplateFiller();
        const std::string sEntry = filler->FillTemplate(
            std::string(
                "update t_ExchangeRateEntry set FNumber='%1',FName='%2',FReverseExRate=%3,FExchangeRateType=%4 ") +
                "where FID=%5",
            {QuoteSafe(sNumber), QuoteSafe(sName), dblReverse, m_lParentID, lRecordID});
        const std::string sHeader = filler->FillTemplate("update t_ExchangeRate set FLevels=2, FDigits=%1 where FID=%2",
                                                         {m_lDigits, lRecordID});
        tolm::Deref(bill.DataAccess()).Execute(sEntry + "\r\n" + sHeader + "\r\n" + TouchClassTypeSql);

        const int32_t lMode = bill.Mode();
        if (lMode == 1) {
            WriteOperationLog("QEL1014002_mnuFileNewItem", LogOperationKind,
                              FormatText("新增汇率完成-代码：[%1] 汇率：[%2]", {sNumber, sRateText}), "", "");
        } else if (lMode == 2) {
            WriteOperationLog("QEL1014002_mnuEditModify", LogOperationKind,
                              FormatText("修改汇率完成-代码：[%1] 汇率：[%2]", {sNumber, sRateText}), "", "");
        }
    });
}

}  // namespace qel
