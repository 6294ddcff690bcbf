#include "services/unit_of_work.h"

#include <optional>
#include <utility>
#include <vector>

#include "db/database.h"
#include "services/person_text.h"
#include "tolm/host_error.h"

namespace hub {

namespace {

struct Unit {
    Unit(const Session& session, Unit* outer) : db(*session.Db()), watch(session), parent(outer) {}
    Database& db;
    WriteWatch watch;
    Unit* parent;
    std::optional<Transaction> transaction;
    std::optional<Outcome> refusal;
    bool declined = false;
    // What the person reads once the unit has ended.
    std::vector<std::function<void()>> deferred;
    // The last unit inside this one that wrote, or was refused or failed: a dialog's
    // save inside the command that opened the dialog.
    std::optional<Outcome> inner;
};

// The unit running on this thread (the user-interface thread: one event at a time).
thread_local Unit* t_unit = nullptr;

Outcome FromError(const tolm::HostError& error, const std::string& language) {
    bool refused = error.Number() == tolm::err::Refused || error.Number() == tolm::err::AccessDenied;
    if (const std::optional<DatabaseFault> fault = FaultOf(error)) {
        // Rules the database keeps, and other people's work in the way: the person can
        // act on them; anything else could not be finished.
        refused = *fault == DatabaseFault::Overlap || *fault == DatabaseFault::Duplicate ||
                  *fault == DatabaseFault::Rule || *fault == DatabaseFault::Reference ||
                  *fault == DatabaseFault::Busy || *fault == DatabaseFault::Retryable;
    }
    return Outcome{refused ? Outcome::Kind::Refused : Outcome::Kind::Failed, PersonText(error, language), false};
}

// What the unit's own event, once run, comes to (before its commit).
// A handler that cancelled the host's handling after writing carried the command
// out itself.
Outcome Judge(const Unit& unit, bool carried, const std::string& unfinished, const std::string& language) {
    if (const std::optional<tolm::HostError>& failure = unit.watch.FirstFailure()) {
        // Damaged or full storage says more than that the act was not finished: nothing
        // the person does next goes through until it is mended.
        const std::optional<DatabaseFault> fault = FaultOf(*failure);
        const bool storage = fault == DatabaseFault::Damaged || fault == DatabaseFault::Full;
        return Outcome{Outcome::Kind::Failed, storage ? PersonText(*failure, language) : unfinished, false};
    }
    if (unit.refusal) return *unit.refusal;
    if (unit.inner) return *unit.inner;
    if (!carried && !unit.db.WriteStarted()) {
        return Outcome{unit.declined ? Outcome::Kind::Unchanged : Outcome::Kind::Refused, "", true};
    }
    return {};
}

}  // namespace

Outcome RunUnitOfWork(const Session& session, const std::function<bool()>& event, const std::string& unfinished) {
    Database& db = *session.Db();
    // Part of a unit (or of a transaction of the caller's) that holds the write lock:
    // that one stores or undoes it all.
    if (t_unit != nullptr ? db.WriteStarted() : db.InTransaction()) {
        const bool carried = event();
        if (t_unit == nullptr) return carried ? Outcome{} : Outcome{Outcome::Kind::Refused, "", true};
        Outcome outcome = Judge(*t_unit, carried, unfinished, session.Language());
        return outcome;
    }

    Unit* const outer = t_unit;
    // It has not written: nothing of it to store, and this unit is stored on its own.
    if (outer != nullptr) outer->transaction.reset();
    Unit unit(session, outer);
    unit.transaction.emplace(db, TransactionStart::AtFirstWrite);
    t_unit = &unit;
    Outcome outcome;
    bool wrote = false;
    // What the person would have read of the work is dropped when the work could not
    // be stored: an error, a write trapped silently, a commit refused. A refusal the
    // services noted is shown as they told it.
    bool stored = true;
    try {
        const bool carried = event();
        wrote = db.WriteStarted();
        outcome = Judge(unit, carried, unfinished, session.Language());
        stored = !unit.watch.FirstFailure();
        if (outcome.kind == Outcome::Kind::Done) unit.transaction->Commit();
    } catch (...) {
        outcome = FromError(tolm::CurrentError(), session.Language());
        stored = false;
    }
    // Undoes what was not committed.
    unit.transaction.reset();
    t_unit = outer;
    if (outer != nullptr) {
        outer->transaction.emplace(db, TransactionStart::AtFirstWrite);
        if (wrote || !outcome.Succeeded()) {
            outer->inner = outcome;
            // The caller of this unit tells it.
            outer->inner->told = true;
        }
    }
    if (stored) {
        for (const std::function<void()>& show : unit.deferred) {
            if (!DeferUntilStored(show)) show();
        }
    }
    return outcome;
}

void RefuseUnit(const std::string& reason, bool told) {
    if (t_unit != nullptr && !t_unit->refusal) t_unit->refusal = Outcome{Outcome::Kind::Refused, reason, told};
}

void NoteDeclined() {
    if (t_unit != nullptr) t_unit->declined = true;
}

bool DeferUntilStored(const std::function<void()>& show) {
    if (t_unit == nullptr || !t_unit->db.WriteStarted()) return false;
    t_unit->deferred.push_back(show);
    return true;
}

}  // namespace hub
