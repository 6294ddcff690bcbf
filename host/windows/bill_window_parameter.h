// What a bill window was opened with, as the plug-in asks for it.
#pragma once

#include <string>

#include "tolm/windows.h"

namespace hub {

class BillWindowParameter : public tolm::IBillParameter {
public:
    explicit BillWindowParameter(std::string filterText) : m_filterText(std::move(filterText)) {}

    // "FilterString" (letter case ignored): the filter text of the list the bill was
    // opened from. Any other name gives Empty: the window was given nothing else.
    tolm::Variant Filter(const std::string& name) const override;

    const std::string& FilterText() const { return m_filterText; }

private:
    std::string m_filterText;
};

}  // namespace hub
