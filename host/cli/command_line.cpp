#include "cli/command_line.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <ostream>

#include <CLI/CLI.hpp>

#include "base/debug_log.h"
#include "cli/command_registry.h"
#include "cli/command_set.h"
#include "i18n/catalogue.h"
#include "services/person_text.h"
#include "tolm/text.h"
#include "tolm/host_error.h"

namespace hub::cli {

namespace {

// The language of what is said before the command line is parsed: that of a
// well-formed --lang, else the default.
std::string EarlyLanguage(const std::vector<std::string>& arguments) {
    for (size_t i = 0; i < arguments.size(); ++i) {
        std::string value;
        if (arguments[i] == "--lang" && i + 1 < arguments.size()) value = arguments[i + 1];
        if (arguments[i].starts_with("--lang=")) value = arguments[i].substr(7);
        if (IsSupportedLanguage(value)) return value;
    }
    return "chs";
}

// Text a terminal or a file name can carry: valid UTF-8 without control characters
// (other than a tab). Anything else would be quoted back garbled, or stored so.
bool IsTypedText(const std::string& argument) {
    if (!tolm::text::IsValidUtf8(argument)) return false;
    return std::none_of(argument.begin(), argument.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return (byte < 0x20 && byte != '\t') || byte == 0x7f;
    });
}

// tolm's parser with what it reads the command line into.
struct CommandLine {
    CLI::App app;
    GlobalOptions options;
    CommandSet commands{app};
};

// The program and its global options, without any command.
void DefineProgram(CLI::App& app, GlobalOptions& options) {
    app.name("tolm");
    app.description("The Tolm host: exchange-rate base data on the command line");
    // Global options are accepted after the subcommand as well.
    app.fallthrough();
    // At most one: a word that names no command is then reported as such, rather
    // than as a missing command.
    app.require_subcommand(0, 1);
    app.set_version_flag("--version", "tolm 0.1.0");

    app.add_option("--db", options.database,
                   "The company database: an SQLite file, or a PostgreSQL URI (postgresql://...) or key=value string")->capture_default_str();
    app.add_option("--user", options.user,
                   "The user the session runs as (when not given, the user linked to your operating-system account)");
    app.add_option("--password-file", options.passwordFile,
                   "A file whose first line is the user's password (else TOLM_PASSWORD, else asked on the terminal)");
    app.add_option("--lang", options.language, "The session's language")
        ->check(CLI::IsMember({"chs", "en", "cht"}))
        ->capture_default_str();
    CLI::Option* yes = app.add_flag("--yes", options.yes, "Answer every question Yes without asking");
    CLI::Option* no = app.add_flag("--no", options.no, "Answer every question No without asking");
    yes->excludes(no);
    app.add_flag("--json", options.json, "Machine-readable output");
    app.add_option("--registry", options.registry, "The class registry file (instead of the default one)");
}

// The words that name the command and its subcommand: the first two arguments that
// are neither options of the program (they may also follow the command) nor the
// values they take. Fewer when something else comes first (`--`, an option the
// program does not have) or there are fewer such words.
std::vector<std::string> CommandWords(const CLI::App& app, const std::vector<std::string>& arguments) {
    std::vector<std::string> words;
    for (size_t i = 0; i < arguments.size() && words.size() < 2; ++i) {
        const std::string& argument = arguments[i];
        if (!argument.starts_with('-')) {
            words.push_back(argument);
            continue;
        }
        const size_t equals = argument.find('=');
        const CLI::Option* option = argument == "--" ? nullptr : app.get_option_no_throw(argument.substr(0, equals));
        if (option == nullptr) break;
        if (equals == std::string::npos && option->get_items_expected_min() > 0) ++i;
    }
    return words;
}

// Parses the arguments; raises CLI::ParseError for help, the version and every
// usage error, also when no command is given.
void Parse(CommandLine& line, const std::vector<std::string>& arguments) {
    line.app.parse(std::vector<std::string>(arguments.rbegin(), arguments.rend()));
    if (line.app.get_subcommands().empty()) throw CLI::RequiredError("A subcommand");
}

// Most of a start would go on defining every command, so the arguments are parsed
// with the group of the command they name alone, and of that command's subcommands
// with the one they name alone. Up to the command's word the parse is the same as
// with every command, and after it no other command can be named (tolm takes one);
// a subcommand left out could only have changed it had an argument been its name.
// Nothing when there is no such group, when an argument names a subcommand left
// out, or when that parse chooses no command, asks for help or is refused: it is
// then parsed again with everything, so that help and usage errors read as they
// always do.
std::unique_ptr<CommandLine> ParseWithItsGroup(const std::vector<std::string>& arguments) {
    auto line = std::make_unique<CommandLine>();
    DefineProgram(line->app, line->options);
    const std::vector<std::string> words = CommandWords(line->app, arguments);
    if (words.empty()) return nullptr;
    if (words.size() == 2) line->commands.FocusOn(words[0], words[1]);
    if (!AddCommandGroup(line->commands, words[0])) return nullptr;
    try {
        Parse(*line, arguments);
    } catch (const CLI::ParseError&) {
        return nullptr;
    }
    if (line->commands.NamesLeftOut(arguments)) return nullptr;
    return line;
}

}  // namespace

void DefineCommandLine(CLI::App& app, GlobalOptions& options, CommandSet& commands) {
    DefineProgram(app, options);
    AddAllCommands(commands);
}

int RunCommandLine(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    for (size_t i = 0; i < arguments.size(); ++i) {
        if (!IsTypedText(arguments[i])) {
            err << "tolm: "
                << TranslateFormat(EarlyLanguage(arguments), "第%1个参数含有无效的字符（控制字符或不是 UTF-8 的字节）；请改正后重试。",
                                   {static_cast<int32_t>(i + 1)})
                << "\n";
            return 2;
        }
    }
    std::unique_ptr<CommandLine> line = ParseWithItsGroup(arguments);
    if (line == nullptr) {
        line = std::make_unique<CommandLine>();
        DefineCommandLine(line->app, line->options, line->commands);
        try {
            Parse(*line, arguments);
        } catch (const CLI::ParseError& error) {
            // Help and the version are what was asked for; anything else the parser
            // refused is a usage error, whatever number the parser gives it.
            return line->app.exit(error, out, err) == 0 ? 0 : 2;
        }
    }

    GlobalOptions& options = line->options;
    options.readOnly = line->commands.ChosenOnlyReads();
    try {
        CommandContext context(options, out, err);
        return line->commands.RunChosen(context);
    } catch (const UsageError& error) {
        err << "tolm: " << error.what() << "\n";
        return 2;
    } catch (const tolm::HostError& error) {
        err << "tolm: " << PersonText(error, options.language) << "\n";
    } catch (const std::exception& error) {
        // A library's own words are for the debug log, not for the person.
        DebugLog(error.what());
        err << "tolm: " << Translate(options.language, "命令没有完成：程序内部出错，没有改动任何数据；设置 TOLM_DEBUG 可在日志中查看原因。")
            << "\n";
    }
    return 1;
}

}  // namespace hub::cli
