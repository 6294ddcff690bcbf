#include "exrate_list/ex_rate_base_list_event.h"

namespace qel {

CExRateBaseListEvent::CExRateBaseListEvent() = default;

CExRateBaseListEvent::~CExRateBaseListEvent() {
    m_oEvents.Disconnect();
    m_BaseListInterface.reset();
}

void CExRateBaseListEvent::Show(const std::shared_ptr<tolm::IBaseListInterface>& oBaseListInterface) {
    m_BaseListInterface = oBaseListInterface;
    m_oEvents.Connect(m_BaseListInterface, std::make_shared<BaseListSink<CExRateBaseListEvent>>(weak_from_this()));
}

}  // namespace qel
