// The menu bars the host gives its windows before a plug-in shapes them.
#pragma once

#include <memory>
#include <string>

#include "windows/menu_bar.h"

namespace hub {

enum class StandardMenu {
    RateList,  // the exchange-rate list (a base list)
    TypeList,  // the list of exchange-rate types (a base list)
    RateBill,  // the editor of one rate (a bill)
    LogList,   // the operation log (a plain list)
};

// A new menu bar as the host builds it for a window of that kind. The global tools
// hold one tool per key used in the bands; each band holds its own copies.
std::shared_ptr<MenuBar> BuildStandardMenuBar(StandardMenu menu, const std::string& language = "chs");

// The host's caption of a standard tool key ("" for a key it does not know).
std::string StandardCaption(const std::string& key);

}  // namespace hub
