// CExRateType: creates, modifies and deletes exchange-rate types for the list.
#pragma once

#include <cstdint>
#include <memory>

#include "frame/live_objects.h"
#include "tolm/plugin_abi.h"

namespace qel {

class CExRateType final : public tolm::IExRateTypeClass {
public:
    CExRateType();
    ~CExRateType() override;

    void SetListInterface(const std::shared_ptr<tolm::IBaseListInterface>& objValue) override;
    void EditExRateType(int32_t lTypeID = 0) override;
    bool DeleteExRateType(int32_t lTypeID) override;

private:
    LiveObject m_oLive;
    std::shared_ptr<tolm::IBaseListInterface> m_ListInterface;
};

}  // namespace qel
