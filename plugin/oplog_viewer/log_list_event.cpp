#include "oplog_viewer/log_list_event.h"

#include "frame/help_topics.h"
#include "frame/language.h"
#include "frame/session_context.h"
#include "tolm/components.h"
#include "tolm/registry.h"
#include "tolm/text.h"

namespace qel {
namespace {

constexpr int16_t KeyF1 = 112;
// The object number of every log rights test.
constexpr int32_t LogRightsObject = 65000;
constexpr const char* DefaultSort = "v_BASE_LogForQEL.FDate DESC";
// One caller of the log server has always spelt it this way; the registry ignores
// letter case.
constexpr const char* LogServerClass = "hubbase.LogServer";

struct HiddenTool {
    const char* band;
    const char* tool;
};

// Commands of the host's list that make no sense for a log, in the order they are
// hidden.
constexpr HiddenTool HiddenTools[] = {
    {"menu", "mnuCust"},
    {"mnuFile", "mnuFilePrintDesign"},
    {"mnuFile", "mnuPreHeadFoot"},
    {"mnuFile", "mnuNoteSetup"},
    {"mnuFile", "mnuFileSeriesPrintAll"},
    {"mnuFile", "mnuFileSeriesPrint"},
    {"mnuFile", "mnuFileSeriesPrintViewAll"},
    {"mnuFile", "mnuFileSeriesPrintView"},
    {"mnuFile", "mnuFileUseEconomizePaper"},
    {"BandToolBar", "mnuDataViewPrvBill"},
    {"BandToolBar", "mnuDataViewNextBill"},
    {"BandToolBar", "mnuDataAccessory"},
    {"BandToolBar", "mnuCaculate"},
    {"BandToolBar", "mnuBackData"},
    {"BandToolBar", "mnuViewUnionQuery"},
    {"mnuFormat", "mnuFormatUnionObject"},
};

std::shared_ptr<tolm::ITool> BandTool(tolm::IMenuBar& oMenuBar, const char* sBand, const char* sTool) {
    auto oTool = tolm::Deref(tolm::Deref(oMenuBar.Band(sBand)).Tools()).Item(sTool);
    tolm::Deref(oTool);
    return oTool;
}

}  // namespace

std::string QuoteSqlText(const std::string& sText) {
    std::string sQuoted = "'";
    for (char c : sText) {
        if (c == '\'') sQuoted += '\'';
        sQuoted += c;
    }
    return sQuoted + "'";
}

std::string JoinLogFilter(const std::string& sFilter, int32_t lQuickFlag, const std::string& sQuick) {
    const std::string sTrimmedFilter(tolm::text::Trim(sFilter));
    const std::string sTrimmedQuick(tolm::text::Trim(sQuick));
    if (lQuickFlag != 1 || sTrimmedQuick.empty()) return sTrimmedFilter;
    if (sTrimmedFilter.empty()) return sTrimmedQuick;
    return "(" + sTrimmedFilter + ") AND (" + sTrimmedQuick + ")";
}

CLogListEvent::CLogListEvent() = default;

CLogListEvent::~CLogListEvent() {
    m_oEvents.Disconnect();
    m_ListInterface.reset();
}

void CLogListEvent::Show(const std::shared_ptr<tolm::IListInterface>& oListInterface) {
    tolm::OnErrorSilent([&] {
        m_ListInterface = oListInterface;
        m_oEvents.Connect(m_ListInterface, std::make_shared<ListSink<CLogListEvent>>(weak_from_this()));
        auto& window = tolm::Deref(m_ListInterface);
        auto& oDataAccess = tolm::Deref(window.DataAccess());
        const std::string sSession = oDataAccess.SessionText();
        oDataAccess.Execute("exec p_BASE_CreateLogView " + QuoteSqlText(sSession));
        if (tolm::text::Trim(window.SortText()).empty()) window.SetSortText(DefaultSort);
    });
}

bool CLogListEvent::CheckLogRight(tolm::Log_AccessType& AccessType) {
    bool bHeld = false;
    tolm::OnErrorSilent([&] {
        const std::string sName = GetRightName(AccessType);
        bHeld = tolm::Deref(tolm::Deref(m_ListInterface).DataAccess())
                    .CheckRight(LogRightsObject, AccessType, 0, true, sName);
    });
    return bHeld;
}

std::string CLogListEvent::GetRightName(tolm::Log_AccessType AccessType) {
    const char* sChinese = nullptr;
    switch (AccessType) {
        case tolm::secView: sChinese = "查看"; break;
        case tolm::secDelete: sChinese = "删除"; break;
        case tolm::secExport: sChinese = "引出"; break;
        case tolm::secPrint: sChinese = "打印"; break;
    }
    if (sChinese == nullptr) return {};
    std::string sExtra;
    return tolm::Deref(tolm::Deref(m_ListInterface).DataAccess()).LookupText(sChinese, sExtra);
}

void CLogListEvent::m_ListInterface_MenuBarInitialize(const std::shared_ptr<tolm::IMenuBar>& oMenuBar) {
    auto& menuBar = tolm::Deref(oMenuBar);
    for (const HiddenTool& hidden : HiddenTools) {
        const auto oTool = BandTool(menuBar, hidden.band, hidden.tool);
        oTool->SetVisible(false);
        oTool->SetEnabled(false);
    }
    const auto oFileExport = BandTool(menuBar, "mnuFile", "mnuExportData");
    tolm::Deref(tolm::Deref(menuBar.Band("BandToolBar")).Tools()).Insert("mnuFilePrint", oFileExport);
    const auto oBarExport = BandTool(menuBar, "BandToolBar", "mnuExportData");
    oBarExport->SetDescription(TranslateText("引出"));
    oBarExport->SetToolTipText(BandTool(menuBar, "mnuFile", "mnuExportData")->Caption());
    oBarExport->SetShowCaption(true);
    BandTool(menuBar, "mnuEdit", "mnuEditDelete")->SetKey(DeleteKey);
    BandTool(menuBar, "BandToolBar", "mnuEditDelete")->SetKey(DeleteKey);
}

void CLogListEvent::m_ListInterface_MenuBarClick(const std::shared_ptr<tolm::ITool>& QELTool, bool& Cancel) {
    const std::string sKey = tolm::Deref(QELTool).Key();
    if (sKey == "mnuEditDelete" || sKey == DeleteKey) {
        tolm::Log_AccessType right = tolm::secDelete;
        if (CheckLogRight(right)) DeleteFilteredLogs();
        Cancel = true;
    } else if (sKey == "mnuExportData") {
        tolm::Log_AccessType right = tolm::secExport;
        if (!CheckLogRight(right)) Cancel = true;
    } else if (sKey == "mnuFilePreview" || sKey == "mnuFilePageSetup" || sKey == "mnuFilePrint") {
        tolm::Log_AccessType right = tolm::secPrint;
        if (!CheckLogRight(right)) Cancel = true;
    }
}

void CLogListEvent::DeleteFilteredLogs() {
    OnErrorReportToUser([&] {
        auto& window = tolm::Deref(m_ListInterface);
        const auto oRecords = window.CurrentRecordset();
        if (!oRecords || oRecords->RecordCount() == 0) return;
        bool bFlag = true;
        if (!GetMessageService()->AskQuestion(TranslateText("确定要删除当前过滤出的所有日志记录吗？"), bFlag)) return;
        const auto dctFilter = tolm::Deref(window.FilterObject()).Filter();
        const auto& oFilter = tolm::Deref(dctFilter);
        const std::string sFilter = oFilter.GetValue("FilterString", tolm::Variant(std::string())).ToText();
        const int32_t lQuickFlag = oFilter.GetValue("IsQuickFilter", tolm::Variant(0)).ToLong();
        const std::string sQuick = oFilter.GetValue("QuickFilterString", tolm::Variant(std::string())).ToText();
        std::string sCondition = JoinLogFilter(sFilter, lQuickFlag, sQuick);
        auto oLogServer = tolm::CreateObject<tolm::ILogServer>(LogServerClass);
        const tolm::Variant vDeleted = oLogServer->DelLogByFilter(GetPropsString(), sCondition);
        if (!vDeleted.IsNull() && vDeleted.ToBool()) window.Refresh(0, true);
    });
}

void CLogListEvent::m_ListInterface_HelpHandler(int16_t KeyCode, int16_t, int32_t& iHelpId, const std::string&,
                                                const std::string&, int32_t, int32_t& lGetPathMode) {
    if (KeyCode != KeyF1) return;
    iHelpId = help::LogList;
    lGetPathMode = help::LogListPathMode;
}

}  // namespace qel
