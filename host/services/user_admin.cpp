#include "services/user_admin.h"

#include <algorithm>
#include <map>
#include <utility>
#include <string_view>

#include "base/clock.h"
#include "base/text_util.h"
#include "i18n/catalogue.h"
#include "model/log_store.h"
#include "model/server_roles.h"
#include "services/password_hash.h"
#include "tolm/host_error.h"
#include "tolm/text.h"

namespace hub {

namespace {

// The operation-log key of every change of the users.
constexpr const char* UsersLogKey = "TolmHost_users";

struct Meaning {
    std::string_view right;
    const char* chinese;
};
constexpr Meaning Meanings[] = {
    {"view", "查看汇率和汇率类型"},   {"new", "新增汇率和汇率类型"},     {"modify", "修改汇率和汇率类型"},
    {"delete", "删除汇率和汇率类型"}, {"audit", "审核汇率"},             {"reverse-audit", "反审核汇率"},
    {"use-unuse", "禁用和启用汇率"},  {"export", "导出汇率体系"},         {"import", "引入汇率体系"},
    {"log-view", "查看上机日志"},     {"log-delete", "删除上机日志"},     {"log-export", "导出上机日志"},
    {"log-print", "打印上机日志"},
};

// A name a person can type and read back: printable, no separator of the session
// string, not too long for the list.
bool IsUsableName(const std::string& name) {
    if (IsBlank(name) || name != Trimmed(name) || name.size() > 64 || !tolm::text::IsValidUtf8(name)) return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7f || c == ';' || c == '=';
    });
}

}  // namespace

UserAdmin::UserAdmin(std::shared_ptr<Session> session) : ServiceComponent(std::move(session)) {}

std::vector<UserAccount> UserAdmin::Users() const {
    RequireAdministrator();
    return ListUserAccounts(Db());
}

std::vector<std::string> UserAdmin::HeldRights(const UserAccount& user) const {
    RequireAdministrator();
    std::vector<std::string> names;
    // One read per subsystem's object, not one per right.
    std::map<std::pair<int32_t, int32_t>, uint64_t> stored;
    for (const rights::NamedRight& right : rights::Named()) {
        const auto key = std::pair(right.subsystem, right.objectNumber);
        auto found = stored.find(key);
        if (found == stored.end()) {
            found = stored.emplace(key, StoredRights(Db(), user.id, right.subsystem, right.objectNumber)).first;
        }
        if (user.administrator || (found->second & static_cast<uint32_t>(right.bit)) != 0) names.emplace_back(right.name);
    }
    return names;
}

std::vector<std::string> UserStateWords(const UserAccount& user, const std::string& language) {
    std::vector<std::string> words;
    if (user.administrator) words.push_back(Translate(language, "系统管理员"));
    if (user.forbidden) words.push_back(Translate(language, "已禁用"));
    if (IsLockedNow(user)) words.push_back(Translate(language, "已锁定"));
    words.push_back(Translate(language, user.passwordHash.empty() ? "无密码" : "有密码"));
    return words;
}

std::string RightMeaning(const rights::NamedRight& right, const std::string& language) {
    for (const Meaning& meaning : Meanings) {
        if (meaning.right == right.name) return Translate(language, meaning.chinese);
    }
    return right.name;
}

Outcome UserAdmin::Change(const std::function<void()>& change) const {
    return RunUnitOfWork(
        CurrentLogin(),
        [&] {
            change();
            return true;
        },
        Text("用户的修改没有完成，没有改动任何数据。"));
}

void UserAdmin::RequireAdministrator() const {
    if (!IsAdministratorNow()) Deny("只有系统管理员可以管理用户和权限。");
}

UserAccount UserAdmin::Named(const std::string& name) const {
    std::optional<UserAccount> user = FindUserAccount(Db(), Trimmed(name));
    if (!user) Refuse("用户 %1 不存在。", {name});
    return std::move(*user);
}

void UserAdmin::FollowOnServer(const std::string& name, const std::optional<std::string>& password) const {
    if (!HasServerRoles(Db())) return;
    std::optional<UserAccount> user = FindUserAccount(Db(), name);
    if (!user) {
        RevokeServerRights(Db(), name);
        return;
    }
    EnsureServerRole(Db(), ServerRoleOf(Db(), user->id), password);
    GrantServerRights(Db(), *user);
}

void UserAdmin::Record(const std::string& chineseTemplate, const tolm::VariantArray& values) const {
    const Session& session = CurrentLogin();
    WriteLogRecord(Db(), LogRecord{LocalNow(), session.UserId(), UsersLogKey, 5, Text(chineseTemplate, values),
                                   session.MachineName(), session.IpAddress()});
}

Outcome UserAdmin::AddUser(const NewUser& user) const {
    return Change([&] {
        RequireAdministrator();
        if (!IsUsableName(user.name)) {
            Refuse("用户名“%1”不可用：请使用不超过64个字节、不含控制字符、分号和等号、首尾没有空格的名称。", {user.name});
        }
        if (FindUserAccount(Db(), user.name)) Refuse("用户 %1 已经存在。", {user.name});
        if (user.password && user.password->size() < MinimumPasswordLength) {
            Refuse("密码至少需要%1个字符。", {static_cast<int32_t>(MinimumPasswordLength)});
        }
        const int64_t id = EnsureUser(Db(), user.name, user.description, user.administrator, 0);
        if (user.password) StorePasswordHash(Db(), id, HashPassword(*user.password));
        if (!user.osAccount.empty()) LinkOsAccount(Db(), id, user.osAccount);
        FollowOnServer(user.name, user.password);
        Record(user.administrator ? "新增系统管理员完成-用户：[%1]" : "新增用户完成-用户：[%1]", {user.name});
    });
}

Outcome UserAdmin::ChangePassword(const std::string& name, const std::string& password) const {
    return Change([&] {
        const UserAccount user = Named(name);
        if (user.id != CurrentLogin().UserId()) RequireAdministrator();
        if (password.size() < MinimumPasswordLength) {
            Refuse("密码至少需要%1个字符。", {static_cast<int32_t>(MinimumPasswordLength)});
        }
        StorePasswordHash(Db(), user.id, HashPassword(password));
        FollowOnServer(user.name, password);
        Record("修改密码完成-用户：[%1]", {user.name});
    });
}

Outcome UserAdmin::SetDisabled(const std::string& name, bool disabled) const {
    return Change([&] {
        RequireAdministrator();
        const UserAccount user = Named(name);
        if (disabled) {
            if (user.id == CurrentLogin().UserId()) Refuse("不能禁用自己；请由另一位系统管理员禁用。");
            const std::vector<UserAccount> users = ListUserAccounts(Db());
            const auto enabledAdministrators = std::count_if(users.begin(), users.end(), [](const UserAccount& u) {
                return u.administrator && !u.forbidden;
            });
            if (user.administrator && !user.forbidden && enabledAdministrators <= 1) {
                Refuse("用户 %1 是唯一可用的系统管理员，不能禁用。", {user.name});
            }
        }
        StoreForbidden(Db(), user.id, disabled);
        FollowOnServer(user.name, std::nullopt);
        Record(disabled ? "禁用用户完成-用户：[%1]" : "启用用户完成-用户：[%1]", {user.name});
    });
}

std::vector<const rights::NamedRight*> UserAdmin::KnownRights(const std::vector<std::string>& rightNames) const {
    std::vector<const rights::NamedRight*> known;
    for (const std::string& rightName : rightNames) {
        const rights::NamedRight* right = rights::FindNamed(rightName);
        if (right == nullptr) Refuse("没有名为“%1”的权限；tolm rights 列出全部权限。", {rightName});
        known.push_back(right);
    }
    return known;
}

namespace {

std::string JoinedNames(const std::vector<const rights::NamedRight*>& rightList) {
    std::string names;
    for (const rights::NamedRight* right : rightList) names += (names.empty() ? "" : ", ") + std::string(right->name);
    return names;
}

}  // namespace

Outcome UserAdmin::SetRights(const std::string& name, const std::vector<std::string>& rightNames, bool grant) const {
    return Change([&] {
        RequireAdministrator();
        const UserAccount user = Named(name);
        const std::vector<const rights::NamedRight*> asked = KnownRights(rightNames);
        if (asked.empty()) Refuse("请至少给出一个权限。");
        for (const rights::NamedRight* right : asked) {
            if (grant) {
                GrantRight(Db(), user.id, right->subsystem, right->objectNumber, right->bit);
            } else {
                RevokeRight(Db(), user.id, right->subsystem, right->objectNumber, right->bit);
            }
        }
        FollowOnServer(user.name, std::nullopt);
        Record(grant ? "授予权限完成-用户：[%1] 权限：[%2]" : "收回权限完成-用户：[%1] 权限：[%2]",
               {user.name, JoinedNames(asked)});
    });
}

Outcome UserAdmin::ReplaceRights(const std::string& name, const std::vector<std::string>& rightNames) const {
    return Change([&] {
        RequireAdministrator();
        const UserAccount user = Named(name);
        const std::vector<const rights::NamedRight*> kept = KnownRights(rightNames);
        for (const rights::NamedRight& right : rights::Named()) {
            if (std::find(kept.begin(), kept.end(), &right) == kept.end()) {
                RevokeRight(Db(), user.id, right.subsystem, right.objectNumber, right.bit);
            } else {
                GrantRight(Db(), user.id, right.subsystem, right.objectNumber, right.bit);
            }
        }
        FollowOnServer(user.name, std::nullopt);
        Record("设置权限完成-用户：[%1] 权限：[%2]", {user.name, JoinedNames(kept)});
    });
}

Outcome UserAdmin::RemoveUser(const std::string& name) const {
    return Change([&] {
        RequireAdministrator();
        const UserAccount user = Named(name);
        if (user.id == CurrentLogin().UserId()) Refuse("不能删除自己。");
        if (UserIsReferenced(Db(), user.id)) {
            Refuse("用户 %1 出现在汇率或上机日志中，不能删除；请改为禁用该用户。", {user.name});
        }
        hub::RemoveUser(Db(), user.id);
        FollowOnServer(user.name, std::nullopt);
        Record("删除用户完成-用户：[%1]", {user.name});
    });
}

}  // namespace hub
