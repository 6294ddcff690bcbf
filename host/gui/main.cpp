// tolm-client, the desktop client of the host.
//
//   tolm-client [--db LOCATION] [--user NAME] [--lang chs|en|cht]
//   tolm-client --screenshots DIR --db FILE [--user NAME] [--lang chs|en|cht]
#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>
#include <memory>

#include "gui/client.h"
#include "gui/login_dialog.h"
#include "gui/main_window.h"
#include "gui/screenshots.h"
#include "i18n/catalogue.h"
#include "platform/qt_platform.h"
#include "services/person_text.h"
#include "tolm/host_error.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    hub::gui::SetApplicationIdentity();

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("The desktop client of the Tolm host"));
    parser.addHelpOption();
    const QCommandLineOption db(QStringLiteral("db"), QStringLiteral("The company: an SQLite file or a PostgreSQL URI"),
                                QStringLiteral("location"));
    const QCommandLineOption user(QStringLiteral("user"),
                                  QStringLiteral("The user to log in as (else the one linked to your account)"),
                                  QStringLiteral("name"));
    const QCommandLineOption lang(QStringLiteral("lang"), QStringLiteral("chs, en or cht"), QStringLiteral("language"),
                                  QStringLiteral("chs"));
    const QCommandLineOption screenshots(QStringLiteral("screenshots"),
                                         QStringLiteral("Save a picture of every window into the folder, then exit"),
                                         QStringLiteral("folder"));
    parser.addOptions({db, user, lang, screenshots});
    parser.process(application);

    // Installed before anything can fail, so that every refusal reaches the person.
    auto platform = std::make_shared<hub::QtPlatform>();
    tolm::InstallPlatform(platform);
    hub::gui::InstallHelpViewer();

    std::unique_ptr<hub::Runtime> runtime;
    if (parser.isSet(screenshots) || parser.isSet(db)) {
        const std::string language = parser.value(lang).toStdString();
        if (!hub::IsSupportedLanguage(language)) {
            std::fprintf(stderr, "tolm-client: --lang takes chs, en or cht\n");
            return 2;
        }
        hub::gui::ApplyLanguage(application, language);
        try {
            std::optional<std::string> userName;
            if (parser.isSet(user)) userName = parser.value(user).toStdString();
            runtime = std::make_unique<hub::Runtime>(hub::RuntimeOptions{parser.value(db).toStdString(), userName,
                                                                         hub::gui::AskPassword(language), language,
                                                                         {}, platform,
                                                                         // Pictures are taken without waiting for a person.
                                                                         parser.isSet(screenshots)
                                                                             ? hub::WindowPresenter{}
                                                                             : hub::gui::ClientWindowPresenter(language)});
            runtime->OpenSession();
            hub::gui::EnsurePluginRegistered(*runtime, language);
        } catch (const tolm::HostError& error) {
            std::fprintf(stderr, "tolm-client: %s\n", hub::PersonText(error, language).c_str());
            return 1;
        }
        if (parser.isSet(screenshots)) {
            const int saved = hub::gui::TakeScreenshots(*runtime, parser.value(screenshots));
            std::printf("%d\n", saved);
            return saved > 0 ? 0 : 1;
        }
    } else {
        hub::gui::LoginDialog login(platform);
        if (login.exec() != QDialog::Accepted) return 0;
        runtime = login.TakeRuntime();
    }
    hub::gui::MainWindow window(*runtime);
    window.show();
    window.RestoreWindows();
    return application.exec();
}
