#include "gui/client.h"

#include "base/debug_log.h"

#include <QApplication>
#include <QCoreApplication>
#include <QInputDialog>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QLocale>
#include <QPointer>
#include <QStatusBar>
#include <QTextBrowser>
#include <QTranslator>
#include <QUrl>

#include <cstdlib>
#include <exception>
#include <filesystem>

#include "base/paths.h"
#include "core/plugin_registration.h"
#include "i18n/catalogue.h"
#include "platform/qt_form_dialog.h"
#include "services/help_tool.h"
#include "services/person_text.h"
#include "tolm/host_error.h"
#include "tolm/platform.h"
#include "windows/bill_window.h"

namespace hub::gui {
namespace {

// Qt's own translation installed for the session language, if any.
QPointer<QTranslator>& QtTranslator() {
    static QPointer<QTranslator> translator;
    return translator;
}

void ShowHelpPage(const std::filesystem::path& page) {
    static QPointer<QTextBrowser> browser;
    if (!browser) {
        browser = new QTextBrowser;
        browser->setAttribute(Qt::WA_DeleteOnClose);
        browser->resize(640, 480);
    }
    browser->setSource(QUrl::fromLocalFile(QString::fromStdString(page.string())));
    browser->setWindowTitle(browser->documentTitle());
    browser->show();
    browser->raise();
}

}  // namespace

void SetApplicationIdentity() {
    QCoreApplication::setOrganizationName(QStringLiteral("tolm"));
    QCoreApplication::setApplicationName(QStringLiteral("tolm-client"));
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Tolm"));
}

void ApplyLanguage(QApplication& application, const std::string& language) {
    QPointer<QTranslator>& installed = QtTranslator();
    delete installed;
    // Month and day names of calendars and date fields in the session language.
    QLocale::setDefault(language == LanguageChs   ? QLocale(QLocale::Chinese, QLocale::SimplifiedChineseScript, QLocale::China)
                        : language == LanguageCht ? QLocale(QLocale::Chinese, QLocale::TraditionalChineseScript, QLocale::Taiwan)
                                                  : QLocale(QLocale::English, QLocale::UnitedStates));
    const QString locale = language == LanguageChs   ? QStringLiteral("zh_CN")
                           : language == LanguageCht ? QStringLiteral("zh_TW")
                                                     : QString();
    if (!locale.isEmpty()) {
        // Qt's own dialogs (file, print, colour, the buttons of a message box), from
        // the translations Debian ships, when they are installed.
        auto* translator = new QTranslator(&application);
        const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
        if (translator->load(QStringLiteral("qt_") + locale, folder) ||
            translator->load(QStringLiteral("qtbase_") + locale, folder)) {
            QApplication::installTranslator(translator);
            installed = translator;
        } else {
            delete translator;
        }
    }
    // Latin text keeps the desktop's font; Chinese falls back to the CJK family
    // rather than to empty boxes.
    QFont font = application.font();
    const QString cjk = CjkFontFamily();
    if (!cjk.isEmpty()) {
        QStringList families = font.families();
        if (families.isEmpty()) families << font.family();
        if (!families.contains(cjk)) families << cjk;
        font.setFamilies(families);
        application.setFont(font);
    }
}

QString Text(const std::string& language, const char* chineseText) {
    return QString::fromStdString(Translate(language, chineseText));
}

const char* LanguageName(const std::string& language) {
    if (language == LanguageEn) return "英文";
    if (language == LanguageCht) return "繁体中文";
    return "简体中文";
}

QString StatusLineText(const std::string& language, const std::string& status) {
    if (status == "Ready") return Text(language, "就绪");
    return QString::fromStdString(status);
}

namespace {

// How long the outcome of a command stays in the status bar.
constexpr int StatusMessageMs = 8000;

QString OutcomeText(const std::string& language, const Outcome& outcome) {
    switch (outcome.kind) {
        case Outcome::Kind::Done:
            return Text(language, "命令已完成。");
        case Outcome::Kind::Unchanged:
            return Text(language, "没有改动任何数据。");
        case Outcome::Kind::Refused:
        case Outcome::Kind::Failed:
            break;
    }
    return Text(language, "命令没有完成，没有改动任何数据。");
}

}  // namespace

void ActAndShowOutcome(QMainWindow& view, const std::string& language, const std::function<const Outcome&()>& click) {
    const Outcome* outcome = nullptr;
    Act(language, [&] { outcome = &click(); });
    if (outcome != nullptr) view.statusBar()->showMessage(OutcomeText(language, *outcome), StatusMessageMs);
}

void Act(const std::string& language, const std::function<void()>& action) {
    std::string message;
    try {
        action();
        return;
    } catch (const tolm::HostError& error) {
        message = PersonText(error, language);
    } catch (const std::exception& error) {
        // The library's own words are for the debug log, not for the person.
        DebugLog(error.what());
        message = Translate(language, "操作未完成，没有改动任何数据。");
    }
    tolm::OnErrorSilent(
        [&] { tolm::Platform()->MessageBox(message, tolm::mb::Exclamation, Translate(language, "提示")); });
}

std::function<std::optional<std::string>()> AskPassword(const std::string& language) {
    return [language]() -> std::optional<std::string> {
        if (const char* given = std::getenv("TOLM_PASSWORD"); given != nullptr && *given) return std::string(given);
        bool ok = false;
        const QString typed = QInputDialog::getText(nullptr, Text(language, "登录"), Text(language, "密码："),
                                                    QLineEdit::Password, QString(), &ok);
        if (!ok || typed.isEmpty()) return std::nullopt;
        return typed.toStdString();
    };
}

void EnsurePluginRegistered(const Runtime& runtime, const std::string& language) {
    // The person needs no word of a registration that went through: the windows work.
    EnsurePluginClassRegistered(runtime.Loader(), RateBillEditClass, language);
}

void InstallHelpViewer() {
    SetHelpViewer([](int32_t, const std::filesystem::path& page) { ShowHelpPage(page); });
}

void ShowHelpTopic(const std::string& language, int32_t topic) {
    if (topic == 0) return;
    if (const auto page = FindHelpPage(DataDirectory() / "help", language, topic)) {
        ShowHelpPage(*page);
        return;
    }
    throw tolm::HostError(tolm::err::FileNotFound, TranslateFormat(language, "没有帮助主题%1的页面。", {topic}),
                          "tolm-client");
}

}  // namespace hub::gui
