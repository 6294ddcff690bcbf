// CExRateTypeListEvent: attached to the host's list of exchange-rate types.
#pragma once

#include <memory>

#include "frame/event_sinks.h"
#include "frame/live_objects.h"
#include "tolm/plugin_abi.h"

namespace qel {

class CExRateTypeListEvent final : public tolm::IBaseListEventsClass,
                                   public std::enable_shared_from_this<CExRateTypeListEvent> {
public:
    CExRateTypeListEvent();
    ~CExRateTypeListEvent() override;

    void Show(const std::shared_ptr<tolm::IBaseListInterface>& oBaseListInterface) override;

private:
    friend class BaseListSink<CExRateTypeListEvent>;

    LiveObject m_oLive;
    std::shared_ptr<tolm::IBaseListInterface> m_BaseListInterface;
    EventConnection<tolm::IBaseListInterface, BaseListSink<CExRateTypeListEvent>> m_oEvents;
};

}  // namespace qel
