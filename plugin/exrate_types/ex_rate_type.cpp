#include "exrate_types/ex_rate_type.h"

#include <string>

#include "exrate_types/frm_ex_rate_type_edit.h"
#include "frame/constants.h"
#include "frame/language.h"
#include "frame/session_context.h"
#include "tolm/base_data.h"
#include "tolm/components.h"
#include "tolm/platform.h"
#include "tolm/registry.h"

namespace qel {

CExRateType::CExRateType() = default;

CExRateType::~CExRateType() { m_ListInterface.reset(); }

void CExRateType::SetListInterface(const std::shared_ptr<tolm::IBaseListInterface>& objValue) {
    m_ListInterface = objValue;
}

void CExRateType::EditExRateType(int32_t lTypeID) {
    auto frmEdit = std::make_shared<frmExRateTypeEdit>();
    frmEdit->SetListInterface(m_ListInterface);
    frmEdit->m_lItemID = lTypeID;
    tolm::Platform()->ShowModal(*frmEdit);
}

bool CExRateType::DeleteExRateType(int32_t lTypeID) {
    bool bResult = false;
    OnErrorReportToUser([&] {
        // The list calls this only while its type tree has the focus: the node's text
        // is the name the person sees.
        const std::string sNodeText =
            tolm::Deref(tolm::Deref(tolm::Deref(m_ListInterface).ActiveControl()).SelectedItem()).Text();
        if (lTypeID < tolm::FirstUserTypeId) {
            GetMessageService()->ShowMessage(TranslateText("系统预设汇率类型不允许删除。"));
            return;
        }
        const std::string sSql = GetTemplateFiller()->FillTemplate(
            "select 1 from t_ExchangeRate where FParentID=%1 and FIsNativeRate<>1", {lTypeID});
        auto rs = tolm::Deref(m_ListInterface->DataAccess()).Query(sSql);
        if (!tolm::Deref(rs).IsEOF()) {
            GetMessageService()->ShowMessage(TranslateText("当前汇率类型下存在汇率记录，不允许删除！"));
            return;
        }
        const std::string sPrompt = FormatText("确定要删除汇率类型[%1]吗？", {sNodeText});
        if (tolm::Platform()->MessageBox(sPrompt, tolm::mb::YesNo | tolm::mb::Question, TranslateText(MessageBoxTitle)) !=
            tolm::mb::IdYes) {
            return;
        }
        rs.reset();
        {
            auto oUpdate = tolm::CreateObject<tolm::IExRateUpdate>(tolm::classname::ExRateUpdate);
            int32_t lID = lTypeID;
            oUpdate->DeleteExchangeRateType(GetPropsString(), lID);
        }
        WriteOperationLog("QEL1014002_mnuEditDel", LogOperationKind, FormatText("删除汇率类型[%1]完成", {sNodeText}),
                          "", "");
        bResult = true;
    });
    return bResult;
}

}  // namespace qel
