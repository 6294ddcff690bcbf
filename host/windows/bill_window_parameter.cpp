#include "windows/bill_window_parameter.h"

#include "windows/tool_collection.h"

namespace hub {

tolm::Variant BillWindowParameter::Filter(const std::string& name) const {
    if (SameKey(name, "FilterString")) return tolm::Variant(m_filterText);
    return {};
}

}  // namespace hub
