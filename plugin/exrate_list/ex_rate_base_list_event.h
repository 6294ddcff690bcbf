// CExRateBaseListEvent: attached to the host's exchange-rate list (a tree of
// exchange-rate types beside the rates of the selected type).
//
// It shapes the window's menus, answers its commands (type commands go to the type
// service, audit and reverse audit are done here, the rest is left to the host with
// a step before it), formats the rate column with the type's decimal places, hands
// the host the list's condition, and marks the exchange-rate class as changed after
// deletions and after use/unuse.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "frame/event_sinks.h"
#include "frame/live_objects.h"
#include "tolm/host_library.h"
#include "tolm/plugin_abi.h"

namespace qel {

class CExRateBaseListEvent final : public tolm::IBaseListEventsClass,
                                   public std::enable_shared_from_this<CExRateBaseListEvent> {
public:
    // The sort order the list is given: newest validity start first.
    static constexpr const char* SortByBeginDate = "t_ExchangeRateEntry.FBegDate DESC";

    CExRateBaseListEvent();
    ~CExRateBaseListEvent() override;

    // No trap: a failure reaches the host as the error of Show.
    void Show(const std::shared_ptr<tolm::IBaseListInterface>& oBaseListInterface) override;

private:
    friend class BaseListSink<CExRateBaseListEvent>;

    // Step by step: a band or tool the host's menu lacks skips only what touches it.
    void m_BaseListInterface_MenuBarInitialize(const std::shared_ptr<tolm::IMenuBar>& oMenuBar);
    // Errors are reported; Cancel keeps what it reached.
    void m_BaseListInterface_MenuBarClick(const std::shared_ptr<tolm::ITool>& QELTool, bool& Cancel);
    // The remaining handlers have no trap.
    void m_BaseListInterface_AfterMenuBarClick(const std::shared_ptr<tolm::ITool>& QELTool, bool& Cancel);
    void m_BaseListInterface_HelpHandler(int16_t KeyCode, int16_t Shift, int32_t& iHelpId,
                                         const std::string& sSubSystem, const std::string& sBillClassTypeId,
                                         int32_t lShowMode, int32_t& lGetPathMode);
    void m_BaseListInterface_ListFillRow(int32_t lRow, const std::shared_ptr<tolm::Dictionary>& RowData,
                                         const std::shared_ptr<tolm::Dictionary>& HeadDict, tolm::Variant& CellData,
                                         int32_t BackColor, bool& ContinueRaise);
    void m_BaseListInterface_RefreshList();
    void m_BaseListInterface_DeleteBillSucessful(const std::string& sNumber, int32_t lInterID);

    void ModifyCommand(bool& Cancel);
    void SameCheckUserCommand(const std::shared_ptr<tolm::ITool>& QELTool);
    // Shows the rate-system dialog in the given direction.
    void ShowTransferDialog(bool bExport);
    bool TreeHasFocus() const;

    // Reads every type's decimal places into m_dctDigits; silent on failure.
    void LoadDigits();
    void RefreshTypeTree();
    static bool HasRight(const std::string& sProps, int32_t lSubSystem, int32_t lObject, int32_t lMask,
                         const std::string& sExtra);
    void InitListView();
    // Hands the list its condition: no native rates, (unless bShowAll) no rate
    // ended before the current period, only the ledger's currencies.
    void BuildListFilter(bool bShowAll);
    // Audits (bCheck) or reverse-audits the selected rates; true when the service
    // was called.
    bool CheckRates(bool bCheck);
    int32_t GetCheckerID(const std::shared_ptr<tolm::Dictionary>& dctRecord) const;
    std::string GetRateNumber(const std::shared_ptr<tolm::Dictionary>& dctRecord) const;
    // The field of a selected record's page under the table's key for a column.
    tolm::Variant RecordValue(const tolm::Dictionary& dctRecord, const char* sPage, const char* sColumn,
                              const tolm::Variant& vDefault) const;
    void TouchClassType();

    LiveObject m_oLive;
    std::shared_ptr<tolm::IBaseListInterface> m_BaseListInterface;
    std::shared_ptr<tolm::IExRateTypeClass> m_oExRateType;
    std::shared_ptr<tolm::Dictionary> m_dctDigits;
    std::string m_sPeriodFilter;
    bool m_bTouchPending = false;
    EventConnection<tolm::IBaseListInterface, BaseListSink<CExRateBaseListEvent>> m_oEvents;
};

}  // namespace qel
