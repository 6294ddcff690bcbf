// The subcommands of the command line and what they share.
#pragma once

#include <filesystem>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

// The parser's own header is included by the files that define options: each file
// that includes it constructs (and at exit destroys) the parser's validators anew.
namespace CLI {
class App;
}  // namespace CLI

#include "core/runtime.h"
#include "platform/headless_platform.h"
#include "services/session.h"
#include "services/unit_of_work.h"

namespace hub::cli {

// The options every subcommand understands, given before the subcommand.
struct GlobalOptions {
    std::string database = "tolm.db";
    // Nothing when --user was not given (the user linked to the operating-system
    // account); given, it must name a user.
    std::optional<std::string> user;
    // Where the user's password is read (the first line), for a user who has one.
    std::string passwordFile;
    std::string language = "chs";
    bool yes = false;
    bool no = false;
    bool json = false;
    std::string registry;
    // The chosen command only reads: the company is opened read-only.
    bool readOnly = false;
};

// What a running subcommand works with: the host's runtime started from the
// options, with a headless platform that asks questions on the terminal. Built once
// the command line is parsed.
class CommandContext {
public:
    CommandContext(GlobalOptions options, std::ostream& out, std::ostream& err);
    ~CommandContext();
    CommandContext(const CommandContext&) = delete;
    CommandContext& operator=(const CommandContext&) = delete;

    const GlobalOptions& Options() const { return m_options; }
    std::ostream& Out() const { return m_out; }
    std::ostream& Err() const { return m_err; }
    bool Json() const { return m_options.json; }
    // The session language ("chs", "en" or "cht"); what the command itself prints
    // is in this language, also before anybody has logged in.
    const std::string& Language() const { return m_options.language; }

    Runtime& Host() const { return *m_runtime; }
    // Loads plug-in classes through the registry the options chose.
    const ClassLoader& Loader() const { return m_runtime->Loader(); }
    HeadlessPlatform& Platform() const { return *m_platform; }
    // The session of the options' user (Runtime::OpenSession). A command that may
    // write is refused here, before it asks or changes anything, when the company
    // can only be read (Runtime::WriteRefusal).
    const std::shared_ptr<Session>& OpenSession() const;

private:
    GlobalOptions m_options;
    std::ostream& m_out;
    std::ostream& m_err;
    std::shared_ptr<HeadlessPlatform> m_platform;
    std::unique_ptr<Runtime> m_runtime;
};

// For a command that clicked a window's command: nothing when its outcome was done;
// otherwise the exit status, after saying so: an outcome unchanged (a question
// answered No) is told as nothing changed, exit 0; one refused or failed (its reason
// already shown) ends with `notDone` (Chinese, shown in the session language) on the
// error stream, exit 1.
std::optional<int> NotDone(const CommandContext& context, const Outcome& outcome, const char* notDone);

// Returns the process exit code.
using CommandAction = std::function<int(CommandContext&)>;

// Whether `parser` (nothing for a subcommand left out) was given on the command line.
bool Parsed(const CLI::App* parser);

// A command line that cannot be carried out as written, found once the command
// runs. The message is in the session's language; tolm prints it and exits 2.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The file a command names, made absolute against the working folder. Raises
// UsageError when no file is named (an empty argument), HostError when the working
// folder itself cannot be found any more.
std::filesystem::path CommandFile(const CommandContext& context, const std::string& file);

// The subcommands of an application. Each command file adds its own; the chosen
// one runs after the whole command line was parsed.
class CommandSet {
public:
    explicit CommandSet(CLI::App& app) : m_app(app) {}

    // Of the subcommands of `command`, only `subcommand` is to be defined: the
    // command line names it. A parse that fails or that the left-out ones could
    // have changed (NamesLeftOut) is done again with every subcommand.
    void FocusOn(std::string command, std::string subcommand);
    // A subcommand of `command` (`tolm rate show`), to which the caller adds its
    // options; nothing when the focus leaves it out.
    CLI::App* Subcommand(CLI::App& command, const std::string& name, const std::string& description);
    // Whether one of the arguments is the name of a subcommand left out: the parse
    // could then have taken it for that subcommand.
    bool NamesLeftOut(const std::vector<std::string>& arguments) const;

    // A new subcommand; its options are added to the returned parser by the caller
    // and read by `action` when it runs.
    CLI::App& Add(const std::string& name, const std::string& description, CommandAction action);
    // A subcommand of a command another file added (`tolm rate at`): it runs instead
    // of its parent when given. Nothing when the focus leaves it out (Subcommand).
    // Raises std::logic_error when there is no `parent`.
    CLI::App* AddUnder(const std::string& parent, const std::string& name, const std::string& description,
                       CommandAction action);
    // Marks a command (or a subcommand of one) as one that only reads the company;
    // the others may write.
    void OnlyReads(CLI::App& parser) { m_readers.push_back(&parser); }
    // Whether the command given on the command line, down to its last subcommand,
    // only reads. Asked after parsing.
    bool ChosenOnlyReads() const;
    // Runs the subcommand given on the command line; 0 when none was.
    int RunChosen(CommandContext& context) const;

private:
    struct Command {
        CLI::App* parser;
        CommandAction action;
        bool nested = false;
    };
    CLI::App& m_app;
    std::string m_focusCommand;
    std::string m_focusSubcommand;
    std::vector<std::string> m_leftOut;
    std::vector<Command> m_commands;
    std::vector<const CLI::App*> m_readers;
};

}  // namespace hub::cli
