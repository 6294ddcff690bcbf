// Facts of the exchange-rate class shared by every subsystem.
#pragma once

#include <cstdint>

namespace qel {

// The class-type id of exchange rates; also the number in every operation-log key.
inline constexpr int32_t ExchangeRateClassTypeId = 1014002;

// Types with an id below this are system presets.
inline constexpr int32_t FirstUserTypeId = 1000;

// The kind of every operation-log record the plug-in writes.
inline constexpr int32_t LogOperationKind = 5;

// The currency with this id is the home currency and gets no rate.
inline constexpr int32_t HomeCurrencyId = 1;

// Statement that touches the exchange-rate class-type record so the class registers as
// changed; it changes no value.
inline constexpr const char* TouchClassTypeSql = "update ICClassType set fid = fid  where FID = 1014002";

// Title of the plug-in's message boxes.
inline constexpr const char* MessageBoxTitle = "Zelvo提示";

}  // namespace qel
