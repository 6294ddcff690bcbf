#include "frame/module_state.h"

#include <mutex>

namespace qel {
namespace {

struct StateHolder {
    std::mutex mutex;
    std::shared_ptr<ModuleState> state;
};

// Never destroyed: objects released while the process exits still drop the state,
// after the library's static objects may already be gone.
StateHolder& Holder() {
    static StateHolder* holder = new StateHolder;
    return *holder;
}

}  // namespace

std::shared_ptr<ModuleState> State() {
    auto& holder = Holder();
    std::lock_guard lock(holder.mutex);
    if (!holder.state) holder.state = std::make_shared<ModuleState>();
    return holder.state;
}

void DropState() {
    std::shared_ptr<ModuleState> dropped;
    {
        auto& holder = Holder();
        std::lock_guard lock(holder.mutex);
        dropped = std::move(holder.state);
    }
    // Released outside the lock: the components' destructors run host code, which
    // may come back into the plug-in.
}

}  // namespace qel
