// Opening a help topic from the plug-in's own dialogs.
#pragma once

#include <cstdint>
#include <string>

namespace qel {

// With key code 112 (F1): asks the host's help component (created on first use and
// kept; retried at the next F1 when it could not be created) to show the topic, and
// answers true even when the help call failed. Any other key: false, nothing created.
bool ShowHELP(int16_t iKeyCode, int32_t lTopic, const std::string& sText1, int32_t lValue1, const std::string& sText2,
              int32_t lValue2);

}  // namespace qel
