// Creating classes of plug-in libraries by their registered names.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tolm/object.h"
#include "tolm/registry.h"

namespace hub {

// Resolves a class name ("TolmBaseQelPlugin.CExRateType") through the class
// registry file to its library, loads the library and asks its class object for an
// instance, as the client does for an in-process server.
//
// A library, once loaded, stays loaded for the life of the process: objects it
// created may be held anywhere, and their code and destructors live in it. Loaded
// libraries are shared by every ClassLoader of the process.
//
// A name is looked up in the person's registry first, then in the system's (the one
// that comes with the installed plug-in, SystemRegistryPath()), whose relative
// library paths are taken from its own folder. Registering and unregistering touch
// the person's registry only.
class ClassLoader {
public:
    // Uses the registry file at ClassRegistryFile::DefaultPath() as it is now.
    ClassLoader();
    explicit ClassLoader(std::filesystem::path registryPath);
    ClassLoader(std::filesystem::path registryPath, std::filesystem::path systemRegistryPath);

    const std::filesystem::path& RegistryPath() const { return m_registryPath; }

    // The registration a name resolves to (letter case ignored), a relative library
    // of the system registry taken from its folder; nothing when neither registry
    // has it. Raises RegistryDamaged
    // for a registry that cannot be read.
    std::optional<tolm::ClassRegistration> Find(const std::string& progId) const;
    // Every class a name can reach: the person's registrations, then the system's
    // that none of them replaces.
    std::vector<tolm::ClassRegistration> Classes() const;

    // A new instance of a registered class (letter case of the name ignored).
    // Raises CannotCreateComponent "Class <name> is not registered" for an unknown
    // name, RegistryDamaged for an unreadable registry, LibraryLoad when the library
    // cannot be loaded, EntryPointNotFound when it lacks one of the four entry
    // points, CannotCreateComponent when its class object refuses; errors raised by
    // the library's own code pass through.
    std::shared_ptr<tolm::Object> CreateInstance(const std::string& progId) const;
    // As CreateInstance, but nullptr when the name is not registered.
    std::shared_ptr<tolm::Object> TryCreateInstance(const std::string& progId) const;

    // Makes this loader the process's resolver for names that no in-process
    // component answers, so tolm::CreateObject<T> finds library classes. The
    // resolver keeps its own copy of the loader's settings.
    void Install() const;

    // Loads a library and runs its DllRegisterServer. Returns the classes the
    // registry then holds for that library. The library writes to
    // ClassRegistryFile::DefaultPath(), so that must be this loader's registry
    // (InvalidProcedureCall otherwise). Before the library runs, the registry's
    // folder is created and the registry must be readable, writable and intact
    // (PathFileAccess or RegistryDamaged naming the cause otherwise). A refusal
    // (anything but S_OK) raises a HostError carrying the library's result code.
    std::vector<tolm::ClassRegistration> RegisterLibrary(const std::filesystem::path& library) const;
    // Loads a library and runs its DllUnregisterServer. Returns the registrations
    // that were removed.
    std::vector<tolm::ClassRegistration> UnregisterLibrary(const std::filesystem::path& library) const;
    // Removes every registration naming the library without loading it: the way to
    // clean up after a library that was deleted or cannot load any more. Returns the
    // registrations removed.
    std::vector<tolm::ClassRegistration> ForgetLibrary(const std::filesystem::path& library) const;

    // The registrations whose library is the given file.
    std::vector<tolm::ClassRegistration> ClassesOf(const std::filesystem::path& library) const;

private:
    void RequireDefaultRegistry(const char* operation) const;
    void RunServerEntry(int32_t (*entry)(), const char* name, const std::string& library) const;

    std::filesystem::path m_registryPath;
    std::filesystem::path m_systemRegistryPath;
};

}  // namespace hub
