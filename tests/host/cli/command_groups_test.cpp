// tolm defines only the group of the command it is given, and of that command's
// subcommands only the one it is given: what is defined must read exactly as the
// whole command line defines it.
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <CLI/CLI.hpp>

#include "cli/command_line.h"
#include "cli/command_registry.h"

namespace {

using hub::cli::CommandSet;

std::vector<const CLI::App*> Subcommands(const CLI::App& command) {
    return command.get_subcommands(std::function<bool(const CLI::App*)>());
}

// The help of a command and of every subcommand below it: all it accepts.
std::string HelpOfTree(const CLI::App& command) {
    std::string help = command.help();
    for (const CLI::App* sub : Subcommands(command)) help += HelpOfTree(*sub);
    return help;
}

// Every command, as tolm defines them when it is given none.
struct WholeCommandLine {
    CLI::App app;
    hub::cli::GlobalOptions options;
    CommandSet commands{app};
    WholeCommandLine() { hub::cli::DefineCommandLine(app, options, commands); }
};

TEST(CommandGroups, EachCommandIsDefinedWholeByItsGroupAlone) {
    const WholeCommandLine all;
    for (const CLI::App* command : Subcommands(all.app)) {
        CLI::App alone;
        CommandSet group(alone);
        ASSERT_TRUE(hub::cli::AddCommandGroup(group, command->get_name())) << command->get_name();
        EXPECT_EQ(HelpOfTree(*alone.get_subcommand(command->get_name())), HelpOfTree(*command)) << command->get_name();
    }
}

TEST(CommandGroups, AFocusDefinesTheNamedSubcommandWholeAndLeavesOutItsSiblings) {
    const WholeCommandLine all;
    for (const CLI::App* command : Subcommands(all.app)) {
        for (const CLI::App* named : Subcommands(*command)) {
            CLI::App focused;
            CommandSet group(focused);
            group.FocusOn(command->get_name(), named->get_name());
            ASSERT_TRUE(hub::cli::AddCommandGroup(group, command->get_name()));
            const CLI::App& defined = *focused.get_subcommand(command->get_name());
            ASSERT_EQ(Subcommands(defined).size(), 1u) << command->get_name() << " " << named->get_name();
            EXPECT_EQ(HelpOfTree(*defined.get_subcommand(named->get_name())), HelpOfTree(*named));
            for (const CLI::App* sibling : Subcommands(*command)) {
                EXPECT_EQ(group.NamesLeftOut({"--db", sibling->get_name()}), sibling != named) << sibling->get_name();
            }
        }
    }
}

TEST(CommandGroups, AWordThatIsNoCommandAddsNothing) {
    CLI::App app;
    CommandSet commands(app);
    for (const char* word : {"frobnicate", "", "--db", "rates export"}) {
        EXPECT_FALSE(hub::cli::AddCommandGroup(commands, word)) << word;
    }
    EXPECT_TRUE(Subcommands(app).empty());
}

}  // namespace
