// The host's optional modules: parts that bring a large library with them (the
// server backend and its client library, the download and its network library) are
// shared modules that a program loads only when it first needs them, so that its
// start does not pay for what it may never use.
#pragma once

#include <string>

#include "tolm/host_error.h"

namespace hub {

// The source of the error raised when a module a command needs cannot be loaded:
// followed by ".Server", ".Formats" or ".Passwords", so that the person is told in the session's
// language what the installation lacks (services/person_text.h), while the
// loader's own English words go to the debug log.
constexpr const char* MissingModuleSource = "TolmHost.MissingModule";

// What loading a module gave: its entry point, or why there is none.
struct HostModule {
    void* entry = nullptr;
    // In English, for the sentence the caller makes of it: the loader's own words
    // when the module was found but could not be loaded (a library it needs is
    // missing), else that it was not found.
    std::string reason;
};

// Loads the module `fileName` and looks up `entryName` in it. The module is looked
// for beside the contract's shared library (the build tree and an installation keep
// them together), in LibraryDirectory() and then by name through the program's
// library search path. A module loaded stays loaded for the life of the process.
HostModule LoadHostModule(const std::string& fileName, const char* entryName);

// The table of functions the module's entry hands out, when the module loads and was
// built with this program (the table's version is `version`); else nothing, and
// `reason` says why.
template <class Table>
const Table* LoadModuleTable(const std::string& fileName, const char* entryName, int version, std::string& reason) {
    const HostModule module = LoadHostModule(fileName, entryName);
    reason = module.reason;
    if (module.entry == nullptr) return nullptr;
    const Table* table = reinterpret_cast<const Table* (*)()>(module.entry)();
    if (table != nullptr && table->version == version) return table;
    reason = fileName + " belongs to another build of this program";
    return nullptr;
}

// LoadModuleTable for a module the command cannot do without: its table, or a
// HostError(code) from MissingModuleSource + `part` saying what the installation
// cannot do (`lacking`), the loader's reason and what to do (`remedy`).
template <class Table>
const Table* RequireModuleTable(const std::string& fileName, const char* entryName, int version, int32_t code,
                                const char* part, const std::string& lacking, const char* remedy) {
    std::string reason;
    if (const Table* table = LoadModuleTable<Table>(fileName, entryName, version, reason)) return table;
    throw tolm::HostError(code, lacking + " could not be loaded: " + reason + ". " + remedy,
                          std::string(MissingModuleSource) + part);
}

}  // namespace hub
