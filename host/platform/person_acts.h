// What the platforms do around a person's acts, as the runtime sets it for the
// session logged in: how a click on a button of a plug-in's dialog runs (as one unit
// of work), when what the person only reads is shown (once the work in progress is
// stored), and that the person declined a question. Without a session a click simply
// runs and everything is shown at once.
#pragma once

#include <functional>

#include "tolm/form.h"

namespace hub {

struct PersonActHooks {
    std::function<void(tolm::Form& form, const std::function<void()>& click)> runClick;
    // Puts `show` off until the work in progress is stored; false when it is to be
    // shown now.
    std::function<bool(const std::function<void()>& show)> putOff;
    std::function<void()> declined;
};

void SetPersonActHooks(PersonActHooks hooks);

// For the platforms, as they show a form: every button's click runs through runClick.
void RunButtonClicksThroughHooks(tolm::Form& form);
// For the platforms, for what the person only reads (a message with one button, a
// report): true when it was put off (`show` runs later, or not at all when the work
// failed: the failure is told instead); false when the caller shows it now.
bool PutOffUntilStored(const std::function<void()>& show);
// For the platforms: the person answered a question No or Cancel, or closed a file
// dialog without a file.
void PersonDeclined();

}  // namespace hub
