#include "core/class_loader.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <map>
#include <mutex>
#include <optional>
#include <system_error>

#include "base/paths.h"
#include "tolm/host_error.h"
#include "tolm/plugin_abi.h"
#include "tolm/registry.h"

namespace hub {
namespace {

constexpr const char* Source = "ClassLoader";

struct LoadedLibrary {
    std::string path;
    tolm::DllRegisterServerFn registerServer = nullptr;
    tolm::DllUnregisterServerFn unregisterServer = nullptr;
    tolm::DllGetClassObjectFn getClassObject = nullptr;
    tolm::DllCanUnloadNowFn canUnloadNow = nullptr;
};

std::string HexResult(tolm::HRESULT result) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08" PRIX32, static_cast<uint32_t>(result));
    return text;
}

// One absolute spelling per file, so a library reached by two paths is one entry.
std::filesystem::path Normalise(const std::filesystem::path& library) {
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(library, ec);
    if (ec) absolute = library;
    std::filesystem::path canonical = std::filesystem::weakly_canonical(absolute, ec);
    return ec ? absolute.lexically_normal() : canonical;
}

bool SameLibrary(const std::string& registered, const std::filesystem::path& library) {
    std::error_code ec;
    if (std::filesystem::equivalent(registered, library, ec)) return true;
    // A library that no longer exists can only be matched by its name.
    return Normalise(registered) == Normalise(library);
}

// The libraries loaded by this process. Handles are never closed (see the header).
class LibraryCache {
public:
    static LibraryCache& Instance() {
        static LibraryCache* cache = new LibraryCache;  // outlives every static object holding plug-in objects
        return *cache;
    }

    const LoadedLibrary& Load(const std::filesystem::path& library) {
        const std::filesystem::path path = Normalise(library);
        std::lock_guard lock(m_mutex);
        auto found = m_libraries.find(path.string());
        if (found != m_libraries.end()) return found->second;

        dlerror();
        void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            const char* reason = dlerror();
            throw tolm::HostError(tolm::err::LibraryLoad,
                                  "Cannot load the library " + path.string() + ": " +
                                      (reason ? reason : "unknown reason"),
                                  Source);
        }
        LoadedLibrary loaded;
        loaded.path = path.string();
        try {
            loaded.registerServer = Entry<tolm::DllRegisterServerFn>(handle, path, tolm::DllRegisterServerName);
            loaded.unregisterServer =
                Entry<tolm::DllUnregisterServerFn>(handle, path, tolm::DllUnregisterServerName);
            loaded.getClassObject = Entry<tolm::DllGetClassObjectFn>(handle, path, tolm::DllGetClassObjectName);
            loaded.canUnloadNow = Entry<tolm::DllCanUnloadNowFn>(handle, path, tolm::DllCanUnloadNowName);
        } catch (...) {
            // Nothing of an incomplete library was used, so it may go again.
            dlclose(handle);
            throw;
        }
        return m_libraries.emplace(path.string(), std::move(loaded)).first->second;
    }

private:
    template <class Fn>
    static Fn Entry(void* handle, const std::filesystem::path& path, const char* name) {
        dlerror();
        void* symbol = dlsym(handle, name);
        if (!symbol || dlerror()) {
            throw tolm::HostError(tolm::err::EntryPointNotFound,
                                  "The library " + path.string() + " has no entry point " + name, Source);
        }
        return reinterpret_cast<Fn>(symbol);
    }

    std::mutex m_mutex;
    std::map<std::string, LoadedLibrary> m_libraries;
};

// Runs a registration entry point; errors thrown across it keep their identity,
// anything else becomes a HostError.
tolm::HRESULT CallServerEntry(tolm::HRESULT (*entry)()) {
    try {
        return entry();
    } catch (const tolm::HostError&) {
        throw;
    } catch (...) {
        throw tolm::CurrentError();
    }
}

void RequireSuccess(tolm::HRESULT result, const char* entry, const std::string& library) {
    // Failure codes are shown as they are, the way the system shows COM errors;
    // a success code other than S_OK has no error number of its own.
    const int32_t number = result < 0 ? result : tolm::err::InternalError;
    throw tolm::HostError(number, std::string(entry) + " of " + library + " failed with " + HexResult(result),
                          Source);
}

[[noreturn]] void ThrowRegistryAccess(const std::string& what, const std::filesystem::path& path,
                                      const std::string& reason) {
    throw tolm::HostError(tolm::err::PathFileAccess, "Cannot " + what + " " + path.string() + ": " + reason, Source);
}

std::string ErrnoText(int error) { return std::generic_category().message(error); }

// A library only says that its registration failed, never why. Whatever the host can
// find out about the registry beforehand is checked here, so the person is told the
// real cause: the folder cannot be made, the file cannot be read or written, or it
// is damaged.
void RequireWritableRegistry(const std::filesystem::path& registry) {
    std::filesystem::path folder = registry.parent_path();
    if (folder.empty()) folder = ".";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) ThrowRegistryAccess("create the folder of the class registry", folder, ec.message());
    // The registry is replaced through a new file beside it, and writers lock a file
    // of their own there.
    if (::access(folder.c_str(), W_OK | X_OK) != 0) {
        const int error = errno;
        ThrowRegistryAccess("write in the folder of the class registry", folder, ErrnoText(error));
    }
    // Reading reports a damaged document, or one that cannot be read.
    tolm::ClassRegistryFile(registry).Load();
    if (std::filesystem::exists(registry, ec)) {
        // Opened for writing but not truncated: nothing in it changes.
        const int fd = ::open(registry.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd < 0) {
            const int error = errno;
            ThrowRegistryAccess("write the class registry", registry, ErrnoText(error));
        }
        ::close(fd);
    }
}

std::shared_ptr<tolm::Object> CreateRegistered(const tolm::ClassRegistration& registration) {
    const LoadedLibrary& library = LibraryCache::Instance().Load(registration.library);
    std::shared_ptr<tolm::IClassFactory> factory;
    tolm::HRESULT result = library.getClassObject(registration.classId.c_str(), &factory);
    if (result != tolm::S_OK || !factory) {
        throw tolm::HostError(tolm::err::CannotCreateComponent,
                              "Class " + registration.progId + " cannot be created: " + library.path +
                                  " does not provide the class " + registration.classId + " (" +
                                  HexResult(result) + ")",
                              registration.progId);
    }
    std::shared_ptr<tolm::Object> instance = factory->CreateInstance();
    if (!instance) {
        throw tolm::HostError(tolm::err::CannotCreateComponent,
                              "Class " + registration.progId + " cannot be created: its class object gave no instance",
                              registration.progId);
    }
    return instance;
}

// The system registry's library paths, relative ones taken from its folder.
tolm::ClassRegistration FromSystemRegistry(tolm::ClassRegistration registration,
                                           const std::filesystem::path& systemRegistry) {
    registration.library = (systemRegistry.parent_path() / registration.library).lexically_normal().string();
    return registration;
}

std::optional<tolm::ClassRegistration> FindRegistration(const std::filesystem::path& registry,
                                                        const std::filesystem::path& systemRegistry,
                                                        const std::string& progId) {
    if (auto found = tolm::ClassRegistryFile(registry).Find(progId)) return found;
    if (systemRegistry.empty()) return std::nullopt;
    if (auto found = tolm::ClassRegistryFile(systemRegistry).Find(progId)) {
        return FromSystemRegistry(std::move(*found), systemRegistry);
    }
    return std::nullopt;
}

std::shared_ptr<tolm::Object> TryCreate(const std::filesystem::path& registryPath,
                                        const std::filesystem::path& systemRegistryPath, const std::string& progId) {
    std::optional<tolm::ClassRegistration> registration = FindRegistration(registryPath, systemRegistryPath, progId);
    if (!registration) return nullptr;
    return CreateRegistered(*registration);
}

}  // namespace

ClassLoader::ClassLoader() : ClassLoader(tolm::ClassRegistryFile::DefaultPath()) {}

ClassLoader::ClassLoader(std::filesystem::path registryPath)
    : ClassLoader(std::move(registryPath), SystemRegistryPath()) {}

ClassLoader::ClassLoader(std::filesystem::path registryPath, std::filesystem::path systemRegistryPath)
    : m_registryPath(std::move(registryPath)), m_systemRegistryPath(std::move(systemRegistryPath)) {}

std::optional<tolm::ClassRegistration> ClassLoader::Find(const std::string& progId) const {
    return FindRegistration(m_registryPath, m_systemRegistryPath, progId);
}

std::vector<tolm::ClassRegistration> ClassLoader::Classes() const {
    std::vector<tolm::ClassRegistration> classes = tolm::ClassRegistryFile(m_registryPath).Load();
    if (m_systemRegistryPath.empty()) return classes;
    const tolm::ClassRegistryFile own(m_registryPath);
    for (auto& registration : tolm::ClassRegistryFile(m_systemRegistryPath).Load()) {
        if (own.Find(registration.progId)) continue;
        classes.push_back(FromSystemRegistry(std::move(registration), m_systemRegistryPath));
    }
    return classes;
}

std::shared_ptr<tolm::Object> ClassLoader::CreateInstance(const std::string& progId) const {
    std::shared_ptr<tolm::Object> instance = TryCreate(m_registryPath, m_systemRegistryPath, progId);
    if (!instance) {
        throw tolm::HostError(tolm::err::CannotCreateComponent, "Class " + progId + " is not registered", progId);
    }
    return instance;
}

std::shared_ptr<tolm::Object> ClassLoader::TryCreateInstance(const std::string& progId) const {
    return TryCreate(m_registryPath, m_systemRegistryPath, progId);
}

void ClassLoader::Install() const {
    tolm::ComponentRegistry::Instance().SetResolver(
        [registryPath = m_registryPath, systemRegistryPath = m_systemRegistryPath](const std::string& className) {
            return TryCreate(registryPath, systemRegistryPath, className);
        });
}

void ClassLoader::RequireDefaultRegistry(const char* operation) const {
    const std::filesystem::path target = tolm::ClassRegistryFile::DefaultPath();
    if (Normalise(target) != Normalise(m_registryPath)) {
        throw tolm::HostError(tolm::err::InvalidProcedureCall,
                              std::string("Cannot ") + operation + " a library into " + m_registryPath.string() +
                                  ": libraries write their classes to " + target.string(),
                              Source);
    }
}

void ClassLoader::RunServerEntry(tolm::HRESULT (*entry)(), const char* name, const std::string& library) const {
    const tolm::HRESULT result = CallServerEntry(entry);
    if (result == tolm::S_OK) return;
    // A library reports only that it failed; the usual cause is the registry
    // itself, and then its own error says far more.
    tolm::ClassRegistryFile(m_registryPath).Load();
    RequireSuccess(result, name, library);
}

std::vector<tolm::ClassRegistration> ClassLoader::RegisterLibrary(const std::filesystem::path& library) const {
    RequireDefaultRegistry("register");
    const LoadedLibrary& loaded = LibraryCache::Instance().Load(library);
    RequireWritableRegistry(m_registryPath);
    RunServerEntry(loaded.registerServer, tolm::DllRegisterServerName, loaded.path);
    return ClassesOf(loaded.path);
}

std::vector<tolm::ClassRegistration> ClassLoader::UnregisterLibrary(const std::filesystem::path& library) const {
    RequireDefaultRegistry("unregister");
    const LoadedLibrary& loaded = LibraryCache::Instance().Load(library);
    std::vector<tolm::ClassRegistration> before = ClassesOf(loaded.path);
    RunServerEntry(loaded.unregisterServer, tolm::DllUnregisterServerName, loaded.path);
    std::vector<tolm::ClassRegistration> after = ClassesOf(loaded.path);
    std::vector<tolm::ClassRegistration> removed;
    for (auto& registration : before) {
        if (std::find(after.begin(), after.end(), registration) == after.end()) {
            removed.push_back(std::move(registration));
        }
    }
    return removed;
}

std::vector<tolm::ClassRegistration> ClassLoader::ForgetLibrary(const std::filesystem::path& library) const {
    std::vector<tolm::ClassRegistration> removed = ClassesOf(library);
    std::vector<std::string> progIds;
    for (const auto& registration : removed) progIds.push_back(registration.progId);
    if (!progIds.empty()) tolm::ClassRegistryFile(m_registryPath).Unregister(progIds);
    return removed;
}

std::vector<tolm::ClassRegistration> ClassLoader::ClassesOf(const std::filesystem::path& library) const {
    std::vector<tolm::ClassRegistration> result;
    for (auto& registration : tolm::ClassRegistryFile(m_registryPath).Load()) {
        if (SameLibrary(registration.library, library)) result.push_back(std::move(registration));
    }
    return result;
}

}  // namespace hub
