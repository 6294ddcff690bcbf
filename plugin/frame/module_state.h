// The plug-in's shared state: what it creates once and reuses while a host uses it.
//
// There is one state for the library, shared by every thread. It is made on first
// use and dropped whenever the live-object count (live_objects.h) falls to zero, the
// moment the library could be unloaded. A host that releases every object and logs
// in again, or in another language, therefore gets the language detected anew and
// loaders and components created anew from its current registrations. The count
// rising from zero drops it too: a state made while nothing lived (a frame function
// called with no object) belongs to no session and must not carry into the next one.
//
// State() hands out a shared reference, and dropping only lets go of the library's
// own: a function still running when the last object is released finishes with the
// state it started with, and its components are released when it lets go. Whoever
// undoes later what it did to the state (WaitCursor) keeps its reference that long.
//
// Making and dropping the state are guarded by a lock. Its members are used without
// one: the host calls the plug-in from its user-interface thread only.
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
    int32_t lWaitCursors = 0;  // live WaitCursors of the library
};

// The library's state; made when there is none.
std::shared_ptr<ModuleState> State();

// Lets go of the library's state, so the next State() makes a new one. The
// live-object count calls it when it falls to zero or rises from it.
void DropState();

}  // namespace qel
