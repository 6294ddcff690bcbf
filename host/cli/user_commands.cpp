// users, rights, user add / passwd / disable / enable / grant / revoke / remove.
//
// What may change is decided by the user administration service; these commands
// gather what the person gives (a new password never as an argument), show the
// outcome and exit with it.
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/command_registry.h"
#include "cli/password_input.h"
#include "cli/record_output.h"
#include "i18n/catalogue.h"
#include "services/user_admin.h"

namespace hub::cli {
namespace {

struct UserOptions {
    std::string name;
    std::string description;
    bool administrator = false;
    std::string passwordFile;
    std::string osAccount;
    std::vector<std::string> rights;
};

int ListUsers(CommandContext& context) {
    const std::shared_ptr<Session>& session = context.Host().OpenSession();
    const UserAdmin admin(session);
    const std::vector<UserAccount> users = admin.Users();
    const std::string& language = context.Language();
    if (context.Json()) {
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (const UserAccount& user : users) {
            list.push_back({{"name", user.name},
                            {"description", user.description},
                            {"administrator", user.administrator},
                            {"disabled", user.forbidden},
                            {"locked", IsLockedNow(user)},
                            {"password", !user.passwordHash.empty()},
                            {"osAccount", user.osAccount},
                            {"rights", admin.HeldRights(user)}});
        }
        PrintJson(context.Out(), list);
        return 0;
    }
    std::ostream& out = context.Out();
    for (const UserAccount& user : users) {
        out << user.name;
        if (!user.description.empty()) out << " (" << user.description << ")";
        std::vector<std::string> marks = UserStateWords(user, language);
        if (!user.osAccount.empty()) marks.push_back(TranslateFormat(language, "关联账户 %1", {user.osAccount}));
        for (const std::string& mark : marks) out << "  [" << mark << "]";
        out << "\n  ";
        const std::vector<std::string> names = admin.HeldRights(user);
        if (names.empty()) out << Translate(language, "（没有权限）");
        for (size_t i = 0; i < names.size(); ++i) out << (i == 0 ? "" : " ") << names[i];
        out << "\n";
    }
    return 0;
}

int ListRights(CommandContext& context) {
    const std::string& language = context.Language();
    if (context.Json()) {
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (const rights::NamedRight& right : rights::Named()) {
            list.push_back({{"name", right.name}, {"allows", RightMeaning(right, language)}});
        }
        PrintJson(context.Out(), list);
        return 0;
    }
    for (const rights::NamedRight& right : rights::Named()) {
        context.Out() << right.name << "\t" << RightMeaning(right, language) << "\n";
    }
    return 0;
}

// A new password: from the file given, else typed twice on the terminal. Nothing
// when neither can be had.
std::optional<std::string> NewPassword(const CommandContext& context, const std::string& file) {
    const std::string& language = context.Language();
    if (!file.empty()) return ReadPasswordFile(file, language);
    std::optional<std::string> first = AskHidden(Translate(language, "新密码："), context.Err());
    if (!first) return std::nullopt;
    if (AskHidden(Translate(language, "再输入一次新密码："), context.Err()) != first) {
        throw UsageError(Translate(language, "两次输入的密码不一致。"));
    }
    return first;
}

// The outcome shown: `done` (Chinese, %1 the user's name) on the output stream, or
// the reason on the error stream.
int Show(const CommandContext& context, const Outcome& outcome, const char* done, const std::string& name) {
    if (outcome.kind == Outcome::Kind::Done) {
        if (!context.Json()) context.Out() << TranslateFormat(context.Language(), done, {name}) << "\n";
        return 0;
    }
    if (!outcome.reason.empty()) context.Err() << "tolm: " << outcome.reason << "\n";
    return outcome.ExitStatus();
}

}  // namespace

void AddUserCommands(CommandSet& commands) {
    commands.OnlyReads(commands.Add("users", "The company's users with their rights (administrators only)", ListUsers));
    CLI::App& rights = commands.Add("rights", "The rights a user can be granted and what each allows", ListRights);
    commands.OnlyReads(rights);

    auto options = std::make_shared<UserOptions>();
    auto admin = [](CommandContext& context) { return UserAdmin(context.OpenSession()); };
    CLI::App& user = commands.Add("user", "Administer one user of the company", [](CommandContext&) { return 2; });
    user.require_subcommand(1);
    // `user <name> NAME` with the options `addOptions` adds, unless the command line
    // names another subcommand (CommandSet::Subcommand).
    auto addSub = [&](const char* name, const char* description, CommandAction action,
                      const std::function<void(CLI::App&)>& addOptions = {}) {
        CLI::App* sub = commands.AddUnder("user", name, description, std::move(action));
        if (sub == nullptr) return;
        sub->add_option("NAME", options->name, "The user's name")->required();
        if (addOptions) addOptions(*sub);
    };

    addSub(
        "add", "Add a user",
        [options, admin](CommandContext& context) {
            NewUser user{options->name, options->description, options->administrator,
                         options->passwordFile.empty()
                             ? std::nullopt
                             : std::optional(ReadPasswordFile(options->passwordFile, context.Language())),
                         options->osAccount};
            return Show(context, admin(context).AddUser(user), "已新增用户 %1。", options->name);
        },
        [&](CLI::App& add) {
            add.add_option("--description", options->description, "What the user does");
            add.add_flag("--admin", options->administrator, "The user administers the company and holds every right");
            add.add_option("--password-file", options->passwordFile, "A file whose first line is the user's password");
            add.add_option("--os-account", options->osAccount,
                           "The operating-system account that may act as the user without a password");
        });

    addSub(
        "passwd", "Set a user's password (your own, or anyone's as an administrator)",
        [options, admin](CommandContext& context) {
            UserAdmin service = admin(context);
            const std::optional<std::string> password = NewPassword(context, options->passwordFile);
            if (!password) {
                throw UsageError(
                    Translate(context.Language(), "请用 --password-file 给出新密码，或在终端中运行并输入新密码。"));
            }
            return Show(context, service.ChangePassword(options->name, *password), "已修改用户 %1 的密码。",
                        options->name);
        },
        [&](CLI::App& passwd) {
            passwd.add_option("--password-file", options->passwordFile, "A file whose first line is the new password");
        });

    addSub("disable", "Disable a user: nobody can act as the user any more", [options, admin](CommandContext& context) {
        return Show(context, admin(context).SetDisabled(options->name, true), "已禁用用户 %1。", options->name);
    });
    addSub("enable", "Enable a user again (also lifts a lock after wrong passwords)",
           [options, admin](CommandContext& context) {
               return Show(context, admin(context).SetDisabled(options->name, false), "已启用用户 %1。", options->name);
           });
    for (const bool grant : {true, false}) {
        addSub(
            grant ? "grant" : "revoke", grant ? "Grant rights (see tolm rights)" : "Revoke rights",
            [options, admin, grant](CommandContext& context) {
                return Show(context, admin(context).SetRights(options->name, options->rights, grant),
                            grant ? "已为用户 %1 授予权限。" : "已收回用户 %1 的权限。", options->name);
            },
            [&](CLI::App& sub) { sub.add_option("RIGHT", options->rights, "Right names")->required(); });
    }
    addSub("remove", "Remove a user no rate or log record names (else disable the user)",
           [options, admin](CommandContext& context) {
               return Show(context, admin(context).RemoveUser(options->name), "已删除用户 %1。", options->name);
           });
}

}  // namespace hub::cli
