// The class registry file: a small JSON document shared by every process of the
// host. Readers never take the lock: a writer replaces the file with rename(), so a
// reader sees either the old or the new document, never half of one. Writers take
// an exclusive flock on a separate lock file (the registry itself is replaced, so a
// lock on it would be a lock on a file that disappears) and re-read the document
// under that lock, so two registrations running at once both survive.
#include "tolm/registry.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <system_error>

#include <nlohmann/json.hpp>

#include "tolm/text.h"

namespace tolm {
namespace {

constexpr int FormatVersion = 1;

using Json = nlohmann::json;

[[noreturn]] void ThrowDamaged(const std::filesystem::path& path, const std::string& reason) {
    throw HostError(err::RegistryDamaged, "The class registry " + path.string() + " is damaged: " + reason,
                    "ClassRegistryFile");
}

[[noreturn]] void ThrowAccess(const std::string& what, const std::filesystem::path& path, int error) {
    throw HostError(err::PathFileAccess,
                    "Cannot " + what + " the class registry " + path.string() + ": " + std::strerror(error),
                    "ClassRegistryFile");
}

std::string EnvOrEmpty(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::filesystem::path HomeDirectory() {
    std::string home = EnvOrEmpty("HOME");
    if (!home.empty()) return home;
    // A service started without a login environment still has a password entry.
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::string buffer(size > 0 ? static_cast<size_t>(size) : 16384, '\0');
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir) {
        return found->pw_dir;
    }
    return std::filesystem::current_path();
}

bool IsUtf8(const std::string& text) {
    try {
        (void)Json(text).dump();
        return true;
    } catch (const Json::type_error&) {
        return false;
    }
}

// What an entry must hold to be read back: the reader and the writer both ask this,
// so nothing is ever written that would make the whole file unreadable.
std::optional<std::string> EntryFault(const ClassRegistration& registration) {
    if (registration.progId.empty()) return "has an empty \"progId\"";
    if (registration.library.empty()) return "has an empty \"library\"";
    // Written as they are, names that are not UTF-8 would come back altered: a
    // library path that names no file, or two names that become one.
    if (!IsUtf8(registration.progId)) return "has a \"progId\" that is not UTF-8 text";
    if (!IsUtf8(registration.library)) return "has a \"library\" that is not UTF-8 text";
    return std::nullopt;
}

ClassRegistration ParseEntry(const std::filesystem::path& path, const Json& entry, size_t index) {
    const std::string where = "class entry " + std::to_string(index + 1);
    if (!entry.is_object()) ThrowDamaged(path, where + " is not an object");
    auto text = [&](const char* name, bool required) -> std::string {
        auto it = entry.find(name);
        if (it == entry.end()) {
            if (required) ThrowDamaged(path, where + " has no \"" + name + "\"");
            return {};
        }
        if (!it->is_string()) ThrowDamaged(path, where + ": \"" + name + "\" is not text");
        return it->get<std::string>();
    };
    ClassRegistration registration;
    registration.progId = text("progId", true);
    registration.classId = text("classId", true);
    registration.helpString = text("helpString", false);
    registration.library = text("library", true);
    if (auto fault = EntryFault(registration)) ThrowDamaged(path, where + " " + *fault);
    return registration;
}

std::vector<ClassRegistration> ParseDocument(const std::filesystem::path& path, const std::string& content) {
    if (text::IsBlank(content)) ThrowDamaged(path, "the file is empty");
    Json document = Json::parse(content, nullptr, /*allow_exceptions=*/false);
    if (document.is_discarded()) ThrowDamaged(path, "it is not a JSON document");
    if (!document.is_object()) ThrowDamaged(path, "the document is not an object");
    auto version = document.find("version");
    if (version == document.end() || !version->is_number_integer()) {
        ThrowDamaged(path, "it has no format version");
    }
    if (version->get<long long>() != FormatVersion) {
        ThrowDamaged(path, "format version " + version->dump() + " is not supported");
    }
    auto classes = document.find("classes");
    if (classes == document.end() || !classes->is_array()) ThrowDamaged(path, "it has no list of classes");

    std::vector<ClassRegistration> result;
    result.reserve(classes->size());
    for (size_t i = 0; i < classes->size(); ++i) {
        ClassRegistration registration = ParseEntry(path, (*classes)[i], i);
        for (const auto& earlier : result) {
            if (text::EqualsNoCase(earlier.progId, registration.progId)) {
                // Two answers for one class name: which library would be loaded is
                // anybody's guess, so nothing is loaded until someone fixes the file.
                ThrowDamaged(path, "class " + registration.progId + " is registered twice");
            }
        }
        result.push_back(std::move(registration));
    }
    return result;
}

std::vector<ClassRegistration> ReadRegistry(const std::filesystem::path& path) {
    std::error_code ec;
    auto status = std::filesystem::status(path, ec);
    if (status.type() == std::filesystem::file_type::not_found) return {};
    if (ec) ThrowAccess("read", path, ec.value());
    if (status.type() == std::filesystem::file_type::directory) ThrowDamaged(path, "it is a folder, not a file");

    std::ifstream in(path, std::ios::binary);
    if (!in) ThrowAccess("read", path, errno ? errno : EIO);
    std::ostringstream content;
    content << in.rdbuf();
    if (in.bad()) ThrowAccess("read", path, EIO);
    return ParseDocument(path, content.str());
}

std::string Serialise(const std::vector<ClassRegistration>& classes) {
    Json list = Json::array();
    for (const auto& registration : classes) {
        list.push_back(Json{{"progId", registration.progId},
                            {"classId", registration.classId},
                            {"helpString", registration.helpString},
                            {"library", registration.library}});
    }
    Json document{{"version", FormatVersion}, {"classes", std::move(list)}};
    // Text that is not UTF-8 (a help string from an old library) is written with
    // replacement characters rather than making the whole registration fail.
    return document.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() {
        if (m_fd >= 0) ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int Get() const { return m_fd; }
    int Release() {
        int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

// Holds the writers' lock of a registry for its lifetime.
class WriterLock {
public:
    explicit WriterLock(const std::filesystem::path& registry) : m_fd(-1) {
        std::filesystem::path lockPath = registry;
        lockPath += ".lock";
        int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0) ThrowAccess("lock", registry, errno);
        FileDescriptor guard(fd);
        while (::flock(fd, LOCK_EX) != 0) {
            if (errno != EINTR) ThrowAccess("lock", registry, errno);
        }
        m_fd = guard.Release();
    }
    ~WriterLock() {
        // Closing the descriptor releases the lock.
        ::close(m_fd);
    }
    WriterLock(const WriterLock&) = delete;
    WriterLock& operator=(const WriterLock&) = delete;

private:
    int m_fd;
};

void CreateParentDirectories(const std::filesystem::path& registry) {
    std::filesystem::path parent = registry.parent_path();
    if (parent.empty()) return;
    std::error_code ec;
    std::filesystem::create_directories(parent, ec);
    if (ec) ThrowAccess("create the folder of", registry, ec.value());
}

void WriteAll(int fd, const std::string& content, const std::filesystem::path& registry) {
    size_t written = 0;
    while (written < content.size()) {
        ssize_t n = ::write(fd, content.data() + written, content.size() - written);
        if (n < 0) {
            if (errno == EINTR) continue;
            ThrowAccess("write", registry, errno);
        }
        written += static_cast<size_t>(n);
    }
}

// Replaces the registry with a new document: the content goes to a temporary file
// in the same folder (rename is only atomic within one file system), reaches the
// disk, and is then renamed over the old file.
void ReplaceRegistry(const std::filesystem::path& registry, const std::vector<ClassRegistration>& classes) {
    static std::atomic<unsigned> counter{0};
    std::filesystem::path temporary = registry;
    temporary += ".tmp." + std::to_string(::getpid()) + "." + std::to_string(counter++);

    const std::string content = Serialise(classes);
    {
        int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd < 0) ThrowAccess("write", registry, errno);
        FileDescriptor file(fd);
        try {
            WriteAll(fd, content, registry);
            if (::fsync(fd) != 0) ThrowAccess("write", registry, errno);
        } catch (...) {
            ::unlink(temporary.c_str());
            throw;
        }
        if (::close(file.Release()) != 0) {
            int error = errno;
            ::unlink(temporary.c_str());
            ThrowAccess("write", registry, error);
        }
    }
    if (::rename(temporary.c_str(), registry.c_str()) != 0) {
        int error = errno;
        ::unlink(temporary.c_str());
        ThrowAccess("replace", registry, error);
    }
    // The rename itself is durable only once the folder reaches the disk.
    std::filesystem::path parent = registry.parent_path();
    if (parent.empty()) parent = ".";
    int dirFd = ::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

}  // namespace

std::filesystem::path ClassRegistryFile::DefaultPath() {
    std::string explicitPath = EnvOrEmpty("TOLM_REGISTRY");
    if (!explicitPath.empty()) return explicitPath;
    std::string configHome = EnvOrEmpty("XDG_CONFIG_HOME");
    // A relative XDG_CONFIG_HOME is invalid and must be ignored.
    if (!configHome.empty() && std::filesystem::path(configHome).is_absolute()) {
        return std::filesystem::path(configHome) / "tolm" / "classes.json";
    }
    return HomeDirectory() / ".config" / "tolm" / "classes.json";
}

ClassRegistryFile::ClassRegistryFile(std::filesystem::path path) : m_path(std::move(path)) {}

std::vector<ClassRegistration> ClassRegistryFile::Load() const {
    return ReadRegistry(m_path);
}

void ClassRegistryFile::Register(const std::vector<ClassRegistration>& classes) const {
    for (const auto& registration : classes) {
        if (registration.progId.empty()) {
            throw HostError(err::InvalidProcedureCall, "A class cannot be registered without a name",
                            "ClassRegistryFile");
        }
        if (auto fault = EntryFault(registration)) {
            throw HostError(
                err::InvalidProcedureCall,
                "The class " + registration.progId + " cannot be registered in " + m_path.string() + ": it " + *fault,
                "ClassRegistryFile");
        }
    }
    CreateParentDirectories(m_path);
    WriterLock lock(m_path);
    // A damaged file is left as it is: overwriting it would silently drop every
    // class the damaged part still describes.
    std::vector<ClassRegistration> current = ReadRegistry(m_path);
    for (const auto& registration : classes) {
        bool replaced = false;
        for (auto& existing : current) {
            if (text::EqualsNoCase(existing.progId, registration.progId)) {
                existing = registration;
                replaced = true;
                break;
            }
        }
        if (!replaced) current.push_back(registration);
    }
    ReplaceRegistry(m_path, current);
}

int ClassRegistryFile::Unregister(const std::vector<std::string>& progIds) const {
    std::error_code ec;
    if (!std::filesystem::exists(m_path, ec)) return 0;
    WriterLock lock(m_path);
    std::vector<ClassRegistration> current = ReadRegistry(m_path);
    std::vector<ClassRegistration> kept;
    kept.reserve(current.size());
    for (auto& registration : current) {
        bool remove = false;
        for (const auto& progId : progIds) {
            if (text::EqualsNoCase(registration.progId, progId)) {
                remove = true;
                break;
            }
        }
        if (!remove) kept.push_back(std::move(registration));
    }
    const int removed = static_cast<int>(current.size() - kept.size());
    if (removed > 0) ReplaceRegistry(m_path, kept);
    return removed;
}

std::optional<ClassRegistration> ClassRegistryFile::Find(const std::string& progId) const {
    for (auto& registration : Load()) {
        if (text::EqualsNoCase(registration.progId, progId)) return std::move(registration);
    }
    return std::nullopt;
}

}  // namespace tolm
