// What changed in a window model, told to the views that follow it (the desktop
// client redraws from it; nothing polls).
#pragma once

#include <memory>
#include <string>

#include "tolm/observers.h"

namespace hub {

enum class WindowChangeKind {
    Caption,        // the window's caption
    Status,         // a status panel's text; key: the panel number
    Mode,           // new or modify
    Open,           // opened or closed
    Field,          // a head field's value or display text; key: the field
    FieldLocked,    // key: the field
    FieldDecimals,  // the places a number field shows; key: the field
    Rows,           // the rows a list shows
};

struct WindowChange {
    WindowChangeKind kind;
    std::string key;
};

// Told after the model holds the new state, so a view reads it back from the model.
using WindowObservers = tolm::Observers<const WindowChange&>;

// Closes a window once: marks it closed, releases the class attached to it (which
// lets go of the window) and, when it was open, tells the observers. The caller
// holds the window alive meanwhile, since the class may hold its last reference.
template <class AttachedClass>
void CloseWindow(bool& open, bool& closed, std::shared_ptr<AttachedClass>& attached, WindowObservers& changes) {
    if (closed) return;
    const bool wasOpen = open;
    open = false;
    closed = true;
    std::shared_ptr<AttachedClass> released = std::move(attached);
    released.reset();
    if (wasOpen) changes.Notify({WindowChangeKind::Open, {}});
}

}  // namespace hub
