#include "gui/user_list_view.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QStatusBar>
#include <QTableWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>

#include "gui/client.h"
#include "i18n/catalogue.h"

namespace hub::gui {

namespace {

// Asks for a new password twice; nothing when cancelled or when the two differ
// (the person is told).
std::optional<std::string> AskNewPassword(QWidget* parent, const std::string& language) {
    bool ok = false;
    const QString first = QInputDialog::getText(parent, Text(language, "修改密码"), Text(language, "新密码："),
                                                QLineEdit::Password, QString(), &ok);
    if (!ok) return std::nullopt;
    const QString second = QInputDialog::getText(parent, Text(language, "修改密码"), Text(language, "再输入一次新密码："),
                                                 QLineEdit::Password, QString(), &ok);
    if (!ok) return std::nullopt;
    if (first != second) {
        QMessageBox::warning(parent, Text(language, "修改密码"), Text(language, "两次输入的密码不一致。"));
        return std::nullopt;
    }
    return first.toStdString();
}

}  // namespace

UserListView* UserListView::Open(const std::shared_ptr<Session>& session, QWidget* parent) {
    // Asked before anything is drawn: only an administrator sees the users.
    UserAdmin(session).Users();
    return new UserListView(session, parent);
}

UserListView::UserListView(std::shared_ptr<Session> session, QWidget* parent)
    : QMainWindow(parent), m_session(std::move(session)), m_admin(m_session), m_table(new QTableWidget(this)) {
    setObjectName(QStringLiteral("UserListView"));
    setAttribute(Qt::WA_DeleteOnClose);
    const std::string& language = m_session->Language();
    setWindowTitle(Text(language, "用户"));

    QToolBar* tools = addToolBar(Text(language, "用户"));
    tools->addAction(Text(language, "新增用户"), this, &UserListView::AddUser);
    tools->addAction(Text(language, "修改密码"), this, &UserListView::ChangePassword);
    tools->addAction(Text(language, "禁用"), this, [this] { SetDisabled(true); });
    tools->addAction(Text(language, "启用"), this, [this] { SetDisabled(false); });
    tools->addAction(Text(language, "删除"), this, &UserListView::RemoveUser);
    tools->addSeparator();
    tools->addAction(Text(language, "保存权限"), this, &UserListView::SaveRights);

    m_table->setColumnCount(4);
    m_table->setHorizontalHeaderLabels(
        {Text(language, "用户"), Text(language, "说明"), Text(language, "状态"), Text(language, "关联账户")});
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->horizontalHeader()->setStretchLastSection(true);
    connect(m_table, &QTableWidget::itemSelectionChanged, this, &UserListView::ShowRights);

    auto* rightsBox = new QGroupBox(Text(language, "权限"), this);
    auto* rightsLayout = new QVBoxLayout(rightsBox);
    for (const rights::NamedRight& right : rights::Named()) {
        auto* box = new QCheckBox(QString::fromStdString(RightMeaning(right, language)), rightsBox);
        box->setObjectName(QString::fromLatin1(right.name));
        rightsLayout->addWidget(box);
        m_rightBoxes.emplace_back(&right, box);
    }
    rightsLayout->addStretch();

    auto* central = new QWidget(this);
    auto* layout = new QHBoxLayout(central);
    layout->addWidget(m_table, 3);
    layout->addWidget(rightsBox, 2);
    setCentralWidget(central);
    resize(820, 480);
    ShowUsers();
}

QCheckBox* UserListView::RightBox(const std::string& rightName) const {
    for (const auto& [right, box] : m_rightBoxes) {
        if (rightName == right->name) return box;
    }
    return nullptr;
}

std::string UserListView::SelectedUser() const {
    const int row = m_table->currentRow();
    return row >= 0 && row < static_cast<int>(m_users.size()) ? m_users[static_cast<size_t>(row)].name : std::string();
}

void UserListView::SelectUser(const std::string& name) {
    for (size_t row = 0; row < m_users.size(); ++row) {
        if (m_users[row].name == name) m_table->selectRow(static_cast<int>(row));
    }
}

void UserListView::ShowUsers() {
    const std::string selected = SelectedUser();
    const std::string& language = m_session->Language();
    m_users = m_admin.Users();
    m_table->setRowCount(static_cast<int>(m_users.size()));
    for (size_t i = 0; i < m_users.size(); ++i) {
        const UserAccount& user = m_users[i];
        QStringList state;
        for (const std::string& word : UserStateWords(user, language)) state << QString::fromStdString(word);
        const QString cells[] = {QString::fromStdString(user.name), QString::fromStdString(user.description),
                                 state.join(QStringLiteral(", ")), QString::fromStdString(user.osAccount)};
        for (int column = 0; column < 4; ++column) {
            m_table->setItem(static_cast<int>(i), column, new QTableWidgetItem(cells[column]));
        }
    }
    if (!selected.empty()) SelectUser(selected);
    if (m_table->currentRow() < 0 && !m_users.empty()) m_table->selectRow(0);
    ShowRights();
}

void UserListView::ShowRights() {
    const int row = m_table->currentRow();
    const UserAccount* user = row >= 0 && row < static_cast<int>(m_users.size()) ? &m_users[static_cast<size_t>(row)] : nullptr;
    const std::vector<std::string> held = user != nullptr ? m_admin.HeldRights(*user) : std::vector<std::string>();
    for (const auto& [right, box] : m_rightBoxes) {
        box->setChecked(std::find(held.begin(), held.end(), right->name) != held.end());
        box->setEnabled(user != nullptr && !user->administrator);
    }
}

void UserListView::Show(const Outcome& outcome, const char* done) {
    const std::string& language = m_session->Language();
    if (outcome.kind == Outcome::Kind::Done) {
        statusBar()->showMessage(QString::fromStdString(TranslateFormat(language, done, {SelectedUser()})));
        ShowUsers();
        return;
    }
    if (!outcome.reason.empty()) QMessageBox::warning(this, windowTitle(), QString::fromStdString(outcome.reason));
    statusBar()->showMessage(QString::fromStdString(outcome.reason));
}

void UserListView::AddUser() {
    const std::string& language = m_session->Language();
    QDialog dialog(this);
    dialog.setWindowTitle(Text(language, "新增用户"));
    auto* name = new QLineEdit(&dialog);
    auto* description = new QLineEdit(&dialog);
    auto* administrator = new QCheckBox(Text(language, "系统管理员"), &dialog);
    auto* password = new QLineEdit(&dialog);
    auto* again = new QLineEdit(&dialog);
    auto* osAccount = new QLineEdit(&dialog);
    password->setEchoMode(QLineEdit::Password);
    again->setEchoMode(QLineEdit::Password);
    auto* form = new QFormLayout(&dialog);
    form->addRow(Text(language, "用户："), name);
    form->addRow(Text(language, "说明："), description);
    form->addRow(QString(), administrator);
    form->addRow(Text(language, "密码："), password);
    form->addRow(Text(language, "再输入一次新密码："), again);
    form->addRow(Text(language, "关联账户："), osAccount);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (dialog.exec() != QDialog::Accepted) return;
    if (password->text() != again->text()) {
        QMessageBox::warning(this, windowTitle(), Text(language, "两次输入的密码不一致。"));
        return;
    }
    NewUser user{name->text().toStdString(), description->text().toStdString(), administrator->isChecked(),
                 password->text().isEmpty() ? std::nullopt : std::optional(password->text().toStdString()),
                 osAccount->text().trimmed().toStdString()};
    const Outcome outcome = m_admin.AddUser(user);
    if (outcome.kind == Outcome::Kind::Done) {
        ShowUsers();
        SelectUser(user.name);
    }
    Show(outcome, "已新增用户 %1。");
}

void UserListView::ChangePassword() {
    const std::string name = SelectedUser();
    if (name.empty()) return;
    if (const std::optional<std::string> password = AskNewPassword(this, m_session->Language())) {
        Show(m_admin.ChangePassword(name, *password), "已修改用户 %1 的密码。");
    }
}

void UserListView::SetDisabled(bool disabled) {
    const std::string name = SelectedUser();
    if (!name.empty()) Show(m_admin.SetDisabled(name, disabled), disabled ? "已禁用用户 %1。" : "已启用用户 %1。");
}

void UserListView::RemoveUser() {
    const std::string name = SelectedUser();
    if (name.empty()) return;
    const std::string& language = m_session->Language();
    if (QMessageBox::question(this, windowTitle(),
                              QString::fromStdString(TranslateFormat(language, "确实要删除用户 %1 吗？", {name}))) !=
        QMessageBox::Yes) {
        return;
    }
    const Outcome outcome = m_admin.RemoveUser(name);
    Show(outcome, "已删除用户 %1。");
}

void UserListView::SaveRights() {
    const std::string name = SelectedUser();
    if (name.empty()) return;
    std::vector<std::string> held;
    for (const auto& [right, box] : m_rightBoxes) {
        if (box->isChecked()) held.emplace_back(right->name);
    }
    Show(m_admin.ReplaceRights(name, held), "已为用户 %1 设置权限。");
}

}  // namespace hub::gui
