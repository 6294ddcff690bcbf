// What the platforms do around a person's acts on the plug-in's dialogs, as the
// runtime sets it for the session logged in: how a button's click runs (as one unit
// of work), and what happens before the person is asked or told anything (the work
// done so far is stored). Without a session a click simply runs.
#pragma once

#include <functional>

#include "tolm/form.h"

namespace hub {

struct PersonActHooks {
    std::function<void(const std::function<void()>& click)> runClick;
    std::function<void()> beforeQuestion;
};

void SetPersonActHooks(PersonActHooks hooks);

// For the platforms, as they show a form: every button's click runs through runClick.
void RunButtonClicksThroughHooks(tolm::Form& form);
// For the platforms, before a message box, a file dialog or a form is shown.
void BeforeQuestion();

}  // namespace hub
