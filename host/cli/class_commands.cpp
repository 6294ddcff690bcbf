// register, unregister, classes: the class registry as a person manages it.
#include <filesystem>
#include <memory>
#include <ostream>

#include <nlohmann/json.hpp>

#include "cli/command_registry.h"
#include "tolm/host_error.h"
#include "tolm/registry.h"

namespace hub::cli {
namespace {

nlohmann::json ToJson(const tolm::ClassRegistration& registration) {
    return {{"progId", registration.progId},
            {"classId", registration.classId},
            {"helpString", registration.helpString},
            {"library", registration.library}};
}

nlohmann::json ToJson(const std::vector<tolm::ClassRegistration>& classes) {
    nlohmann::json list = nlohmann::json::array();
    for (const auto& registration : classes) list.push_back(ToJson(registration));
    return list;
}

void PrintJson(std::ostream& out, const nlohmann::json& value) {
    out << value.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
}

void PrintNames(std::ostream& out, const std::vector<tolm::ClassRegistration>& classes) {
    for (const auto& registration : classes) out << "  " << registration.progId << "\n";
}

int Register(CommandContext& context, const std::string& library) {
    const std::string path = std::filesystem::absolute(library).lexically_normal().string();
    std::vector<tolm::ClassRegistration> classes = context.Loader().RegisterLibrary(path);
    if (context.Json()) {
        PrintJson(context.Out(), {{"library", path}, {"registered", ToJson(classes)}});
    } else if (classes.empty()) {
        context.Out() << "The library " << path << " registered no classes.\n";
    } else {
        context.Out() << "Registered " << classes.size() << " classes of " << path << ":\n";
        PrintNames(context.Out(), classes);
    }
    return 0;
}

int Unregister(CommandContext& context, const std::string& library) {
    const std::filesystem::path path = std::filesystem::absolute(library).lexically_normal();
    std::error_code ec;
    const bool exists = std::filesystem::exists(path, ec);
    std::vector<tolm::ClassRegistration> removed;
    if (exists) {
        removed = context.Loader().UnregisterLibrary(path);
    } else {
        // A deleted library cannot unregister itself; its entries would otherwise
        // stay behind for good.
        removed = context.Loader().ForgetLibrary(path);
        if (removed.empty()) {
            throw tolm::HostError(tolm::err::FileNotFound,
                                  "The library " + path.string() + " does not exist and has no registered classes");
        }
    }
    if (context.Json()) {
        PrintJson(context.Out(), {{"library", path.string()}, {"unregistered", ToJson(removed)}});
    } else {
        context.Out() << "Unregistered " << removed.size() << " classes of " << (exists ? "" : "the missing library ")
                      << path.string() << (removed.empty() ? ".\n" : ":\n");
        PrintNames(context.Out(), removed);
    }
    return 0;
}

int ListClasses(CommandContext& context) {
    std::vector<tolm::ClassRegistration> classes = tolm::ClassRegistryFile(context.Loader().RegistryPath()).Load();
    if (context.Json()) {
        PrintJson(context.Out(), ToJson(classes));
        return 0;
    }
    if (classes.empty()) {
        context.Out() << "No classes are registered in " << context.Loader().RegistryPath().string() << ".\n";
        return 0;
    }
    for (const auto& registration : classes) {
        context.Out() << registration.progId << "  " << registration.classId << "\n";
        if (!registration.helpString.empty()) context.Out() << "    " << registration.helpString << "\n";
        context.Out() << "    " << registration.library << "\n";
    }
    return 0;
}

}  // namespace

void AddClassCommands(CommandSet& commands) {
    auto registerLibrary = std::make_shared<std::string>();
    commands
        .Add("register", "Register the classes of a plug-in library",
             [registerLibrary](CommandContext& context) { return Register(context, *registerLibrary); })
        .add_option("LIBRARY", *registerLibrary, "The plug-in's shared library")
        ->required();

    auto unregisterLibrary = std::make_shared<std::string>();
    commands
        .Add("unregister", "Remove the classes of a plug-in library from the registry",
             [unregisterLibrary](CommandContext& context) { return Unregister(context, *unregisterLibrary); })
        .add_option("LIBRARY", *unregisterLibrary, "The plug-in's shared library")
        ->required();

    commands.Add("classes", "List the registered classes", [](CommandContext& context) {
        return ListClasses(context);
    });
}

}  // namespace hub::cli
