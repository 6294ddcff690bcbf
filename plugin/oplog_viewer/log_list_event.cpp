#include "oplog_viewer/log_list_event.h"

namespace qel {

CLogListEvent::CLogListEvent() = default;

CLogListEvent::~CLogListEvent() {
    m_oEvents.Disconnect();
    m_ListInterface.reset();
}

void CLogListEvent::Show(const std::shared_ptr<tolm::IListInterface>& oListInterface) {
    m_ListInterface = oListInterface;
    m_oEvents.Connect(m_ListInterface, std::make_shared<ListSink<CLogListEvent>>(weak_from_this()));
}

bool CLogListEvent::CheckLogRight(tolm::Log_AccessType& /*AccessType*/) {
    // The log rights come with the log viewer; until then no right is granted.
    return false;
}

}  // namespace qel
