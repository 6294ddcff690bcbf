#include "exrate_types/ex_rate_type_list_event.h"

namespace qel {

CExRateTypeListEvent::CExRateTypeListEvent() = default;

CExRateTypeListEvent::~CExRateTypeListEvent() {
    m_oEvents.Disconnect();
    m_BaseListInterface.reset();
}

void CExRateTypeListEvent::Show(const std::shared_ptr<tolm::IBaseListInterface>& oBaseListInterface) {
    m_BaseListInterface = oBaseListInterface;
    m_oEvents.Connect(m_BaseListInterface, std::make_shared<BaseListSink<CExRateTypeListEvent>>(weak_from_this()));
}

}  // namespace qel
