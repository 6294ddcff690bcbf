// State the frame keeps for the life of the library, per thread: everything the
// plug-in creates once and reuses.
#pragma once

#include <cstdint>
#include <memory>

#include "tolm/components.h"
#include "tolm/host_library.h"

namespace qel {

struct ModuleState {
    int32_t lLanguageId = 0;  // 0: not yet detected
    std::shared_ptr<tolm::IResLoader> oStringLoader;
    std::shared_ptr<tolm::IDlgResLoader> oFormLoader;
    std::shared_ptr<tolm::TemplateFiller> oTemplateFiller;
    std::shared_ptr<tolm::IMessageService> oMessageService;
    std::shared_ptr<tolm::IHelpTool> oHelpTool;
    int32_t lWaitCursors = 0;
};

ModuleState& State();

}  // namespace qel
