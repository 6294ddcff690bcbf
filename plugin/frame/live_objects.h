// The count of live objects that keeps the library loaded. The plug-in's shared state
// lasts while it is above zero (module_state.h).
#pragma once

#include <cstdint>

namespace qel {

// Live instances of the public classes and their class objects, plus server locks.
int32_t LiveObjectCount();
void AddServerLock(bool bLock);

// A member of every public class: counts the instance while it lives.
class LiveObject {
public:
    LiveObject();
    ~LiveObject();
    LiveObject(const LiveObject&);
    LiveObject& operator=(const LiveObject&) = default;
};

}  // namespace qel
