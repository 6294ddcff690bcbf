#include "frame/live_objects.h"

#include <atomic>

namespace qel {
namespace {
std::atomic<int32_t> g_lLiveObjects{0};
}  // namespace

int32_t LiveObjectCount() { return g_lLiveObjects.load(); }

void AddServerLock(bool bLock) { g_lLiveObjects += bLock ? 1 : -1; }

LiveObject::LiveObject() { ++g_lLiveObjects; }
LiveObject::~LiveObject() { --g_lLiveObjects; }
LiveObject::LiveObject(const LiveObject&) { ++g_lLiveObjects; }

}  // namespace qel
