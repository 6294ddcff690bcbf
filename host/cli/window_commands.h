// menu and help: what a window offers a person once its plug-in class has shaped
// it. Each window the commands know is one entry, added by the file that owns the
// window's commands (types here; the rate list and the editor beside it).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cli/command_set.h"
#include "windows/menu_bar.h"

namespace hub::cli {

// A window opened for `menu` or `help`, with its plug-in class attached; closed
// when the value goes.
struct OpenedWindow {
    std::shared_ptr<hub::MenuBar> menuBar;
    // The help topic the window answers for F1.
    std::function<int32_t()> requestHelp;
    std::function<void()> close;
};

struct InspectedWindow {
    // The word after menu and help ("types").
    std::string name;
    std::string description;
    // Options of `help <name>` that set the window up before F1 (may be empty).
    std::function<void(CLI::App& help)> addHelpOptions;
    std::function<OpenedWindow(CommandContext&)> open;
};

// Adds `menu <name>` and `help <name>` for every window given.
void AddWindowCommands(CommandSet& commands, std::vector<InspectedWindow> windows);

}  // namespace hub::cli
