// Facts of the company data that the host and the plug-in both rely on. The host's
// schema and start-up data create them; the plug-in's checks and statements count
// on them.
#pragma once

#include <cstdint>

namespace tolm {

// The class-type id of exchange rates (a row of ICClassType); also the number in
// every operation-log key of the exchange-rate subsystem ("QEL1014002_...").
inline constexpr int32_t ExchangeRateClassTypeId = 1014002;

// The home currency: every rate is in units of it, so it never gets a rate itself.
inline constexpr int32_t HomeCurrencyId = 1;

// Exchange-rate types with an id below this one are the system's presets: they are
// neither renamed nor deleted.
inline constexpr int32_t FirstUserTypeId = 1000;

}  // namespace tolm
