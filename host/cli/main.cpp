// tolm: the host's command line.
#include <exception>
#include <iostream>

#include <CLI/CLI.hpp>

#include "cli/command_registry.h"
#include "tolm/host_error.h"

int main(int argc, char** argv) {
    CLI::App app{"The Tolm host: exchange-rate base data on the command line", "tolm"};
    // Global options are accepted after the subcommand as well.
    app.fallthrough();
    // At most one: a word that names no command is then reported as such, rather
    // than as a missing command.
    app.require_subcommand(0, 1);
    app.set_version_flag("--version", "tolm 0.1.0");

    hub::cli::GlobalOptions options;
    app.add_option("--db", options.database,
                   "The company database: an SQLite file, or a PostgreSQL URI (postgresql://...) or key=value string")->capture_default_str();
    app.add_option("--user", options.user, "The user the session runs as (administrator when not given)");
    app.add_option("--lang", options.language, "The session's language")
        ->check(CLI::IsMember({"chs", "en", "cht"}))
        ->capture_default_str();
    CLI::Option* yes = app.add_flag("--yes", options.yes, "Answer every question Yes without asking");
    CLI::Option* no = app.add_flag("--no", options.no, "Answer every question No without asking");
    yes->excludes(no);
    app.add_flag("--json", options.json, "Machine-readable output");
    app.add_option("--registry", options.registry, "The class registry file (instead of the default one)");

    hub::cli::CommandSet commands(app);
    hub::cli::AddAllCommands(commands);

    try {
        app.parse(argc, argv);
        if (app.get_subcommands().empty()) throw CLI::RequiredError("A subcommand");
    } catch (const CLI::ParseError& error) {
        return app.exit(error);
    }

    try {
        hub::cli::CommandContext context(options, std::cout, std::cerr);
        return commands.RunChosen(context);
    } catch (const tolm::HostError& error) {
        std::cerr << "tolm: " << error.Description() << "\n";
    } catch (const std::exception& error) {
        std::cerr << "tolm: " << error.what() << "\n";
    }
    return 1;
}
