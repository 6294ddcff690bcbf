// The users of the company on a desktop, for its administrators: the users with their
// state on the left, the rights of the one selected on the right, and the commands
// that add, disable, enable, remove a user, set a password and save the rights. What
// may change is decided by the user administration service; this window shows what
// became of each command.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <QMainWindow>

#include "services/user_admin.h"

class QCheckBox;
class QTableWidget;

namespace hub::gui {

class UserListView : public QMainWindow {
public:
    // Raises HostError(AccessDenied) for anyone but an administrator.
    static UserListView* Open(const std::shared_ptr<Session>& session, QWidget* parent = nullptr);

    QTableWidget& Table() const { return *m_table; }
    // The box of the right of that name.
    QCheckBox* RightBox(const std::string& rightName) const;
    // The user selected ("" when none).
    std::string SelectedUser() const;
    void SelectUser(const std::string& name);

    // The commands, as their toolbar buttons run them.
    void AddUser();
    void ChangePassword();
    void SetDisabled(bool disabled);
    void RemoveUser();
    void SaveRights();

private:
    UserListView(std::shared_ptr<Session> session, QWidget* parent);
    void ShowUsers();
    void ShowRights();
    // Shows the outcome (a refusal in a message box, then in the status bar) and
    // shows the users again when something was changed.
    void Show(const Outcome& outcome, const char* done);

    std::shared_ptr<Session> m_session;
    UserAdmin m_admin;
    std::vector<UserAccount> m_users;
    QTableWidget* m_table;
    std::vector<std::pair<const rights::NamedRight*, QCheckBox*>> m_rightBoxes;
};

}  // namespace hub::gui
