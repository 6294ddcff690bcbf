#include "exrate_types/frm_ex_rate_type_edit.h"

#include <optional>

#include "frame/constants.h"
#include "frame/help.h"
#include "frame/help_topics.h"
#include "frame/language.h"
#include "frame/session_context.h"
#include "tolm/base_data.h"
#include "tolm/components.h"
#include "tolm/host_library.h"
#include "tolm/registry.h"
#include "tolm/text.h"
#include "tolm/variant.h"

namespace qel {
namespace {

using tolm::ControlKind;

constexpr int16_t Refused = 0;

bool InRange(int16_t iKeyAscii, char cFirst, char cLast) { return iKeyAscii >= cFirst && iKeyAscii <= cLast; }

// A column as text; NULL as the empty text.
std::string ColumnText(const tolm::IRecordset& rs, const char* sColumn) {
    const tolm::Variant vValue = rs.Field(sColumn);
    return vValue.IsNull() || vValue.IsEmpty() ? std::string() : vValue.ToText();
}

// A precision text as a number; nothing when it does not convert.
std::optional<int32_t> DigitsValue(const std::string& sText) {
    std::optional<int32_t> lResult;
    tolm::OnErrorSilent([&] { lResult = tolm::Variant(sText).ToLong(); });
    return lResult;
}

}  // namespace

frmExRateTypeEdit::frmExRateTypeEdit()
    : tolm::Form("frmExRateTypeEdit"),
      lblNumber(AddControl("lblNumber", ControlKind::Label, {210, 150, 1335, 285}, 0)),
      txtNumber(AddControl("txtNumber", ControlKind::TextBox, {1710, 120, 3285, 345}, 1)),
      lblName(AddControl("lblName", ControlKind::Label, {210, 570, 1335, 285}, 2)),
      txtName(AddControl("txtName", ControlKind::TextBox, {1710, 540, 3285, 345}, 3)),
      lblDigits(AddControl("lblDigits", ControlKind::Label, {210, 990, 1455, 405}, 4)),
      txtDigits(AddControl("txtDigits", ControlKind::TextBox, {1710, 960, 3285, 345}, 5)),
      lblNote(AddControl("lblNote", ControlKind::Label, {210, 1440, 1335, 285}, 6)),
      txtNote(AddControl("txtNote", ControlKind::TextBox, {1710, 1380, 3285, 765}, 7)),
      cmdOK(AddControl("cmdOK", ControlKind::Button, {2280, 2340, 1125, 375}, 8)),
      cmdCancel(AddControl("cmdCancel", ControlKind::Button, {3840, 2340, 1125, 375}, 9)) {
    SetCaption("汇率类型");
    SetClientSize(5160, 2850);
    SetFont("宋体", 9);
    SetKeyPreview(true);
    lblNumber.SetText("代码 (*)：");
    txtNumber.SetMaxLength(20);
    lblName.SetText("名称 (*)：");
    txtName.SetMaxLength(40);
    lblDigits.SetText("汇率精度 (*)：");
    txtDigits.SetText("4");
    lblNote.SetText("备注：");
    txtNote.SetMultiLine(true);
    txtNote.SetMaxLength(300);
    cmdOK.SetText("确定(&O)");
    cmdCancel.SetText("取消(&C)");

    Load = [this] { Form_Load(); };
    Activate = [this] { Form_Activate(); };
    KeyDown = [this](int16_t& KeyCode, int16_t Shift) { Form_KeyDown(KeyCode, Shift); };
    Unloaded = [this] { Form_Unload(); };
    txtNumber.KeyPress = [this](int16_t& KeyAscii) { txtNumber_KeyPress(KeyAscii); };
    txtName.KeyPress = [this](int16_t& KeyAscii) { txtName_KeyPress(KeyAscii); };
    txtDigits.KeyPress = [this](int16_t& KeyAscii) { txtDigits_KeyPress(KeyAscii); };
    for (tolm::FormControl* pField : {&txtNumber, &txtName, &txtDigits, &txtNote}) {
        tolm::FormControl& field = *pField;
        field.Change = [this, &field] { Field_Change(field); };
        field.GotFocus = [this, &field] { Field_GotFocus(field); };
    }
    txtDigits.LostFocus = [this] { txtDigits_LostFocus(); };
    cmdOK.Click = [this] { cmdOK_Click(); };
    cmdCancel.Click = [this] { cmdCancel_Click(); };
}

frmExRateTypeEdit::~frmExRateTypeEdit() = default;

void frmExRateTypeEdit::SetListInterface(const std::shared_ptr<tolm::IBaseListInterface>& objValue) {
    m_ListInterface = objValue;
}

// ---- loading ------------------------------------------------------------------------------

void frmExRateTypeEdit::Form_Load() {
    LoadFormResources(*this);
    ApplyCaptions();
    if (m_lItemID != 0) {
        auto rs = tolm::Deref(tolm::Deref(m_ListInterface).DataAccess())
                      .Query("select FNumber,FName,FDigits,FRemark from t_ExchangeRate where FID=" +
                             std::to_string(m_lItemID));
        if (!tolm::Deref(rs).IsEOF()) {
            txtNumber.SetText(ColumnText(*rs, "FNumber"));
            txtName.SetText(ColumnText(*rs, "FName"));
            // A type stored without a precision is shown, and kept, with the one a
            // new type gets: an empty field would read as 0 and could not be compared.
            std::string sDigits = ColumnText(*rs, "FDigits");
            if (tolm::text::IsBlank(sDigits)) sDigits = DefaultDigits;
            txtDigits.SetText(sDigits);
            m_sDigits = sDigits;
            txtNote.SetText(ColumnText(*rs, "FRemark"));
        }
        rs.reset();
        if (m_lItemID < tolm::FirstUserTypeId) {
            txtName.SetLocked(true);
            txtNumber.SetLocked(true);
        }
        cmdOK.SetEnabled(false);
    } else {
        ResetFields();
    }
}

void frmExRateTypeEdit::Form_Activate() { FocusIfEditable(txtNumber); }

void frmExRateTypeEdit::FocusIfEditable(tolm::FormControl& control) {
    if (control.Visible() && !control.Locked()) control.SetFocus();
}

void frmExRateTypeEdit::ApplyCaptions() {
    tolm::Step([&] { SetCaption(TranslateText("汇率类型")); });
    tolm::Step([&] { cmdCancel.SetText(TranslateText("取消(&C)")); });
    tolm::Step([&] { cmdOK.SetText(TranslateText("确定(&O)")); });
    tolm::Step([&] { lblNote.SetText(TranslateText("备注：")); });
    tolm::Step([&] { lblDigits.SetText(TranslateText("汇率精度 (*)：")); });
    tolm::Step([&] { lblName.SetText(TranslateText("名称 (*)：")); });
    tolm::Step([&] { lblNumber.SetText(TranslateText("代码 (*)：")); });
}

void frmExRateTypeEdit::ResetFields() {
    m_lItemID = 0;
    txtNumber.SetText("");
    txtName.SetText("");
    txtDigits.SetText(DefaultDigits);
    m_sDigits = DefaultDigits;
    txtNote.SetText("");
    FocusIfEditable(txtNumber);
}

// ---- keys, changes and focus ----------------------------------------------------------------

void frmExRateTypeEdit::Form_KeyDown(int16_t& KeyCode, int16_t /*Shift*/) {
    if (KeyCode != tolm::KeyF1) return;
    ShowHELP(KeyCode, m_lItemID == 0 ? help::TypeDialogNew : help::TypeDialogModify, "", 0, "", 0);
    KeyCode = 0;
}

void frmExRateTypeEdit::txtNumber_KeyPress(int16_t& KeyAscii) {
    const bool bAccepted = InRange(KeyAscii, '0', '9') || InRange(KeyAscii, 'a', 'z') ||
                           InRange(KeyAscii, 'A', 'Z') || KeyAscii == '-' || KeyAscii == tolm::KeyBackspace;
    if (!bAccepted) KeyAscii = Refused;
}

void frmExRateTypeEdit::txtName_KeyPress(int16_t& KeyAscii) {
    if (KeyAscii == '\'' || KeyAscii == '"') KeyAscii = Refused;
}

void frmExRateTypeEdit::txtDigits_KeyPress(int16_t& KeyAscii) {
    if (!InRange(KeyAscii, '0', '9') && KeyAscii != tolm::KeyBackspace) KeyAscii = Refused;
}

void frmExRateTypeEdit::Field_Change(tolm::FormControl& control) {
    cmdOK.SetEnabled(true);
    if (&control == &txtDigits && tolm::text::IsBlank(txtDigits.Text())) txtDigits.SetText("0");
}

void frmExRateTypeEdit::Field_GotFocus(tolm::FormControl& control) { GetMessageService()->SelectAllText(control); }

void frmExRateTypeEdit::txtDigits_LostFocus() {
    if (m_lItemID == 0) return;
    // A text that does not convert (pasted, or too many digits) is no lowering:
    // OK refuses it and says why.
    const std::optional<int32_t> lTyped = DigitsValue(txtDigits.Text());
    const std::optional<int32_t> lStored = DigitsValue(m_sDigits);
    if (!lTyped || !lStored || *lTyped >= *lStored) return;

    const std::string sSql = GetTemplateFiller()->FillTemplate(
        "select top 1 1 from t_ExchangeRate where FParentID=%1 and FIsNativeRate<>1", {m_lItemID});
    auto rs = tolm::Deref(tolm::Deref(m_ListInterface).DataAccess()).Query(sSql);
    if (!tolm::Deref(rs).IsEOF()) {
        GetMessageService()->ShowMessage(TranslateText("已存在汇率记录，修改后的汇率精度不能小于当前汇率精度。"));
        txtDigits.SetText(m_sDigits);
    }
}

// ---- OK and Cancel ------------------------------------------------------------------------------

void frmExRateTypeEdit::cmdOK_Click() {
    bool bSaved = false;
    OnErrorReportToUser([&] { bSaved = SaveType(); });
    if (bSaved && m_lItemID != 0) Unload();
    if (bSaved && m_lItemID == 0) ResetFields();
}

bool frmExRateTypeEdit::SaveType() {
    const std::string sNumber(tolm::text::Trim(txtNumber.Text()));
    const std::string sName(tolm::text::Trim(txtName.Text()));
    const int32_t lDigits = tolm::Variant(txtDigits.Text()).ToLong();
    const std::string sRemark(tolm::text::Trim(txtNote.Text()));

    auto refuse = [&](const char* sMessage, tolm::FormControl& field) {
        GetMessageService()->ShowMessage(TranslateText(sMessage));
        field.SetFocus();
        return false;
    };
    if (sNumber.empty()) return refuse("代码不能为空！", txtNumber);
    if (sName.empty()) return refuse("名称不能为空！", txtName);
    if (lDigits > MaxDigits) return refuse("汇率精度最大值为10，请修改。", txtDigits);

    auto oRecord = std::make_shared<tolm::NameValueRecord>();
    oRecord->SetValue("FNumber", tolm::Variant(sNumber));
    oRecord->SetValue("FName", tolm::Variant(sName));
    oRecord->SetValue("FDigits", tolm::Variant(lDigits));
    oRecord->SetValue("FRemark", tolm::Variant(sRemark));
    oRecord->SetValue("FID", tolm::Variant(m_lItemID));
    {
        auto oUpdate = tolm::CreateObject<tolm::IExRateUpdate>(tolm::classname::ExRateUpdate);
        if (m_lItemID != 0) {
            oUpdate->UpdateExchangeRateType(GetPropsString(), oRecord);
        } else {
            oUpdate->CreateExchangeRateType(GetPropsString(), oRecord);
        }
    }
    const char* sTemplate =
        m_lItemID != 0 ? "修改汇率类型完成-代码：[%1] 名称：[%2]" : "新增汇率类型完成-代码：[%1] 名称：[%2]";
    WriteOperationLog("QEL1014002_mnuFileNewItem", LogOperationKind, FormatText(sTemplate, {sNumber, sName}), "", "");
    return true;
}

void frmExRateTypeEdit::cmdCancel_Click() { Unload(); }

void frmExRateTypeEdit::Form_Unload() { m_ListInterface.reset(); }

}  // namespace qel
