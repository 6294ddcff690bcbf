// CExRateType: creates, modifies and deletes exchange-rate types for the list it is
// handed. Creating and modifying go through the type dialog; deleting is done here,
// after the preset rule, the rate-record rule and the person's confirmation.
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
    // Shows the type dialog modally for a new type (0) or the type lTypeID, and
    // returns when it has closed. Errors of the dialog's loading reach the caller.
    void EditExRateType(int32_t lTypeID = 0) override;
    // True only when the type was deleted and the log record written. Refusals and
    // errors are told to the person and give false.
    bool DeleteExRateType(int32_t lTypeID) override;

private:
    LiveObject m_oLive;
    std::shared_ptr<tolm::IBaseListInterface> m_ListInterface;
};

}  // namespace qel
