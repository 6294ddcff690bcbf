// register, unregister, classes: the class registry as a person manages it.
#include <filesystem>
#include <memory>
#include <ostream>

#include <nlohmann/json.hpp>

#include <CLI/CLI.hpp>

#include "cli/command_registry.h"
#include "cli/record_output.h"
#include "i18n/catalogue.h"
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

// The class listings keep their keys in alphabetical order, as they always came out.
void PrintSortedJson(std::ostream& out, const nlohmann::json& value) {
    out << value.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
}

void PrintNames(std::ostream& out, const std::vector<tolm::ClassRegistration>& classes) {
    for (const auto& registration : classes) out << "  " << registration.progId << "\n";
}

int Register(CommandContext& context, const std::string& library) {
    const std::string path = CommandFile(context, library).lexically_normal().string();
    std::vector<tolm::ClassRegistration> classes = context.Loader().RegisterLibrary(path);
    if (context.Json()) {
        PrintSortedJson(context.Out(), {{"library", path}, {"registered", ToJson(classes)}});
    } else if (classes.empty()) {
        context.Out() << TranslateFormat(context.Language(), "组件库 %1 没有注册任何类。", {path}) << "\n";
    } else {
        const auto count = static_cast<int64_t>(classes.size());
        context.Out() << TranslateFormat(
                             context.Language(),
                             CountTemplate(count, "已注册组件库 %2 中的1个类：", "已注册组件库 %2 中的%1个类："),
                             {count, path})
                      << "\n";
        PrintNames(context.Out(), classes);
    }
    return 0;
}

int Unregister(CommandContext& context, const std::string& library) {
    const std::filesystem::path path = CommandFile(context, library).lexically_normal();
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
            throw tolm::HostError(
                tolm::err::FileNotFound,
                TranslateFormat(context.Language(), "组件库 %1 不存在，也没有已注册的类。", {path.string()}));
        }
    }
    if (context.Json()) {
        PrintSortedJson(context.Out(), {{"library", path.string()}, {"unregistered", ToJson(removed)}});
    } else if (removed.empty()) {
        context.Out() << TranslateFormat(context.Language(), "组件库 %1 没有已注册的类。", {path.string()}) << "\n";
    } else {
        const auto count = static_cast<int64_t>(removed.size());
        const char* message = exists
                                  ? CountTemplate(count, "已注销组件库 %2 中的1个类：", "已注销组件库 %2 中的%1个类：")
                                  : CountTemplate(count, "已注销已不存在的组件库 %2 中的1个类：",
                                                  "已注销已不存在的组件库 %2 中的%1个类：");
        context.Out() << TranslateFormat(context.Language(), message, {count, path.string()}) << "\n";
        PrintNames(context.Out(), removed);
    }
    return 0;
}

int ListClasses(CommandContext& context) {
    std::vector<tolm::ClassRegistration> classes = context.Loader().Classes();
    if (context.Json()) {
        PrintSortedJson(context.Out(), ToJson(classes));
        return 0;
    }
    if (classes.empty()) {
        context.Out() << TranslateFormat(context.Language(), "注册表 %1 中没有注册任何类。",
                                         {context.Loader().RegistryPath().string()})
                      << "\n";
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

    commands.OnlyReads(commands.Add("classes", "List the registered classes", [](CommandContext& context) {
        return ListClasses(context);
    }));
}

}  // namespace hub::cli
