#include "windows/bill_window_control.h"

#include "tolm/host_error.h"

namespace hub {

BillWindowControl::BillWindowControl(std::string fieldKey, int32_t decimals) : m_fieldKey(std::move(fieldKey)) {
    SetDecimals(decimals);
}

BillWindowControl::~BillWindowControl() = default;

void BillWindowControl::SetDecimals(int32_t value) {
    if (value < 0 || value > MaxDecimals) {
        throw tolm::HostError(tolm::err::InvalidProcedureCall,
                              "The field " + m_fieldKey + " cannot show " + std::to_string(value) +
                                  " decimal places (0 to " + std::to_string(MaxDecimals) + ")",
                              "BillWindow");
    }
    m_decimals = value;
}

}  // namespace hub
