#include "frame/live_objects.h"

#include <atomic>

#include "frame/module_state.h"

namespace qel {
namespace {

std::atomic<int32_t> g_lLiveObjects{0};

void AddLive(int32_t lDelta) {
    const int32_t lNow = g_lLiveObjects.fetch_add(lDelta) + lDelta;
    // The host's use of the library ends with its last object and begins anew with
    // the first: either way the state so far is not the new session's. Should another
    // thread cross zero at the same moment, a fresh state may be dropped once more and
    // simply made again.
    if (lNow == 0 || (lDelta > 0 && lNow == 1)) DropState();
}

}  // namespace

int32_t LiveObjectCount() { return g_lLiveObjects.load(); }

void AddServerLock(bool bLock) { AddLive(bLock ? 1 : -1); }

LiveObject::LiveObject() { AddLive(1); }
LiveObject::~LiveObject() { AddLive(-1); }
LiveObject::LiveObject(const LiveObject&) { AddLive(1); }

}  // namespace qel
