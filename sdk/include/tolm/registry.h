// Components by class name, and the file in which libraries register their classes.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tolm/export.h"
#include "tolm/host_error.h"
#include "tolm/object.h"

namespace tolm {

using ComponentFactory = std::function<std::shared_ptr<Object>()>;
// Creates a class that is not registered in process, or returns nullptr.
using ComponentResolver = std::function<std::shared_ptr<Object>(const std::string& className)>;

// The process-wide registry of components. Class names are matched without regard
// to letter case ("hubbase.LogServer" finds "HubBase.LogServer").
class TOLM_SDK_API ComponentRegistry {
public:
    static ComponentRegistry& Instance();

    // Registers (or replaces) a class; returns the factory it replaced, if any.
    ComponentFactory Register(const std::string& className, ComponentFactory factory);
    void Unregister(const std::string& className);
    bool IsRegistered(const std::string& className) const;
    // The host's resolver for classes registered in libraries (see ClassRegistryFile).
    void SetResolver(ComponentResolver resolver);
    // A new instance; raises CannotCreateComponent naming the class when it is not
    // registered or its factory fails or answers nothing.
    std::shared_ptr<Object> Create(const std::string& className) const;

private:
    ComponentRegistry() = default;
    struct State;
    State& Data() const;
};

// A new instance of a component as T; raises CannotCreateComponent when the class
// cannot be created or is not a T.
template <class T>
std::shared_ptr<T> CreateObject(const std::string& className) {
    auto typed = std::dynamic_pointer_cast<T>(ComponentRegistry::Instance().Create(className));
    if (!typed) {
        throw HostError(err::CannotCreateComponent,
                        "Cannot create component " + className + ": it does not provide the expected interface",
                        className);
    }
    return typed;
}

// Registers a factory for the life of the object and puts back what it replaced.
class TOLM_SDK_API ScopedComponent {
public:
    ScopedComponent(std::string className, ComponentFactory factory);
    ~ScopedComponent();
    ScopedComponent(const ScopedComponent&) = delete;
    ScopedComponent& operator=(const ScopedComponent&) = delete;

private:
    std::string m_className;
    ComponentFactory m_previous;
};

// ---- the class registry file ---------------------------------------------------------

struct ClassRegistration {
    std::string progId;      // "Library.Class"
    std::string classId;     // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"
    std::string helpString;
    std::string library;     // absolute path of the shared library
    bool operator==(const ClassRegistration&) const = default;
};

// The file in which libraries register their public classes (a JSON document).
// Writes are atomic (a new file renamed over the old one) and serialised between
// processes with a lock file.
class TOLM_SDK_API ClassRegistryFile {
public:
    // $TOLM_REGISTRY when set, else $XDG_CONFIG_HOME/tolm/classes.json, else
    // $HOME/.config/tolm/classes.json.
    static std::filesystem::path DefaultPath();

    explicit ClassRegistryFile(std::filesystem::path path);
    const std::filesystem::path& Path() const { return m_path; }

    // Every registration; none when the file does not exist. Raises RegistryDamaged
    // naming the file when it cannot be read as a registry.
    std::vector<ClassRegistration> Load() const;
    // Adds the classes, replacing registrations of the same prog id (letter case
    // ignored). Registering twice leaves one entry per class. An entry Load could
    // not read back (empty prog id or library, either not UTF-8) is refused with
    // InvalidProcedureCall before anything is written.
    void Register(const std::vector<ClassRegistration>& classes) const;
    // Removes the classes with these prog ids; returns how many were removed.
    int Unregister(const std::vector<std::string>& progIds) const;
    // The registration of a prog id, letter case ignored.
    std::optional<ClassRegistration> Find(const std::string& progId) const;

private:
    std::filesystem::path m_path;
};

}  // namespace tolm
