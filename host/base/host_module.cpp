#include "host_module.h"

#include <dlfcn.h>

#include <filesystem>
#include <system_error>
#include <vector>

#include "base/paths.h"
#include "tolm/variant.h"

namespace hub {

namespace {

std::vector<std::string> Candidates(const std::string& fileName) {
    std::vector<std::string> candidates;
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&tolm::FormatDateText), &info) != 0 && info.dli_fname != nullptr) {
        const std::filesystem::path library(info.dli_fname);
        if (library.has_parent_path()) candidates.push_back((library.parent_path() / fileName).string());
    }
    candidates.push_back((LibraryDirectory() / fileName).string());
    candidates.push_back(fileName);
    return candidates;
}

}  // namespace

HostModule LoadHostModule(const std::string& fileName, const char* entryName) {
    HostModule module;
    module.reason = fileName + " was not found";
    for (const std::string& candidate : Candidates(fileName)) {
        std::error_code ignored;
        if (candidate.find('/') != std::string::npos && !std::filesystem::exists(candidate, ignored)) continue;
        void* handle = ::dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) {
            // Found but not loadable, or not found by name either.
            const char* error = ::dlerror();
            module.reason = error != nullptr ? error : fileName + " could not be loaded";
            return module;
        }
        module.entry = ::dlsym(handle, entryName);
        if (module.entry == nullptr) {
            ::dlclose(handle);
            module.reason = candidate + " is not a module of this program";
        }
        return module;
    }
    return module;
}

}  // namespace hub
