// The login: the company (a database file picked, or a server location typed), the
// user, the user's password and the session language. The last company, user and language are
// remembered.
#pragma once

#include <memory>
#include <string>

#include <QDialog>

#include "core/runtime.h"

class QComboBox;
class QLabel;
class QLineEdit;

namespace hub::gui {

class LoginDialog : public QDialog {
public:
    explicit LoginDialog(std::shared_ptr<tolm::IPlatform> platform, QWidget* parent = nullptr);

    void SetDatabase(const QString& location);
    // Chooses a session language ("chs", "en", "cht") and applies it.
    void SetLanguage(const std::string& language);
    // The runtime with the session logged in, once the dialog was accepted.
    std::unique_ptr<Runtime> TakeRuntime() { return std::move(m_runtime); }

protected:
    void accept() override;

private:
    std::string Language() const;
    void ShowTexts();

    std::shared_ptr<tolm::IPlatform> m_platform;
    QLineEdit* m_database;
    QLineEdit* m_user;
    QLineEdit* m_password;
    QComboBox* m_language;
    QLabel* m_databaseLabel;
    QLabel* m_userLabel;
    QLabel* m_passwordLabel;
    QLabel* m_languageLabel;
    QWidget* m_browse;
    std::unique_ptr<Runtime> m_runtime;
};

}  // namespace hub::gui
