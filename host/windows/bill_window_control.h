// The control of one head field of a bill window.
#pragma once

#include <cstdint>
#include <string>

#include "tolm/windows.h"

namespace hub {

// Locking and decimal places are the window's to change (BillWindow::LockControl,
// BillWindow::SetControlDecimals); a plug-in only reads them here.
class BillWindowControl : public tolm::IFieldControl {
public:
    BillWindowControl(std::string fieldKey, int32_t decimals);
    ~BillWindowControl() override;

    std::string FieldKey() const override { return m_fieldKey; }
    bool Locked() const override { return m_locked; }
    int32_t Decimals() const override { return m_decimals; }

    void SetLocked(bool value) { m_locked = value; }
    // Raises InvalidProcedureCall outside 0..MaxDecimals.
    void SetDecimals(int32_t value);

    // The most places a number field shows (the type dialog allows 0 to 10).
    static constexpr int32_t MaxDecimals = 10;

private:
    std::string m_fieldKey;
    bool m_locked = false;
    int32_t m_decimals = 0;
};

}  // namespace hub
