#include "frame/module_state.h"

namespace qel {

ModuleState& State() {
    thread_local ModuleState state;
    return state;
}

}  // namespace qel
