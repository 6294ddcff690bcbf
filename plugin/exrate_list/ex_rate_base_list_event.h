// CExRateBaseListEvent: attached to the host's exchange-rate list window.
#pragma once

#include <memory>

#include "frame/event_sinks.h"
#include "frame/live_objects.h"
#include "tolm/plugin_abi.h"

namespace qel {

class CExRateBaseListEvent final : public tolm::IBaseListEventsClass,
                                   public std::enable_shared_from_this<CExRateBaseListEvent> {
public:
    CExRateBaseListEvent();
    ~CExRateBaseListEvent() override;

    void Show(const std::shared_ptr<tolm::IBaseListInterface>& oBaseListInterface) override;

private:
    friend class BaseListSink<CExRateBaseListEvent>;

    LiveObject m_oLive;
    std::shared_ptr<tolm::IBaseListInterface> m_BaseListInterface;
    EventConnection<tolm::IBaseListInterface, BaseListSink<CExRateBaseListEvent>> m_oEvents;
};

}  // namespace qel
