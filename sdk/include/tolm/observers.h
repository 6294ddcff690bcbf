// Change notification: a source keeps an Observers list, views subscribe to it and
// are told of every change the source announces.
//
//     tolm::Observers<const Row&> rowChanged;                          // the model's
//     tolm::Subscription s = rowChanged.Subscribe([](const Row&) {...});  // a view's
//     rowChanged.Notify(row);                                           // calls the view
//
// Ownership: the Observers object owns the callbacks; a Subscription is the
// subscriber's handle on one of them. Destroying or resetting the handle ends the
// subscription and frees its callback (after a call of it that is under way has
// returned). Either side may go first: destroying the Observers ends all its
// subscriptions, and a Subscription that outlives its Observers is harmless to
// keep, reset or destroy.
//
// Notify and reentrancy: observers are called in the order they subscribed, on the
// calling thread, with the arguments as lvalues (so Args are copyable values or
// references). An observer may subscribe, unsubscribe (itself or another), notify
// again or destroy the Observers object while it is called:
// - an observer subscribed during a Notify is first called by the next Notify;
// - an observer unsubscribed during a Notify is not called after that, not even
//   later in the same Notify;
// - a nested Notify runs to completion before the outer one goes on;
// - once the Observers object is destroyed, nobody is called any more.
//
// Failure: Subscribe throws std::invalid_argument for an empty callback (and
// std::bad_alloc when memory runs out). An exception thrown by an observer leaves
// Notify at once; observers after it are not called for that notification, and
// all subscriptions stay as they are.
//
// Not thread-safe: a list and its subscriptions belong to one thread (for forms
// and windows, the user-interface thread).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <utility>
#include <vector>

namespace tolm {

namespace detail {

// What a Subscription needs of the list it belongs to, whatever the arguments.
class ObserverList {
public:
    virtual void Unsubscribe(std::uint64_t id) noexcept = 0;

protected:
    ~ObserverList() = default;
};

}  // namespace detail

// The handle on one subscription. Move-only; an empty (default-constructed,
// moved-from or reset) handle holds nothing.
template <class... Args>
class Observers;

class Subscription {
public:
    Subscription() noexcept = default;
    Subscription(Subscription&& other) noexcept
        : m_list(std::move(other.m_list)), m_id(std::exchange(other.m_id, 0)) {}
    Subscription& operator=(Subscription&& other) noexcept {
        if (this != &other) {
            Reset();
            m_list = std::move(other.m_list);
            m_id = std::exchange(other.m_id, 0);
        }
        return *this;
    }
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;
    ~Subscription() { Reset(); }

    // Ends the subscription now; the handle is empty afterwards. Harmless when it is
    // already empty or the list is gone.
    void Reset() noexcept {
        if (auto list = m_list.lock()) list->Unsubscribe(m_id);
        m_list.reset();
        m_id = 0;
    }

    // Whether the handle holds a subscription (one whose list may since be gone).
    explicit operator bool() const noexcept { return m_id != 0; }

private:
    template <class...>
    friend class Observers;
    Subscription(std::weak_ptr<detail::ObserverList> list, std::uint64_t id) noexcept
        : m_list(std::move(list)), m_id(id) {}

    std::weak_ptr<detail::ObserverList> m_list;
    std::uint64_t m_id = 0;
};

template <class... Args>
class Observers {
public:
    using Callback = std::function<void(Args...)>;

    Observers() : m_list(std::make_shared<List>()) {}
    // Observers capture their source; a copy or a move would leave them on the
    // wrong object.
    Observers(const Observers&) = delete;
    Observers& operator=(const Observers&) = delete;
    // Ends every subscription; a Notify under way calls no one after this.
    ~Observers() {
        for (const auto& slot : m_list->entries) slot->active = false;
    }

    // Adds an observer, called by every Notify until the returned handle is reset or
    // destroyed. Discarding the handle would end the subscription at once.
    [[nodiscard]] Subscription Subscribe(Callback callback) {
        if (!callback) throw std::invalid_argument("Observers::Subscribe: empty callback");
        const std::uint64_t id = m_list->nextId++;
        m_list->entries.push_back(std::make_shared<Slot>(Slot{id, std::move(callback), true}));
        return Subscription(m_list, id);
    }

    // Calls every current observer with the arguments (see the rules above).
    void Notify(Args... args) {
        if (m_list->entries.empty()) return;
        // The copy keeps the list and the callbacks alive while they run, even when an
        // observer unsubscribes or destroys this object; new observers are not in it.
        const std::shared_ptr<List> list = m_list;
        const std::vector<std::shared_ptr<Slot>> current = list->entries;
        for (const auto& slot : current) {
            if (slot->active) slot->callback(args...);
        }
    }

    bool Empty() const noexcept { return m_list->entries.empty(); }
    std::size_t Count() const noexcept { return m_list->entries.size(); }

private:
    struct Slot {
        std::uint64_t id;
        Callback callback;
        bool active;
    };

    struct List final : detail::ObserverList {
        void Unsubscribe(std::uint64_t id) noexcept override {
            for (auto it = entries.begin(); it != entries.end(); ++it) {
                if ((*it)->id == id) {
                    // Freed only after the list is consistent again: the callback may
                    // hold subscriptions of its own, which end as it goes.
                    const std::shared_ptr<Slot> removed = std::move(*it);
                    removed->active = false;
                    entries.erase(it);
                    return;
                }
            }
        }
        std::vector<std::shared_ptr<Slot>> entries;
        std::uint64_t nextId = 1;
    };

    std::shared_ptr<List> m_list;
};

}  // namespace tolm
