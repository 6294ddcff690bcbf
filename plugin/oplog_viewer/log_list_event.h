// CLogListEvent: attached to the host's operation-log list.
#pragma once

#include <memory>

#include "frame/event_sinks.h"
#include "frame/live_objects.h"
#include "tolm/plugin_abi.h"

namespace qel {

class CLogListEvent final : public tolm::IListEventsClass, public std::enable_shared_from_this<CLogListEvent> {
public:
    CLogListEvent();
    ~CLogListEvent() override;

    void Show(const std::shared_ptr<tolm::IListInterface>& oListInterface) override;
    bool CheckLogRight(tolm::Log_AccessType& AccessType) override;

private:
    friend class ListSink<CLogListEvent>;

    LiveObject m_oLive;
    std::shared_ptr<tolm::IListInterface> m_ListInterface;
    EventConnection<tolm::IListInterface, ListSink<CLogListEvent>> m_oEvents;
};

}  // namespace qel
