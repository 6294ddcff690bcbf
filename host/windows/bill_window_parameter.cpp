#include "windows/bill_window_parameter.h"

#include "tolm/text.h"

namespace hub {

tolm::Variant BillWindowParameter::Filter(const std::string& name) const {
    if (tolm::text::EqualsNoCase(name, "FilterString")) return tolm::Variant(m_filterText);
    return {};
}

}  // namespace hub
