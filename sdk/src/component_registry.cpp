#include "tolm/registry.h"

#include <map>
#include <mutex>

#include "tolm/text.h"

namespace tolm {

struct ComponentRegistry::State {
    struct Registration {
        std::string className;  // as registered, for messages
        ComponentFactory factory;
    };
    mutable std::mutex mutex;
    std::map<std::string, Registration> classes;  // keyed by the folded name
    ComponentResolver resolver;
};

ComponentRegistry& ComponentRegistry::Instance() {
    static ComponentRegistry registry;
    return registry;
}

ComponentRegistry::State& ComponentRegistry::Data() const {
    static State state;
    return state;
}

ComponentFactory ComponentRegistry::Register(const std::string& className, ComponentFactory factory) {
    State& state = Data();
    std::lock_guard lock(state.mutex);
    const std::string key = text::AsciiLower(className);
    ComponentFactory previous;
    auto found = state.classes.find(key);
    if (found != state.classes.end()) {
        previous = std::move(found->second.factory);
        state.classes.erase(found);
    }
    // An empty factory registers nothing: it is how ScopedComponent puts back "no
    // class" after overriding one that did not exist.
    if (factory) state.classes.emplace(key, State::Registration{className, std::move(factory)});
    return previous;
}

void ComponentRegistry::Unregister(const std::string& className) {
    State& state = Data();
    std::lock_guard lock(state.mutex);
    state.classes.erase(text::AsciiLower(className));
}

bool ComponentRegistry::IsRegistered(const std::string& className) const {
    State& state = Data();
    std::lock_guard lock(state.mutex);
    return state.classes.contains(text::AsciiLower(className));
}

void ComponentRegistry::SetResolver(ComponentResolver resolver) {
    State& state = Data();
    std::lock_guard lock(state.mutex);
    state.resolver = std::move(resolver);
}

std::shared_ptr<Object> ComponentRegistry::Create(const std::string& className) const {
    ComponentFactory factory;
    ComponentResolver resolver;
    {
        State& state = Data();
        std::lock_guard lock(state.mutex);
        auto found = state.classes.find(text::AsciiLower(className));
        if (found != state.classes.end()) factory = found->second.factory;
        resolver = state.resolver;
    }
    auto fail = [&](const std::string& reason) {
        return HostError(err::CannotCreateComponent, "Cannot create component " + className + ": " + reason,
                         className);
    };
    if (!factory && !resolver) throw fail("the class is not registered");

    // Factories run outside the lock: a component commonly creates others while it
    // is being built.
    std::shared_ptr<Object> instance;
    try {
        instance = factory ? factory() : resolver(className);
    } catch (...) {
        throw fail(CurrentError().Description());
    }
    if (!instance) throw fail(factory ? "the factory returned no object" : "the class is not registered");
    return instance;
}

ScopedComponent::ScopedComponent(std::string className, ComponentFactory factory)
    : m_className(std::move(className)),
      m_previous(ComponentRegistry::Instance().Register(m_className, std::move(factory))) {}

ScopedComponent::~ScopedComponent() {
    ComponentRegistry::Instance().Register(m_className, std::move(m_previous));
}

}  // namespace tolm
