#include "frame/help.h"

#include "frame/module_state.h"
#include "tolm/form.h"
#include "tolm/registry.h"

namespace qel {

bool ShowHELP(int16_t iKeyCode, int32_t lTopic, const std::string& sText1, int32_t lValue1,
              const std::string& sText2, int32_t lValue2) {
    bool bResult = false;
    if (iKeyCode == tolm::KeyF1) {
        auto state = State();
        tolm::Step([&] {
            if (!state->oHelpTool) state->oHelpTool = tolm::CreateObject<tolm::IHelpTool>(tolm::classname::HelpTool);
        });
        tolm::Step([&] {
            int32_t lTopicArg = lTopic;
            std::string sText1Arg = sText1;
            std::string sText2Arg = sText2;
            int32_t lValue1Arg = lValue1;
            int32_t lValue2Arg = lValue2;
            tolm::Deref(state->oHelpTool).ShowHELP(lTopicArg, 0, sText1Arg, lValue1Arg, sText2Arg, lValue2Arg);
        });
        bResult = true;
    }
    return bResult;
}

}  // namespace qel
