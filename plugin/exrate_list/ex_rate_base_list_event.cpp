#include "exrate_list/ex_rate_base_list_event.h"

#include "exrate_types/ex_rate_type.h"
#include "frame/constants.h"
#include "frame/help_topics.h"
#include "frame/language.h"
#include "frame/resources.h"
#include "frame/session_context.h"
#include "rate_transfer/frm_exp_imp_rate.h"
#include "tolm/components.h"
#include "tolm/platform.h"
#include "tolm/registry.h"
#include "tolm/text.h"

namespace qel {
namespace {

// The right bits of base data (subsystem 65001) that guard the rate-system transfer.
constexpr int32_t BaseDataSubsystem = 65001;
constexpr int32_t RightImport = 0x1000000;
constexpr int32_t RightExport = 0x800000;

// The column whose cells take the type's decimal places.
constexpr const char* RateColumn = "FExchangeRate";

// A tool of a band; raises when the band or the tool is missing.
tolm::ITool& BandTool(const std::shared_ptr<tolm::IMenuBar>& oMenuBar, const char* sBand, const char* sTool) {
    return tolm::Deref(tolm::Deref(tolm::Deref(tolm::Deref(oMenuBar).Band(sBand)).Tools()).Item(sTool));
}

// A new command added to the menu bar's global tools, shaped, then inserted into a
// band at the place of another; every statement is a step of its own.
void AddCommand(const std::shared_ptr<tolm::IMenuBar>& oMenuBar, const char* sKey, const char* sCaption,
                const char* sTip, bool bShowCaption, const char* sBand, const char* sAtKey) {
    std::shared_ptr<tolm::ITool> oTool;
    tolm::Step([&] { oTool = tolm::Deref(tolm::Deref(oMenuBar).Tools()).Add(sKey); });
    tolm::Step([&] { tolm::Deref(oTool).SetCaption(TranslateText(sCaption)); });
    tolm::Step([&] { tolm::Deref(oTool).SetToolTipText(TranslateText(sTip)); });
    tolm::Step([&] { tolm::Deref(oTool).SetDescription(TranslateText(sTip)); });
    tolm::Step([&] { tolm::Deref(oTool).SetStyle(0); });
    tolm::Step([&] { tolm::Deref(oTool).SetVisible(true); });
    tolm::Step([&] { tolm::Deref(oTool).SetEnabled(true); });
    tolm::Step([&] { tolm::Deref(oTool).SetShowCaption(bShowCaption); });
    tolm::Step([&] {
        tolm::Deref(tolm::Deref(tolm::Deref(oMenuBar).Band(sBand)).Tools()).Insert(sAtKey, oTool);
    });
}

// The picture of a command, given to the tool itself: the person's clipboard is
// never used for it.
void SetCommandPicture(const std::shared_ptr<tolm::IMenuBar>& oMenuBar, const char* sTool, int32_t lPicture) {
    tolm::Bitmap picture;
    if (!tolm::Step([&] { picture = LoadResPicture(lPicture); })) return;
    for (const char* sBand : {"mnuEdit", "BandToolBar"}) {
        tolm::Step([&] { BandTool(oMenuBar, sBand, sTool).SetPicture(0, picture, tolm::ToolImageMaskColor); });
    }
}

}  // namespace

CExRateBaseListEvent::CExRateBaseListEvent() = default;

CExRateBaseListEvent::~CExRateBaseListEvent() {
    m_oEvents.Disconnect();
    m_oExRateType.reset();
    m_BaseListInterface.reset();
    m_dctDigits.reset();
}

void CExRateBaseListEvent::Show(const std::shared_ptr<tolm::IBaseListInterface>& oBaseListInterface) {
    m_BaseListInterface = oBaseListInterface;
    m_oEvents.Connect(m_BaseListInterface, std::make_shared<BaseListSink<CExRateBaseListEvent>>(weak_from_this()));
    auto oExRateType = std::make_shared<CExRateType>();
    oExRateType->SetListInterface(m_BaseListInterface);
    m_oExRateType = std::move(oExRateType);
    m_BaseListInterface->SetShowClassGroups(true);
    m_BaseListInterface->SetSortText(SortByBeginDate);
    m_sPeriodFilter.clear();
    m_bTouchPending = false;
    m_dctDigits = std::make_shared<tolm::Dictionary>();
    InitListView();
}

void CExRateBaseListEvent::InitListView() {
    BuildListFilter(m_BaseListInterface->FindMode());
    LoadDigits();
}

// ---- menus ------------------------------------------------------------------------------------

void CExRateBaseListEvent::m_BaseListInterface_MenuBarInitialize(const std::shared_ptr<tolm::IMenuBar>& oMenuBar) {
    AddCommand(oMenuBar, "mnuExpExRate", "导出汇率体系(&E)...", "导出汇率体系", true, "mnuFile", "mnuFileNewItem");
    tolm::Step([&] { BandTool(oMenuBar, "mnuFile", "mnuExpExRate").SetShowCaption(true); });
    AddCommand(oMenuBar, "mnuImpExRate", "导入汇率体系(&I)...", "导入汇率体系", false, "mnuFile", "mnuExpExRate");
    AddCommand(oMenuBar, "mnuTheSameCheckUser", "反审核和审核为同一人(&L)", "反审核和审核为同一人", false, "mnuEdit",
               "mnuUnCheck");

    tolm::Step([&] {
        auto oSecurity = tolm::CreateObject<tolm::ISecurityInfo>(tolm::classname::SecurityInfo);
        const bool bAdministrator = oSecurity->IsAdministrator(GetPropsString());
        BandTool(oMenuBar, "mnuEdit", "mnuTheSameCheckUser").SetEnabled(bAdministrator);
    });
    tolm::Step([&] {
        auto oProfile = tolm::CreateObject<tolm::ISystemProfile>(tolm::classname::SystemProfile);
        const tolm::Variant vValue = oProfile->GetProfile(GetPropsString(), "BaseData", "CheckUser");
        // Nothing stored reads as 0: not ticked.
        const bool bTicked = !vValue.IsEmpty() && !vValue.IsNull() && vValue.IsNumeric() && vValue.ToDouble() > 0;
        BandTool(oMenuBar, "mnuEdit", "mnuTheSameCheckUser").SetChecked(bTicked);
    });

    tolm::Step([&] { BandTool(oMenuBar, "mnuFile", "mnuFileNewItem").SetCaption(TranslateText("新增汇率")); });
    tolm::Step([&] { BandTool(oMenuBar, "mnuFile", "mnuFileNewItem").SetToolTipText(TranslateText("新增汇率")); });

    SetCommandPicture(oMenuBar, "mnuCheck", PictureAudit);
    SetCommandPicture(oMenuBar, "mnuUnCheck", PictureReverseAudit);
    tolm::Step([&] { BandTool(oMenuBar, "BandToolBar", "mnuCheck").SetToolTipText(TranslateText("审核")); });
    tolm::Step([&] { BandTool(oMenuBar, "BandToolBar", "mnuUnCheck").SetToolTipText(TranslateText("反审核")); });

    for (const char* sTool : {"mnuFilePrintNoteSetup", "mnuFileNotePreview", "mnuFileNotePrint",
                              "mnuFileEconomizePaper"}) {
        tolm::Step([&] { BandTool(oMenuBar, "mnuFile", sTool).SetVisible(false); });
        tolm::Step([&] { BandTool(oMenuBar, "mnuFile", sTool).SetEnabled(false); });
    }
}

// ---- commands ----------------------------------------------------------------------------------

bool CExRateBaseListEvent::TreeHasFocus() const {
    return tolm::text::AsciiUpper(tolm::Deref(m_BaseListInterface->ActiveControl()).TypeName()) == "TREEVIEW";
}

void CExRateBaseListEvent::m_BaseListInterface_MenuBarClick(const std::shared_ptr<tolm::ITool>& QELTool, bool& Cancel) {
    OnErrorReportToUser([&] {
        const std::string sKey = tolm::Deref(QELTool).Key();
        if (sKey == "mnuDataRefesh") {
            RefreshTypeTree();
            // Types may have changed in the type list or through an import meanwhile.
            LoadDigits();
        } else if (sKey == "mnuImpExRate") {
            if (HasRight(GetPropsString(), BaseDataSubsystem, 0, RightImport, "")) {
                ShowTransferDialog(false);
                RefreshTypeTree();
                LoadDigits();
            } else {
                GetMessageService()->ShowMessage(TranslateText("对不起，没有权限使用该功能。"));
            }
        } else if (sKey == "mnuExpExRate") {
            if (HasRight(GetPropsString(), BaseDataSubsystem, 0, RightExport, "")) {
                ShowTransferDialog(true);
            } else {
                GetMessageService()->ShowMessage(TranslateText("对不起，没有权限使用该功能。"));
            }
        } else if (sKey == "mnuFileNewItem") {
            const int32_t lViewCode = m_BaseListInterface->ViewCode();
            if (TreeHasFocus() || lViewCode == 1) {
                m_oExRateType->EditExRateType(0);
                LoadDigits();
                RefreshTypeTree();
                Cancel = true;
            }
        } else if (sKey == "mnuEditModify") {
            ModifyCommand(Cancel);
        } else if (sKey == "mnuEditDel") {
            if (TreeHasFocus()) {
                if (m_oExRateType->DeleteExRateType(m_BaseListInterface->SelectedClassId())) RefreshTypeTree();
                Cancel = true;
            }
        } else if (sKey == "mnuCheck") {
            if (!CheckRates(true)) Cancel = true;
        } else if (sKey == "mnuUnCheck") {
            if (!CheckRates(false)) Cancel = true;
        } else if (sKey == "mnuTheSameCheckUser") {
            SameCheckUserCommand(QELTool);
        } else if (sKey == "mnuEditUnuse" || sKey == "mnuEditUse") {
            m_bTouchPending = true;
        }
    });
}

void CExRateBaseListEvent::ModifyCommand(bool& Cancel) {
    if (TreeHasFocus()) {
        const int32_t lTypeID = m_BaseListInterface->SelectedClassId();
        Cancel = true;
        // No type selected: there is nothing to modify (0 would open a new type).
        if (lTypeID == 0) return;
        m_oExRateType->EditExRateType(lTypeID);
        LoadDigits();
        RefreshTypeTree();
        return;
    }
    const int32_t lItemID = m_BaseListInterface->CurrentRecordId();
    if (lItemID == 0) {
        Cancel = true;
        return;
    }
    const tolm::Variant vRecord = tolm::Deref(m_BaseListInterface->SelectedRecords()).Item(std::to_string(lItemID));
    // A current record that is not among the selected ones reads as an empty record.
    const auto dctRecord = vRecord.IsObject() ? vRecord.As<tolm::Dictionary>() : nullptr;
    // The host goes on to open the rate either way; its editor locks an audited one.
    if (GetCheckerID(dctRecord) != 0) GetMessageService()->ShowMessage(TranslateText("该汇率已审核，不允许修改。"));
}

void CExRateBaseListEvent::SameCheckUserCommand(const std::shared_ptr<tolm::ITool>& QELTool) {
    tolm::ITool& oTool = BandTool(m_BaseListInterface->MenuBar(), "mnuEdit", "mnuTheSameCheckUser");
    const bool bWasTicked = oTool.Checked();
    oTool.SetChecked(!tolm::Deref(QELTool).Checked());
    try {
        auto oProfile = tolm::CreateObject<tolm::ISystemProfile>(tolm::classname::SystemProfile);
        oProfile->SetProfile(GetPropsString(), "BaseData", "CheckUser", tolm::Variant(oTool.Checked() ? 1 : 0));
    } catch (...) {
        // The tick shows what is stored, never a value that could not be stored.
        const tolm::HostError error = tolm::CurrentError();
        tolm::Step([&] { oTool.SetChecked(bWasTicked); });
        throw error;
    }
}

void CExRateBaseListEvent::ShowTransferDialog(bool bExport) {
    auto frm = std::make_shared<frmExpImpRate>();
    frm->m_bExport = bExport;
    frm->Show();
}

void CExRateBaseListEvent::m_BaseListInterface_AfterMenuBarClick(const std::shared_ptr<tolm::ITool>& QELTool,
                                                                 bool& /*Cancel*/) {
    if (tolm::text::AsciiUpper(tolm::Deref(QELTool).Key()) == "MNUDATAFIND") {
        BuildListFilter(!m_BaseListInterface->FindMode());
    }
}

void CExRateBaseListEvent::m_BaseListInterface_HelpHandler(int16_t, int16_t, int32_t& iHelpId, const std::string&,
                                                           const std::string&, int32_t, int32_t&) {
    if (m_BaseListInterface->FindMode()) {
        iHelpId = help::RateListFind;
    } else {
        iHelpId = m_BaseListInterface->ViewCode() == 1 ? help::RateListTypes : help::RateList;
    }
}

// ---- the list ----------------------------------------------------------------------------------

void CExRateBaseListEvent::m_BaseListInterface_ListFillRow(int32_t, const std::shared_ptr<tolm::Dictionary>&,
                                                           const std::shared_ptr<tolm::Dictionary>& HeadDict,
                                                           tolm::Variant& CellData, int32_t, bool& ContinueRaise) {
    if (tolm::Deref(HeadDict).GetValue("FColName", tolm::Variant(std::string())).ToText() != RateColumn) return;
    const std::string sTypeID = std::to_string(m_BaseListInterface->SelectedClassId());
    const int32_t lDigits = m_dctDigits->GetValue(sTypeID, tolm::Variant(6)).ToLong();
    if (!CellData.IsEmpty() && !CellData.IsNull() && CellData.IsNumeric()) {
        CellData = tolm::Variant(tolm::FormatFixed(CellData.ToDouble(), lDigits));
    }
    ContinueRaise = true;
}

void CExRateBaseListEvent::TouchClassType() {
    tolm::Deref(m_BaseListInterface->DataAccess()).Execute(TouchClassTypeSql);
}

void CExRateBaseListEvent::m_BaseListInterface_RefreshList() {
    if (!m_bTouchPending) return;
    TouchClassType();
    // Only a touch that went through is done: a failed one is tried at the next refresh.
    m_bTouchPending = false;
}

void CExRateBaseListEvent::m_BaseListInterface_DeleteBillSucessful(const std::string&, int32_t) { TouchClassType(); }

void CExRateBaseListEvent::LoadDigits() {
    tolm::OnErrorSilent([&] {
        auto rs = tolm::Deref(m_BaseListInterface->DataAccess()).Query("select FID,FDigits from t_ExchangeRate where FLevels=1");
        for (; !tolm::Deref(rs).IsEOF(); rs->MoveNext()) {
            const tolm::Variant vDigits = rs->Field("FDigits");
            // A type without a precision keeps the default; the types after it still load.
            if (vDigits.IsNull() || vDigits.IsEmpty()) continue;
            tolm::OnErrorSilent(
                [&] { m_dctDigits->SetItem(rs->Field("FID").ToText(), tolm::Variant(vDigits.ToLong())); });
        }
    });
}

void CExRateBaseListEvent::RefreshTypeTree() { tolm::Deref(m_BaseListInterface->View()).RefreshClassGroups(true); }

bool CExRateBaseListEvent::HasRight(const std::string& sProps, int32_t lSubSystem, int32_t lObject, int32_t lMask,
                                    const std::string& sExtra) {
    bool bResult = false;
    tolm::OnErrorSilent([&] {
        auto oSecurity = tolm::CreateObject<tolm::ISecurityInfo>(tolm::classname::SecurityInfo);
        bResult = oSecurity->AccessCheck(sProps, lSubSystem, lObject, lMask, true, sExtra);
    });
    return bResult;
}

void CExRateBaseListEvent::BuildListFilter(bool bShowAll) {
    if (m_sPeriodFilter.empty()) {
        // A ledger that cannot answer leaves the period out this time; the next build asks again.
        tolm::OnErrorSilent([&] {
            auto oLedger = tolm::CreateObject<tolm::ILedgerProfile>(tolm::classname::LedgerProfile);
            oLedger->Refresh();
            const tolm::DateTime dtStart = oLedger->GLGetPeriodDate(0, 0).ToDate();
            m_sPeriodFilter = GetTemplateFiller()->FillTemplate(" AND t_ExchangeRateEntry.FEndDate>='%1'",
                                                                {tolm::Variant(tolm::FormatDateText(dtStart))});
        });
    }
    std::string sFilter = "t_ExchangeRate.FIsNativeRate=0  ";
    if (!bShowAll) sFilter += m_sPeriodFilter;

    std::shared_ptr<tolm::IRecordset> rsCurrencies;
    tolm::Step([&] {
        auto oGlData = tolm::CreateObject<tolm::IGlData>(tolm::classname::GlData);
        rsCurrencies = tolm::Deref(oGlData->CurrencySet()).Recordset();
    });
    std::string sIDs;
    if (rsCurrencies) {
        tolm::Step([&] { rsCurrencies->MoveFirst(); });
        for (;;) {
            bool bEnd = true;
            if (!tolm::Step([&] { bEnd = rsCurrencies->IsEOF(); }) || bEnd) break;
            tolm::Step([&] { sIDs += rsCurrencies->Field("FCurrencyID").ToText() + ","; });
            // A record set that cannot move on ends the list where it stands.
            if (!tolm::Step([&] { rsCurrencies->MoveNext(); })) break;
        }
    }
    if (!sIDs.empty()) {
        sIDs.pop_back();
        sFilter += "\r\n AND t_ExchangeRateEntry.FCyTo IN (" + sIDs + ")";
    }
    tolm::Step([&] {
        auto dctCondition = std::make_shared<tolm::Dictionary>();
        dctCondition->SetItem("FFilter", tolm::Variant(sFilter));
        tolm::Deref(m_BaseListInterface->View()).SetExternalCondition(dctCondition);
    });
}

// ---- audit -------------------------------------------------------------------------------------

bool CExRateBaseListEvent::CheckRates(bool bCheck) {
    bool bDone = false;
    OnErrorReportToUser([&] {
        if (m_BaseListInterface->CurrentRecordId() == 0) return;
        auto colIDs = std::make_shared<tolm::Collection>();
        const auto dctSelected = m_BaseListInterface->SelectedRecords();
        std::string sNumbers;
        for (int32_t i = 1; i <= tolm::Deref(dctSelected).Count(); ++i) {
            const std::string sKey = dctSelected->Key(i);
            const auto dctRecord = dctSelected->Item(sKey).As<tolm::Dictionary>();
            const int32_t lChecker = GetCheckerID(dctRecord);
            if (bCheck ? lChecker != 0 : lChecker == 0) continue;
            colIDs->Add(tolm::Variant(sKey));
            sNumbers += "," + GetRateNumber(dctRecord);
        }
        if (colIDs->Count() == 0) {
            GetMessageService()->ShowMessage(TranslateText(bCheck ? "所选汇率都已审核。" : "所选汇率都未审核。"));
            return;
        }
        sNumbers.erase(0, 1);
        const std::string sPrompt = TranslateText(bCheck ? "审核后将不能修改，是否继续？" : "是否确定反审核选中的记录？");
        if (tolm::Platform()->MessageBox(sPrompt, tolm::mb::YesNo | tolm::mb::Question,
                                         TranslateText(MessageBoxTitle)) == tolm::mb::IdNo) {
            return;
        }
        {
            auto oUpdate = tolm::CreateObject<tolm::IExRateUpdate>(tolm::classname::ExRateUpdate);
            // The flag goes by reference; the service may change its copy.
            bool bFlag = bCheck;
            const tolm::Variant vAnswer = oUpdate->ExchangeRateCheck(GetPropsString(), colIDs, bFlag);
            if (!vAnswer.IsNull() && !vAnswer.IsEmpty() && vAnswer.ToBool()) {
                const std::string sText =
                    FormatText(bCheck ? "汇率审核完成-汇率代码：%1" : "汇率反审核完成-汇率代码：%1", {tolm::Variant(sNumbers)});
                WriteOperationLog("QEL1014002_mnuCheck", LogOperationKind, sText, "", "");
            }
        }
        bDone = true;
        m_BaseListInterface->RefreshList();
    });
    return bDone;
}

tolm::Variant CExRateBaseListEvent::RecordValue(const tolm::Dictionary& dctRecord, const char* sPage,
                                                const char* sColumn, const tolm::Variant& vDefault) const {
    const std::string sField = tolm::Deref(tolm::Deref(m_BaseListInterface->Table()).TableInfo("Map")).Item(sColumn).ToText();
    const auto dctPage = dctRecord.Item(sPage).As<tolm::Dictionary>();
    return dctPage->Item(sField).As<tolm::IRecordField>()->GetValue("FFLD", vDefault);
}

int32_t CExRateBaseListEvent::GetCheckerID(const std::shared_ptr<tolm::Dictionary>& dctRecord) const {
    if (!dctRecord || dctRecord->Count() == 0) return 0;
    return tolm::ZeroPrefixedLong(RecordValue(*dctRecord, "Page2", "FChkUserID", tolm::Variant(0)));
}

std::string CExRateBaseListEvent::GetRateNumber(const std::shared_ptr<tolm::Dictionary>& dctRecord) const {
    if (!dctRecord || dctRecord->Count() == 0) return {};
    return RecordValue(*dctRecord, "Page1", "FNumber", tolm::Variant(std::string())).ToText();
}

}  // namespace qel
