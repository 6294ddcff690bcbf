#include "gui/login_dialog.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>

#include "gui/client.h"
#include "gui/main_window.h"
#include "i18n/catalogue.h"

namespace hub::gui {

LoginDialog::LoginDialog(std::shared_ptr<tolm::IPlatform> platform, QWidget* parent)
    : QDialog(parent), m_platform(std::move(platform)) {
    setObjectName(QStringLiteral("LoginDialog"));
    const QSettings settings;
    m_database = new QLineEdit(settings.value(QStringLiteral("login/company"), QStringLiteral("tolm.db")).toString(), this);
    // Empty: the user linked to the account logged in on this machine.
    m_user = new QLineEdit(settings.value(QStringLiteral("login/user")).toString(), this);
    m_user->setObjectName(QStringLiteral("user"));
    m_password = new QLineEdit(this);
    m_password->setObjectName(QStringLiteral("password"));
    m_password->setEchoMode(QLineEdit::Password);
    m_language = new QComboBox(this);
    for (const char* code : {LanguageChs, LanguageEn, LanguageCht}) m_language->addItem(QString(), QString::fromLatin1(code));
    m_language->setCurrentIndex(
        std::max(0, m_language->findData(settings.value(QStringLiteral("login/language"), QString::fromLatin1(LanguageChs)).toString())));
    m_databaseLabel = new QLabel(this);
    m_userLabel = new QLabel(this);
    m_passwordLabel = new QLabel(this);
    m_languageLabel = new QLabel(this);
    auto* browse = new QPushButton(QStringLiteral("..."), this);
    m_browse = browse;
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString file = QFileDialog::getOpenFileName(this, m_databaseLabel->text(), m_database->text());
        if (!file.isEmpty()) m_database->setText(file);
    });
    connect(m_language, &QComboBox::currentIndexChanged, this, [this] {
        ApplyLanguage(*qApp, Language());
        ShowTexts();
    });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &LoginDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &LoginDialog::reject);

    auto* grid = new QGridLayout(this);
    grid->addWidget(m_databaseLabel, 0, 0);
    grid->addWidget(m_database, 0, 1);
    grid->addWidget(browse, 0, 2);
    grid->addWidget(m_userLabel, 1, 0);
    grid->addWidget(m_user, 1, 1, 1, 2);
    grid->addWidget(m_passwordLabel, 2, 0);
    grid->addWidget(m_password, 2, 1, 1, 2);
    grid->addWidget(m_languageLabel, 3, 0);
    grid->addWidget(m_language, 3, 1, 1, 2);
    grid->addWidget(buttons, 4, 0, 1, 3);
    m_database->setMinimumWidth(320);
    ApplyLanguage(*qApp, Language());
    ShowTexts();
}

void LoginDialog::SetDatabase(const QString& location) { m_database->setText(location); }

void LoginDialog::SetLanguage(const std::string& language) {
    m_language->setCurrentIndex(std::max(0, m_language->findData(QString::fromStdString(language))));
}

std::string LoginDialog::Language() const { return m_language->currentData().toString().toStdString(); }

void LoginDialog::ShowTexts() {
    const std::string language = Language();
    setWindowTitle(Text(language, "登录"));
    m_databaseLabel->setText(Text(language, "公司（数据库文件或服务器地址）："));
    m_userLabel->setText(Text(language, "用户："));
    m_user->setPlaceholderText(Text(language, "空：与本机账户关联的用户"));
    m_passwordLabel->setText(Text(language, "密码："));
    m_password->setPlaceholderText(Text(language, "用户没有密码时留空"));
    m_languageLabel->setText(Text(language, "语言："));
    m_browse->setToolTip(Text(language, "选择数据库文件"));
    for (int i = 0; i < m_language->count(); ++i) {
        m_language->setItemText(i, Text(language, LanguageName(m_language->itemData(i).toString().toStdString())));
    }
}

void LoginDialog::accept() {
    const std::string language = Language();
    RuntimeOptions options;
    options.database = m_database->text().trimmed().toStdString();
    if (const QString user = m_user->text().trimmed(); !user.isEmpty()) options.user = user.toStdString();
    // Read once, when the session asks for it, and not kept after the login.
    options.password = [password = m_password->text().toStdString()]() -> std::optional<std::string> {
        if (password.empty()) return std::nullopt;
        return password;
    };
    options.language = language;
    options.platform = m_platform;
    options.windows = ClientWindowPresenter(language);
    Act(language, [&] {
        auto runtime = std::make_unique<Runtime>(std::move(options));
        runtime->OpenSession();
        EnsurePluginRegistered(*runtime, language);
        m_runtime = std::move(runtime);
    });
    m_password->clear();
    if (!m_runtime) return;
    QSettings settings;
    settings.setValue(QStringLiteral("login/company"), m_database->text().trimmed());
    settings.setValue(QStringLiteral("login/user"), m_user->text().trimmed());
    settings.setValue(QStringLiteral("login/language"), QString::fromStdString(language));
    QDialog::accept();
}

}  // namespace hub::gui
