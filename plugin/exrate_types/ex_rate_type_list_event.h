// CExRateTypeListEvent: attached to the host's list of exchange-rate types. Adds the
// rate-system command, which opens the host's class window of the exchange-rate
// class and refreshes the list afterwards, and answers the list's help request.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "frame/event_sinks.h"
#include "frame/live_objects.h"
#include "tolm/plugin_abi.h"

namespace qel {

class CExRateTypeListEvent final : public tolm::IBaseListEventsClass,
                                   public std::enable_shared_from_this<CExRateTypeListEvent> {
public:
    // The key of the rate-system command.
    static constexpr const char* RateSystemKey = "mnuExchangeRateManage";

    CExRateTypeListEvent();
    ~CExRateTypeListEvent() override;

    void Show(const std::shared_ptr<tolm::IBaseListInterface>& oBaseListInterface) override;

private:
    friend class BaseListSink<CExRateTypeListEvent>;

    // No trap in these handlers: a failing step ends the handler and the host hears
    // of it as the failure of the event; the steps before stay done.
    void m_BaseListInterface_MenuBarInitialize(const std::shared_ptr<tolm::IMenuBar>& oMenuBar);
    void m_BaseListInterface_MenuBarClick(const std::shared_ptr<tolm::ITool>& QELTool, bool& Cancel);
    void m_BaseListInterface_HelpHandler(int16_t KeyCode, int16_t Shift, int32_t& iHelpId,
                                         const std::string& sSubSystem, const std::string& sBillClassTypeId,
                                         int32_t lShowMode, int32_t& lGetPathMode);

    LiveObject m_oLive;
    std::shared_ptr<tolm::IBaseListInterface> m_BaseListInterface;
    EventConnection<tolm::IBaseListInterface, BaseListSink<CExRateTypeListEvent>> m_oEvents;
};

}  // namespace qel
