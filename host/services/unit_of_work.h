// One unit of work per thing a person does: the window event or the click on a
// dialog's button that may write, opened in this one place, and the outcome it had.
//
// A unit's transaction starts with its first write, so a question asked before the
// writing keeps nobody waiting. What the unit writes (the host's own statements, the
// plug-in's, the log record) is stored together or not at all:
//  * an error of the event, a write the plug-in trapped silently (the data-access
//    object and the log server note it) or a refusal a service noted undoes all of it;
//  * a message the person would read once something is written waits until the unit
//    has ended: shown when it was stored, dropped when the unit failed (the failure is
//    told instead), so nobody reads "done" of what the database does not hold, and
//    nobody waits on the company while the person reads;
//  * a question after the first write does not store half of the unit: the lock is
//    held while it is open. Events ask first, then write.
// A unit that begins while another is open but has not written yet (a dialog's button
// inside the list's command that opened the dialog, the editor opened from the list)
// is stored on its own; one that begins after the open one wrote is part of it.
#pragma once

#include <functional>
#include <string>

#include "services/session.h"

namespace hub {

// What became of a command, as the front ends show it and the command line exits.
struct Outcome {
    enum class Kind {
        Done,       // carried out and stored
        Unchanged,  // the person answered No: nothing was changed, as they chose
        Refused,    // a right, a rule or another person's change stood in the way
        Failed,     // the work could not be finished; nothing of it was stored
    };
    Kind kind = Kind::Done;
    // Why, in the session language, for Refused and Failed (may be empty when the
    // person was told by the plug-in in its own words).
    std::string reason;
    // The person has been told `reason` (or the plug-in's own words) already.
    bool told = false;

    bool Succeeded() const { return kind == Kind::Done || kind == Kind::Unchanged; }
    // The command line's exit status: 0 done or unchanged, 1 refused or failed.
    int ExitStatus() const { return Succeeded() ? 0 : 1; }
};

// Runs `event` as one unit of work of the session and answers its outcome; never
// raises for what the event raised (it becomes the outcome, untold: the caller tells
// the person an outcome that is not `told`). `event` answers
// whether the command was carried out: false (cancelled) is Unchanged when the person
// answered a question No meanwhile, else Refused (the one who cancelled told why).
// `unfinished` is the reason given when a write the event made was trapped silently.
// Inside a unit that has written, the event is part of that unit: its error
// propagates and the outer unit decides.
Outcome RunUnitOfWork(const Session& session, const std::function<bool()>& event, const std::string& unfinished);

// For services deciding a write: the unit running now is refused (`told`: the person
// has been told `reason`). Nothing outside a unit.
void RefuseUnit(const std::string& reason, bool told);

// For the platforms: the person answered a question No (or Cancel).
void NoteDeclined();

// For the platforms: shows `show` now, or once the unit running now has ended when it
// has written something (see above). True when it was put off.
bool DeferUntilStored(const std::function<void()>& show);

}  // namespace hub
