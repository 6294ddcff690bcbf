#include "cli/window_commands.h"

#include <ostream>

#include <CLI/CLI.hpp>

#include "cli/record_output.h"
#include "i18n/catalogue.h"
#include "windows/tool.h"

namespace hub::cli {
namespace {

// Closes the window however the command ends.
class WindowGuard {
public:
    explicit WindowGuard(OpenedWindow window) : m_window(std::move(window)) {}
    ~WindowGuard() {
        if (m_window.close) m_window.close();
    }
    WindowGuard(const WindowGuard&) = delete;
    WindowGuard& operator=(const WindowGuard&) = delete;
    const OpenedWindow& operator*() const { return m_window; }

private:
    OpenedWindow m_window;
};

std::string YesNo(const std::string& language, bool value) { return Translate(language, value ? "是" : "否"); }

int PrintMenu(CommandContext& context, const InspectedWindow& window) {
    WindowGuard opened(window.open(context));
    const std::string& language = context.Language();
    nlohmann::ordered_json json = nlohmann::ordered_json::array();
    std::vector<std::vector<std::string>> table{
        {Translate(language, "栏"), Translate(language, "键"), Translate(language, "标题"),
         Translate(language, "提示"), Translate(language, "可见"), Translate(language, "可用"),
         Translate(language, "选中"), Translate(language, "图像")}};
    for (const auto& band : (*opened).menuBar->Bands()) {
        const auto& tools = *band->BandTools();
        for (int32_t index = 1; index <= tools.Count(); ++index) {
            const auto tool = tools.ItemAt(index);
            const auto* own = dynamic_cast<const Tool*>(tool.get());
            const bool hasImage = own != nullptr && !own->Images().empty();
            if (context.Json()) {
                json.push_back({{"band", band->Key()},
                                {"key", tool->Key()},
                                {"caption", tool->Caption()},
                                {"toolTip", tool->ToolTipText()},
                                {"visible", tool->Visible()},
                                {"enabled", tool->Enabled()},
                                {"checked", tool->Checked()},
                                {"image", hasImage}});
            } else {
                table.push_back({band->Key(), tool->Key(), tool->Caption(), tool->ToolTipText(),
                                 YesNo(language, tool->Visible()), YesNo(language, tool->Enabled()),
                                 YesNo(language, tool->Checked()), YesNo(language, hasImage)});
            }
        }
    }
    if (context.Json()) {
        PrintJson(context.Out(), json);
    } else {
        PrintTable(context.Out(), table);
    }
    return 0;
}

int PrintHelp(CommandContext& context, const InspectedWindow& window) {
    WindowGuard opened(window.open(context));
    const int32_t topic = (*opened).requestHelp();
    if (context.Json()) {
        PrintJson(context.Out(), nlohmann::ordered_json{{"topic", topic}});
    } else {
        context.Out() << topic << "\n";
    }
    return 0;
}

}  // namespace

void AddWindowCommands(CommandSet& commands, std::vector<InspectedWindow> windows) {
    auto shared = std::make_shared<std::vector<InspectedWindow>>(std::move(windows));
    auto menuParsers = std::make_shared<std::vector<CLI::App*>>();
    auto helpParsers = std::make_shared<std::vector<CLI::App*>>();

    CLI::App& menu = commands.Add("menu", "The menu bar of a window as its plug-in shaped it", [=](CommandContext& context) {
        for (size_t i = 0; i < menuParsers->size(); ++i) {
            if (Parsed((*menuParsers)[i])) return PrintMenu(context, (*shared)[i]);
        }
        return 0;
    });
    menu.require_subcommand(1);
    menu.fallthrough();
    CLI::App& help = commands.Add("help", "The help topic a window answers for F1", [=](CommandContext& context) {
        for (size_t i = 0; i < helpParsers->size(); ++i) {
            if (Parsed((*helpParsers)[i])) return PrintHelp(context, (*shared)[i]);
        }
        return 0;
    });
    help.require_subcommand(1);
    help.fallthrough();

    // A window's parser is nothing when the command line names another window.
    for (const InspectedWindow& window : *shared) {
        CLI::App* menuOf = commands.Subcommand(menu, window.name, window.description);
        if (menuOf != nullptr) {
            menuOf->fallthrough();
            commands.OnlyReads(*menuOf);
        }
        menuParsers->push_back(menuOf);
        CLI::App* helpOf = commands.Subcommand(help, window.name, window.description);
        if (helpOf != nullptr) {
            helpOf->fallthrough();
            if (window.addHelpOptions) window.addHelpOptions(*helpOf);
            commands.OnlyReads(*helpOf);
        }
        helpParsers->push_back(helpOf);
    }
}

}  // namespace hub::cli
