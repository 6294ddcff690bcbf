// Facts of the exchange-rate class shared by every subsystem of the plug-in. The facts
// of the company data that the host relies on as well (the class-type id, the home
// currency, the first user type id) are in tolm/base_data.h.
#pragma once

#include <cstdint>

namespace qel {

// The kind of every operation-log record the plug-in writes.
inline constexpr int32_t LogOperationKind = 5;

// Statement that touches the exchange-rate class-type record so the class registers as
// changed; it changes no value.
inline constexpr const char* TouchClassTypeSql = "update ICClassType set fid = fid  where FID = 1014002";

// Title of the plug-in's message boxes.
inline constexpr const char* MessageBoxTitle = "Zelvo提示";

}  // namespace qel
