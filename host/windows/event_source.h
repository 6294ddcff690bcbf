// The events of a window, raised to the sinks that plug-in classes connect.
//
// Every window holds one EventSource per sink interface it raises (IBillEvents,
// IBaseListEvents, IListEvents). It holds the sinks weakly: a class that was released
// hears nothing more, and the window never keeps a plug-in object alive. An event
// goes to the sinks connected when it was raised, in the order they connected; a
// sink may connect or disconnect sinks meanwhile. A sink that fails is recorded and
// reported, and the next sink still gets the event: a plug-in's error never takes the
// host down.
//
// Single-threaded, like the user-interface thread it stands for.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tolm/host_error.h"

namespace hub {

// An event handler that failed: the event's name and the error it raised.
struct EventFailure {
    std::string eventName;
    tolm::HostError error;
};

template <class Sink>
class EventSource {
public:
    // Told of every failure as it is recorded (the window hands it to the message
    // service's error report).
    explicit EventSource(std::function<void(const tolm::HostError&)> report) : m_report(std::move(report)) {}

    // Connects a sink and returns its cookie (from 1, never reused). Raises
    // ObjectNotSet for nullptr.
    int32_t Advise(const std::shared_ptr<Sink>& sink) {
        if (!sink) throw tolm::HostError(tolm::err::ObjectNotSet, "There is no event sink to connect", "Window");
        const int32_t cookie = m_nextCookie++;
        m_sinks.push_back({cookie, sink, m_attaching});
        return cookie;
    }

    // Disconnects the sink of that cookie. Raises InvalidProcedureCall for a cookie
    // that is not connected.
    void Unadvise(int32_t cookie) {
        auto found = std::find_if(m_sinks.begin(), m_sinks.end(), [cookie](const Entry& e) { return e.cookie == cookie; });
        if (found == m_sinks.end()) {
            throw tolm::HostError(tolm::err::InvalidProcedureCall,
                                  "No event sink is connected under the cookie " + std::to_string(cookie), "Window");
        }
        m_sinks.erase(found);
    }

    // Runs `attach` (the class's Show) and marks the sinks it connects meanwhile as
    // the attached class's own. A failure of `attach` is recorded under
    // `eventName`; the sinks it connected before failing stay connected.
    void Attach(const char* eventName, const std::function<void()>& attach) {
        m_attaching = true;
        try {
            attach();
        } catch (...) {
            m_attaching = false;
            Record(eventName, tolm::CurrentError());
            return;
        }
        m_attaching = false;
    }

    // Whether a sink connected while a class attached is still connected (and alive).
    bool AttachedSinkConnected() const {
        return std::any_of(m_sinks.begin(), m_sinks.end(),
                           [](const Entry& e) { return e.fromAttach && !e.sink.expired(); });
    }

    // Raises an event: `call(sink)` for every sink connected now. True when no sink
    // failed.
    template <class Call>
    bool Raise(const char* eventName, Call&& call) {
        // The sinks connected now, held for the event; a window has one or two, so
        // they are kept without allocating (list windows raise an event per cell).
        constexpr size_t InPlace = 4;
        std::array<std::shared_ptr<Sink>, InPlace> few;
        std::vector<std::shared_ptr<Sink>> more;
        size_t count = 0;
        bool expired = false;
        for (const Entry& entry : m_sinks) {
            if (auto sink = entry.sink.lock()) {
                if (count < InPlace) {
                    few[count] = std::move(sink);
                } else {
                    more.push_back(std::move(sink));
                }
                ++count;
            } else {
                expired = true;
            }
        }
        if (expired) std::erase_if(m_sinks, [](const Entry& e) { return e.sink.expired(); });

        bool succeeded = true;
        for (size_t i = 0; i < count; ++i) {
            try {
                call(i < InPlace ? *few[i] : *more[i - InPlace]);
            } catch (...) {
                succeeded = false;
                Record(eventName, tolm::CurrentError());
            }
        }
        return succeeded;
    }

    // Every handler failure since the source was made, in order.
    const std::vector<EventFailure>& Failures() const { return m_failures; }

private:
    struct Entry {
        int32_t cookie;
        std::weak_ptr<Sink> sink;
        bool fromAttach;
    };

    void Record(const char* eventName, const tolm::HostError& error) {
        m_failures.push_back(EventFailure{eventName, error});
        if (m_report) m_report(error);
    }

    std::function<void(const tolm::HostError&)> m_report;
    std::vector<Entry> m_sinks;
    int32_t m_nextCookie = 1;
    bool m_attaching = false;
    std::vector<EventFailure> m_failures;
};

}  // namespace hub
