// CExRateBillEdit: attached to the host's editor of one exchange rate. Gives the editor
// its caption, hides the commands that do not apply to a rate, fills in the type of a
// new rate, applies the type's precision, locks an audited rate, checks a rate before
// it is saved and completes the stored record afterwards.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "frame/event_sinks.h"
#include "frame/live_objects.h"
#include "tolm/plugin_abi.h"

namespace qel {

class CExRateBillEdit final : public tolm::IBillEventClass, public std::enable_shared_from_this<CExRateBillEdit> {
public:
    CExRateBillEdit();
    ~CExRateBillEdit() override;

    void Show(const std::shared_ptr<tolm::IBillInterface>& oBillInterface) override;

private:
    friend class BillSink<CExRateBillEdit>;

    void m_BillInterface_MenuBarInitialize(const std::shared_ptr<tolm::IMenuBar>& oMenuBar);
    void m_BillInterface_AfterNewBill();
    void m_BillInterface_AfterLoadBill();
    void m_BillInterface_HelpHandler(int16_t KeyCode, int16_t Shift, int32_t& iHelpId, const std::string& sSubSystem,
                                     const std::string& sBillClassTypeId, int32_t lShowMode, int32_t& lGetPathMode);
    void m_BillInterface_BeforeSave(bool& bCancel);
    void m_BillInterface_SaveBillSuccess(const std::shared_ptr<tolm::Dictionary>& dctData);

    int32_t GetParentTypeId();
    void ApplyRateDigits();
    void LockAuditedRate();
    // The checks before saving; refuses with a message and bCancel at the first that fails.
    void CheckBeforeSave(bool& bCancel);
    void HideTool(const std::shared_ptr<tolm::IMenuBar>& oMenuBar, const char* sBand, const char* sTool);

    LiveObject m_oLive;
    std::shared_ptr<tolm::IBillInterface> m_BillInterface;
    int32_t m_lParentID = 0;
    int32_t m_lDigits = 0;
    EventConnection<tolm::IBillInterface, BillSink<CExRateBillEdit>> m_oEvents;
};

}  // namespace qel
