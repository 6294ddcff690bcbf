// The one place that decides each change of the company's users: who they are, how
// they prove it and what they may do. Only an enabled administrator of the company
// changes users (a user may change their own password); each change is one unit of
// work with its operation-log record, and a password is stored only as its hash and
// never written to the log.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "model/user_store.h"
#include "services/service_component.h"
#include "services/unit_of_work.h"

namespace hub {

// The shortest password a user may be given.
inline constexpr size_t MinimumPasswordLength = 8;

struct NewUser {
    std::string name;
    std::string description;
    bool administrator = false;
    std::optional<std::string> password;  // none: the user has no password
    std::string osAccount;                // "": no account linked
};

// The user's state as words in `language`: administrator, disabled, locked, with or
// without a password.
std::vector<std::string> UserStateWords(const UserAccount& user, const std::string& language);

// What a right allows, in `language`.
std::string RightMeaning(const rights::NamedRight& right, const std::string& language);

class UserAdmin : private ServiceComponent {
public:
    explicit UserAdmin(std::shared_ptr<Session> session);

    // Every user of the company, by name. Raises HostError(AccessDenied), in the
    // session language, for anyone but an enabled administrator.
    std::vector<UserAccount> Users() const;
    // The names of the rights the user holds (every right for an administrator), in
    // the order rights::Named lists them; the same refusal as Users.
    std::vector<std::string> HeldRights(const UserAccount& user) const;

    // Each of these is one unit of work (see RunUnitOfWork) and answers its outcome,
    // the reason in the session language when it is refused: the session's user is
    // not an enabled administrator, the user named does not exist, or the rule of the
    // change stands in the way (given with each).

    // A name that is new, not blank, of printable characters; a password of at least
    // MinimumPasswordLength characters.
    Outcome AddUser(const NewUser& user) const;
    // The user's own password, or anyone's for an administrator.
    Outcome ChangePassword(const std::string& name, const std::string& password) const;
    // Disabling: not the last enabled administrator, not oneself. Enabling also lifts
    // a lock after wrong passwords.
    Outcome SetDisabled(const std::string& name, bool disabled) const;
    // Grants or revokes rights by name (rights::Named); an unknown name is refused.
    Outcome SetRights(const std::string& name, const std::vector<std::string>& rightNames, bool grant) const;
    // Leaves the user exactly the rights named (the rights editor's save).
    Outcome ReplaceRights(const std::string& name, const std::vector<std::string>& rightNames) const;
    // Only a user no rate or log record names, and not oneself.
    Outcome RemoveUser(const std::string& name) const;

private:
    Outcome Change(const std::function<void()>& change) const;
    void RequireAdministrator() const;
    UserAccount Named(const std::string& name) const;
    std::vector<const rights::NamedRight*> KnownRights(const std::vector<std::string>& rightNames) const;
    // On a server, the user's login role and its privileges follow the change
    // (server_roles.h); `password` is the one just set, if any.
    void FollowOnServer(const std::string& name, const std::optional<std::string>& password) const;
    void Record(const std::string& chineseTemplate, const tolm::VariantArray& values) const;
};

}  // namespace hub
