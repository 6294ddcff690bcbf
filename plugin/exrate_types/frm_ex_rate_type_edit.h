// frmExRateTypeEdit: the dialog in which a person creates an exchange-rate type or
// changes one: its code, name, precision (decimal places of its rates) and remark.
//
// Written once against the form model and shown modally through the platform, so
// the same code runs headless and on the desktop. In new mode it stays open after
// each save, cleared for the next type; in modify mode it closes after the save.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "tolm/form.h"
#include "tolm/windows.h"

namespace qel {

class frmExRateTypeEdit final : public tolm::Form {
public:
    // The precision a new type starts with, and the one a type without a stored
    // precision is shown with.
    static constexpr const char* DefaultDigits = "6";
    // The largest precision a type may have.
    static constexpr int32_t MaxDigits = 10;

    frmExRateTypeEdit();
    ~frmExRateTypeEdit() override;

    // The list window whose data-access object the dialog reads through. Held until
    // the dialog unloads.
    void SetListInterface(const std::shared_ptr<tolm::IBaseListInterface>& objValue);

    // The FID of the type being modified; 0 for a new type. Set before showing.
    int32_t m_lItemID = 0;

    tolm::FormControl& lblNumber;
    tolm::FormControl& txtNumber;
    tolm::FormControl& lblName;
    tolm::FormControl& txtName;
    tolm::FormControl& lblDigits;
    tolm::FormControl& txtDigits;
    tolm::FormControl& lblNote;
    tolm::FormControl& txtNote;
    tolm::FormControl& cmdOK;
    tolm::FormControl& cmdCancel;

private:
    void Form_Load();
    void Form_Activate();
    void Form_KeyDown(int16_t& KeyCode, int16_t Shift);
    void Form_Unload();
    void ApplyCaptions();
    void ResetFields();
    void FocusIfEditable(tolm::FormControl& control);

    void txtNumber_KeyPress(int16_t& KeyAscii);
    void txtName_KeyPress(int16_t& KeyAscii);
    void txtDigits_KeyPress(int16_t& KeyAscii);
    void Field_Change(tolm::FormControl& control);
    void Field_GotFocus(tolm::FormControl& control);
    void txtDigits_LostFocus();
    void cmdOK_Click();
    void cmdCancel_Click();
    // OK's work; a refusal tells the person and returns false.
    bool SaveType();

    std::shared_ptr<tolm::IBaseListInterface> m_ListInterface;
    // The precision as loaded; put back when a lowering is refused.
    std::string m_sDigits = DefaultDigits;
};

}  // namespace qel
