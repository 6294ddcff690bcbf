// Help topics of every window and dialog of the plug-in, in one place.
#pragma once

#include <cstdint>

namespace qel::help {

// Operation-log list, F1 (shown with path mode LogListPathMode).
inline constexpr int32_t LogList = 380081;
inline constexpr int32_t LogListPathMode = 2;
// Exchange-rate list: showing a find result / listing types (view code 1) / otherwise.
inline constexpr int32_t RateListFind = 370152;
inline constexpr int32_t RateListTypes = 370140;
inline constexpr int32_t RateList = 370146;
// Exchange-rate type list.
inline constexpr int32_t TypeList = 370141;
// Exchange-rate editor: new record / any other mode.
inline constexpr int32_t RateEditorNew = 370147;
inline constexpr int32_t RateEditorModify = 370148;
// Exchange-rate type dialog, F1: new type / existing type.
inline constexpr int32_t TypeDialogNew = 370142;
inline constexpr int32_t TypeDialogModify = 370143;

}  // namespace qel::help
