#include "exrate_types/ex_rate_type.h"

#include "tolm/host_error.h"

namespace qel {

CExRateType::CExRateType() = default;

CExRateType::~CExRateType() { m_ListInterface.reset(); }

void CExRateType::SetListInterface(const std::shared_ptr<tolm::IBaseListInterface>& objValue) {
    m_ListInterface = objValue;
}

void CExRateType::EditExRateType(int32_t /*lTypeID*/) {
    throw tolm::HostError(tolm::err::NotSupported, "Editing exchange-rate types is not available in this build",
                          "TolmBaseQelPlugin.CExRateType");
}

bool CExRateType::DeleteExRateType(int32_t /*lTypeID*/) {
    throw tolm::HostError(tolm::err::NotSupported, "Deleting exchange-rate types is not available in this build",
                          "TolmBaseQelPlugin.CExRateType");
}

}  // namespace qel
