#include "cli/command_set.h"

#include <algorithm>
#include <ostream>
#include <stdexcept>

#include <CLI/CLI.hpp>

#include "cli/password_input.h"
#include "i18n/catalogue.h"
#include "tolm/host_error.h"
#include "tolm/platform.h"
#include "tolm/text.h"

namespace hub::cli {
namespace {

QuestionPolicy PolicyOf(const GlobalOptions& options) {
    if (options.yes) return QuestionPolicy::Yes;
    if (options.no) return QuestionPolicy::No;
    // Nobody at a terminal: the platform answers No without waiting.
    return QuestionPolicy::Ask;
}

// The button as its caption reads in the session language.
std::string AnswerName(const std::string& language, int32_t answer) {
    switch (answer) {
        case tolm::mb::IdOK:
            return Translate(language, "确定");
        case tolm::mb::IdCancel:
            return Translate(language, "取消");
        case tolm::mb::IdYes:
            return Translate(language, "是");
        case tolm::mb::IdNo:
            return Translate(language, "否");
        case 3:
            return Translate(language, "中止");
        case 4:
            return Translate(language, "重试");
        case 5:
            return Translate(language, "忽略");
        default: return "?";
    }
}

}  // namespace

CommandContext::CommandContext(GlobalOptions options, std::ostream& out, std::ostream& err)
    : m_options(std::move(options)), m_out(out), m_err(err) {
    if (tolm::text::IsBlank(m_options.database)) {
        throw tolm::HostError(tolm::err::InvalidProcedureCall,
                              Translate(m_options.language,
                                        "--db 不能为空：请给出公司数据库文件，或 PostgreSQL 的连接串。"),
                              "tolm");
    }
    m_platform = std::make_shared<HeadlessPlatform>();
    m_platform->SetQuestionPolicy(PolicyOf(m_options));
    // What a person would have read in a message box goes to the error stream, so
    // machine-readable output stays clean; questions asked on the terminal were
    // already shown there.
    std::ostream* echo = &m_err;
    m_platform->SetMessageBoxObserver([echo, language = m_options.language](const MessageBoxRecord& box) {
        if (box.origin == MessageBoxRecord::Origin::Terminal) return;
        if (!box.title.empty()) *echo << "[" << box.title << "] ";
        *echo << box.prompt;
        if (box.origin != MessageBoxRecord::Origin::OnlyButton) *echo << " -> " << AnswerName(language, box.answer);
        *echo << "\n";
    });
    m_runtime = std::make_unique<Runtime>(
        RuntimeOptions{m_options.database, m_options.user,
                       SessionPassword(m_options.passwordFile, m_options.language, m_err), m_options.language,
                       m_options.registry, m_platform, {}, m_options.readOnly});
}

CommandContext::~CommandContext() = default;

std::optional<int> NotDone(const CommandContext& context, const Outcome& outcome, const char* notDone) {
    switch (outcome.kind) {
        case Outcome::Kind::Done:
            return std::nullopt;
        case Outcome::Kind::Unchanged:
            if (!context.Json()) context.Out() << Translate(context.Language(), "没有改动任何数据。") << "\n";
            return 0;
        case Outcome::Kind::Refused:
        case Outcome::Kind::Failed:
            break;
    }
    context.Err() << "tolm: " << Translate(context.Language(), notDone) << "\n";
    return 1;
}

const std::shared_ptr<Session>& CommandContext::OpenSession() const {
    const std::shared_ptr<Session>& session = m_runtime->OpenSession();
    if (const std::optional<std::string>& refusal = m_runtime->WriteRefusal()) {
        throw tolm::HostError(tolm::err::Refused, *refusal, "tolm");
    }
    return session;
}

CLI::App& CommandSet::Add(const std::string& name, const std::string& description, CommandAction action) {
    CLI::App* parser = m_app.add_subcommand(name, description);
    m_commands.push_back(Command{parser, std::move(action)});
    return *parser;
}

bool Parsed(const CLI::App* parser) { return parser != nullptr && parser->parsed(); }

void CommandSet::FocusOn(std::string command, std::string subcommand) {
    m_focusCommand = std::move(command);
    m_focusSubcommand = std::move(subcommand);
}

CLI::App* CommandSet::Subcommand(CLI::App& command, const std::string& name, const std::string& description) {
    if (!m_focusCommand.empty() && command.get_parent() == &m_app && command.get_name() == m_focusCommand &&
        name != m_focusSubcommand) {
        m_leftOut.push_back(name);
        return nullptr;
    }
    return command.add_subcommand(name, description);
}

bool CommandSet::NamesLeftOut(const std::vector<std::string>& arguments) const {
    return std::any_of(arguments.begin(), arguments.end(), [this](const std::string& argument) {
        return std::find(m_leftOut.begin(), m_leftOut.end(), argument) != m_leftOut.end();
    });
}

CLI::App* CommandSet::AddUnder(const std::string& parent, const std::string& name, const std::string& description,
                               CommandAction action) {
    CLI::App* parentParser = nullptr;
    for (const Command& command : m_commands) {
        if (!command.nested && command.parser->get_name() == parent) parentParser = command.parser;
    }
    if (parentParser == nullptr) throw std::logic_error("tolm has no command " + parent + " to add " + name + " to");
    CLI::App* parser = Subcommand(*parentParser, name, description);
    if (parser == nullptr) return nullptr;
    // Global options may follow the subcommand, as they may follow any other.
    parser->fallthrough();
    m_commands.push_back(Command{parser, std::move(action), true});
    return parser;
}

bool CommandSet::ChosenOnlyReads() const {
    const CLI::App* chosen = nullptr;
    for (std::vector<CLI::App*> given = m_app.get_subcommands(); !given.empty(); given = given.front()->get_subcommands()) {
        chosen = given.front();
    }
    return chosen != nullptr && std::find(m_readers.begin(), m_readers.end(), chosen) != m_readers.end();
}

std::filesystem::path CommandFile(const CommandContext& context, const std::string& file) {
    if (file.empty()) throw UsageError(Translate(context.Language(), "命令需要一个文件名：请在命令后写上要使用的文件。"));
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(file, error);
    if (error) {
        throw tolm::HostError(
            tolm::err::PathFileAccess,
            TranslateFormat(context.Language(), "无法确定文件[%1]的位置：当前文件夹已不存在或无法访问，请换到另一个文件夹再试。",
                            {file}),
            "tolm");
    }
    return absolute;
}

int CommandSet::RunChosen(CommandContext& context) const {
    // A parent is parsed along with its subcommand, so the subcommand is asked first.
    for (bool nested : {true, false}) {
        for (const Command& command : m_commands) {
            if (command.nested == nested && command.parser->parsed()) return command.action(context);
        }
    }
    return 0;
}

}  // namespace hub::cli
