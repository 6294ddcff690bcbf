// Writes tolm's manual page or its bash completion from the parser tolm itself runs,
// so neither can name an option the program does not have or miss one it has.
//
//   tolm_cli_docs man FILE          the manual page (roff)
//   tolm_cli_docs completion FILE   the bash completion script
#include <CLI/CLI.hpp>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/command_set.h"

namespace {

// A command and its options; `path` is empty for tolm itself, "rate audit" for a
// subcommand of a subcommand.
struct Command {
    std::string path;
    const CLI::App* parser;
};

// Commands without a group are hidden from the help, and so from here.
std::vector<const CLI::App*> Subcommands(const CLI::App& app) {
    return app.get_subcommands([](const CLI::App* sub) { return !sub->get_group().empty(); });
}

std::vector<Command> CommandsOf(const CLI::App& app, const std::string& path = {}) {
    std::vector<Command> commands{{path, &app}};
    for (const CLI::App* sub : Subcommands(app)) {
        for (Command& command : CommandsOf(*sub, path.empty() ? sub->get_name() : path + " " + sub->get_name())) {
            commands.push_back(std::move(command));
        }
    }
    return commands;
}

std::vector<const CLI::Option*> Named(const CLI::App& app) {
    return app.get_options([](const CLI::Option* option) { return option->nonpositional(); });
}

// A command's options but the help flag every command has (the manual tells of it once).
std::vector<const CLI::Option*> OwnNamed(const CLI::App& app) {
    return app.get_options(
        [&app](const CLI::Option* option) { return option->nonpositional() && option != app.get_help_ptr(); });
}

std::vector<const CLI::Option*> Positionals(const CLI::App& app) {
    return app.get_options([](const CLI::Option* option) { return !option->nonpositional(); });
}

std::vector<std::string> Spellings(const CLI::Option& option) {
    std::vector<std::string> names;
    for (const std::string& name : option.get_snames()) names.push_back("-" + name);
    for (const std::string& name : option.get_lnames()) names.push_back("--" + name);
    return names;
}

bool TakesValue(const CLI::Option& option) { return option.get_items_expected_max() > 0; }

// The values an option allows ("{chs,en,cht}" in its type name), none when it takes any.
std::vector<std::string> Choices(const CLI::Option& option) {
    const std::string type = option.get_type_name();
    const auto open = type.find('{');
    const auto close = type.find('}', open);
    std::vector<std::string> choices;
    if (open == std::string::npos || close == std::string::npos) return choices;
    std::stringstream list(type.substr(open + 1, close - open - 1));
    for (std::string choice; std::getline(list, choice, ',');) choices.push_back(choice);
    return choices;
}

std::string Join(const std::vector<std::string>& words, const std::string& separator = " ") {
    std::string joined;
    for (const std::string& word : words) joined += (joined.empty() ? "" : separator) + word;
    return joined;
}

// ---- the manual page ----------------------------------------------------------------

// Text as roff shows it literally: backslashes and hyphens escaped, and no line
// starting with a control character.
std::string Roff(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\') {
            out += "\\e";
        } else if (c == '-') {
            out += "\\-";
        } else {
            out += c;
        }
    }
    if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out.insert(0, "\\&");
    return out;
}

void ManOption(std::ostream& out, const CLI::Option& option) {
    std::vector<std::string> names;
    for (const std::string& name : Spellings(option)) names.push_back("\\fB" + Roff(name) + "\\fR");
    out << ".TP\n" << Join(names, ", ");
    if (TakesValue(option)) {
        const std::vector<std::string> choices = Choices(option);
        out << " \\fI" << Roff(choices.empty() ? option.get_type_name() : Join(choices, "|")) << "\\fR";
    }
    out << "\n" << Roff(option.get_description());
    if (!option.get_default_str().empty()) out << " (default: " << Roff(option.get_default_str()) << ")";
    out << "\n";
}

void WriteManPage(std::ostream& out, const CLI::App& app) {
    const std::vector<Command> commands = CommandsOf(app);
    out << ".\\\" Generated from the command line of tolm; do not edit.\n"
        << ".TH TOLM 1 \"\" \"" << Roff(app.version()) << "\" \"User Commands\"\n"
        << ".SH NAME\ntolm \\- " << Roff(app.get_description()) << "\n"
        << ".SH SYNOPSIS\n.B tolm\n[\\fIOPTIONS\\fR] \\fICOMMAND\\fR [\\fIARGUMENTS\\fR]\n"
        << ".SH DESCRIPTION\n"
        << "\\fBtolm\\fR keeps the exchange rates, rate types and operation log of a company "
           "database, an SQLite file or a PostgreSQL database. Each command opens the company, "
           "does one thing and exits: 0 when it was done, 1 when it was refused or failed, "
           "2 when the command line was not understood.\n"
        << ".PP\nThe options below are accepted before the command as well as after it.\n"
        << ".SH OPTIONS\n";
    for (const CLI::Option* option : Named(app)) ManOption(out, *option);
    out << ".SH COMMANDS\n";
    for (const Command& command : commands) {
        if (command.path.empty()) continue;
        std::string synopsis = "tolm " + command.path;
        if (!OwnNamed(*command.parser).empty()) synopsis += " [OPTIONS]";
        if (!Subcommands(*command.parser).empty()) synopsis += " COMMAND";
        for (const CLI::Option* positional : Positionals(*command.parser)) {
            const std::string name = positional->get_name(true);
            synopsis += " " + (positional->get_required() ? name : "[" + name + "]");
        }
        out << ".SS \"" << Roff(synopsis) << "\"\n" << Roff(command.parser->get_description()) << "\n";
        for (const CLI::Option* positional : Positionals(*command.parser)) {
            out << ".TP\n\\fI" << Roff(positional->get_name(true)) << "\\fR\n"
                << Roff(positional->get_description()) << "\n";
        }
        for (const CLI::Option* option : OwnNamed(*command.parser)) ManOption(out, *option);
    }
    out << ".SH ENVIRONMENT\n"
        << ".TP\n\\fBTOLM_REGISTRY\\fR\nThe class registry file to use instead of the person's own.\n"
        << ".TP\n\\fBTOLM_DATA_DIR\\fR\nThe folder of the help pages and translation catalogues "
           "(by default \\fI../share/tolm\\fR from the program's folder).\n"
        << ".TP\n\\fBTOLM_DEBUG\\fR\nWhen set, the reasons of internal failures are written to a debug log.\n"
        << ".SH FILES\n"
        << ".TP\n\\fI$XDG_CONFIG_HOME/tolm/classes.json\\fR (else \\fI~/.config/tolm/classes.json\\fR)\n"
           "The person's class registry, written by \\fBtolm register\\fR.\n"
        << ".TP\n\\fIclasses.json\\fR in the folder of the installed plug-in\n"
           "The classes of the plug-in that comes with the program, read after the person's registry.\n"
        << ".SH SEE ALSO\n\\fBtolm\\-client\\fR(1)\n";
}

// ---- the bash completion -------------------------------------------------------------

std::string Quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

void WriteCompletion(std::ostream& out, const CLI::App& app) {
    const std::vector<Command> commands = CommandsOf(app);
    std::map<std::string, std::string> subcommands, options, valued, arguments;
    for (const Command& command : commands) {
        // Keyed by the words typed so far ("tolm rate"): bash has no empty key.
        const std::string key = command.path.empty() ? "tolm" : "tolm " + command.path;
        std::vector<std::string> names;
        for (const CLI::App* sub : Subcommands(*command.parser)) names.push_back(sub->get_name());
        subcommands[key] = Join(names);
        std::vector<std::string> spellings;
        // The help flag once, with tolm's options, which every command accepts.
        for (const CLI::Option* option : command.path.empty() ? Named(app) : OwnNamed(*command.parser)) {
            for (const std::string& name : Spellings(*option)) {
                spellings.push_back(name);
                if (TakesValue(*option)) valued[key + "|" + name] = Join(Choices(*option));
            }
        }
        options[key] = Join(spellings);
        std::vector<std::string> choices;
        for (const CLI::Option* positional : Positionals(*command.parser)) {
            for (const std::string& choice : Choices(*positional)) choices.push_back(choice);
        }
        if (!choices.empty()) arguments[key] = Join(choices);
    }
    auto table = [&](const char* name, const std::map<std::string, std::string>& entries) {
        out << "    local -A " << name << "=(\n";
        for (const auto& [key, value] : entries) out << "        [" << Quoted(key) << "]=" << Quoted(value) << "\n";
        out << "    )\n";
    };
    out << "# bash completion for tolm; generated from its command line, do not edit.\n"
        << "_tolm() {\n";
    table("commands", subcommands);
    table("options", options);
    // An option that takes a value, with the values it allows (empty: any, so files).
    table("values", valued);
    // The values a command's arguments allow, for those that allow only some.
    table("arguments", arguments);
    out << R"(    local cur=${COMP_WORDS[COMP_CWORD]} path=tolm word i
    local prev=""
    ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
    # The command given so far; global options are accepted anywhere.
    for ((i = 1; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        if [[ $word == -* ]]; then
            if [[ -n ${values["$path|$word"]+set} || -n ${values["tolm|$word"]+set} ]]; then
                ((i++))
            fi
        elif [[ " ${commands["$path"]} " == *" $word "* ]]; then
            path="$path $word"
        fi
    done
    local key=""
    if [[ -n ${values["$path|$prev"]+set} ]]; then
        key="$path|$prev"
    elif [[ -n ${values["tolm|$prev"]+set} ]]; then
        key="tolm|$prev"
    fi
    if [[ -n $key ]]; then
        if [[ -n ${values["$key"]} ]]; then
            mapfile -t COMPREPLY < <(compgen -W "${values["$key"]}" -- "$cur")
        else
            compopt -o filenames 2>/dev/null
            mapfile -t COMPREPLY < <(compgen -f -- "$cur")
        fi
        return 0
    fi
    if [[ $cur == -* ]]; then
        local offered=${options["$path"]}
        [[ $path == tolm ]] || offered+=" ${options[tolm]}"
        mapfile -t COMPREPLY < <(compgen -W "$offered" -- "$cur")
    elif [[ -n ${commands["$path"]} ]]; then
        mapfile -t COMPREPLY < <(compgen -W "${commands["$path"]}" -- "$cur")
    elif [[ -n ${arguments["$path"]} ]]; then
        mapfile -t COMPREPLY < <(compgen -W "${arguments["$path"]}" -- "$cur")
    else
        compopt -o filenames 2>/dev/null
        mapfile -t COMPREPLY < <(compgen -f -- "$cur")
    fi
    return 0
}
complete -o bashdefault -o default -F _tolm tolm
)";
}

}  // namespace

int main(int argc, char** argv) {
    const std::string what = argc == 3 ? argv[1] : "";
    if (what != "man" && what != "completion") {
        std::cerr << "usage: tolm_cli_docs man|completion FILE\n";
        return 2;
    }
    CLI::App app;
    hub::cli::GlobalOptions options;
    hub::cli::CommandSet commands(app);
    hub::cli::DefineCommandLine(app, options, commands);

    std::ofstream out(argv[2], std::ios::binary);
    if (what == "man") {
        WriteManPage(out, app);
    } else {
        WriteCompletion(out, app);
    }
    out.close();
    if (!out) {
        std::cerr << "tolm_cli_docs: cannot write " << argv[2] << "\n";
        return 1;
    }
    return 0;
}
