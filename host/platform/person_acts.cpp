#include "platform/person_acts.h"

#include <memory>
#include <utility>

namespace hub {

namespace {

PersonActHooks& Hooks() {
    static PersonActHooks hooks;
    return hooks;
}

}  // namespace

void SetPersonActHooks(PersonActHooks hooks) { Hooks() = std::move(hooks); }

void RunButtonClicksThroughHooks(tolm::Form& form) {
    for (const std::unique_ptr<tolm::FormControl>& control : form.Controls()) {
        if (control->Kind() != tolm::ControlKind::Button || !control->Click) continue;
        control->Click = [&form, click = std::move(control->Click)] {
            // Asked at the click: the session may have changed since the form was shown.
            const auto runner = Hooks().runClick;
            if (runner) {
                runner(form, click);
            } else {
                click();
            }
        };
    }
}

bool PutOffUntilStored(const std::function<void()>& show) {
    const auto putOff = Hooks().putOff;
    return putOff && putOff(show);
}

void PersonDeclined() {
    if (Hooks().declined) Hooks().declined();
}

}  // namespace hub
