#include "core/plugin_registration.h"

#include <filesystem>

#include "base/paths.h"
#include "i18n/catalogue.h"
#include "tolm/host_error.h"
#include "tolm/registry.h"

namespace hub {
namespace {

constexpr const char* Source = "ClassLoader";

}  // namespace

std::string EnsurePluginClassRegistered(const ClassLoader& loader, const char* className, const std::string& language) {
    const auto found = loader.Find(className);
    std::error_code ec;
    if (found && std::filesystem::exists(found->library, ec)) return {};

    const std::filesystem::path library = LibraryDirectory() / PluginLibraryName;
    const std::string missing =
        found
            ? TranslateFormat(language, "插件类 %1 注册的组件库 %2 已不存在", {className, found->library})
            : TranslateFormat(language, "插件类 %1 未在注册表 %2 中注册", {className, loader.RegistryPath().string()});
    if (!std::filesystem::exists(library, ec)) {
        throw tolm::HostError(
            tolm::err::CannotCreateComponent,
            TranslateFormat(language, "%1，程序所在目录中也没有 %2；请用 tolm register <%2 的路径> 注册插件。",
                            {missing, PluginLibraryName}),
            Source);
    }
    try {
        loader.RegisterLibrary(library);
    } catch (const tolm::HostError& error) {
        throw tolm::HostError(
            error.Number(),
            TranslateFormat(language, "%1，注册 %2 也失败了：%3；请用 tolm register <%4 的路径> 注册插件。",
                            {missing, library.string(), error.Description(), PluginLibraryName}),
            Source);
    }
    if (!loader.Find(className)) {
        throw tolm::HostError(
            tolm::err::CannotCreateComponent,
            TranslateFormat(language, "%1，%2 中也没有该类；请用 tolm register <%3 的路径> 注册插件。",
                            {missing, library.string(), PluginLibraryName}),
            Source);
    }
    return TranslateFormat(language, "%1；已注册 %2。", {missing, library.string()});
}

}  // namespace hub
