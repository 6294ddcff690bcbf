// The host's start-up and tear-down, written once for every front end.
//
// Layers of the host, each using only those below it and the contract (sdk/):
//   base       text, dates as stored, paths
//   db         the database interface, its drivers and dialects, migrations,
//              the bridge that runs the plug-in's SQL
//   model      the stores of the company's data: all SQL the host itself writes
//   i18n       the catalogue engine
//   services   the service components, registered by class name
//   windows    window models and the one event source they raise events through
//   platform   the platform seam's implementations (headless; Qt in the desktop client)
//   core       the class loader and this runtime
//   driver     acting on the models as a person would
//   cli, gui   the front ends
//
// A Runtime installs the class loader and the platform when it is made, opens the
// company and logs in when a session is first asked for, and undoes each step, in
// reverse order, when it ends. The command line, the tests and the desktop client
// use it and nothing else to start the host.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/class_loader.h"
#include "db/database.h"
#include "services/session.h"
#include "tolm/platform.h"
#include "windows/class_lookup.h"

namespace hub {

struct RuntimeOptions {
    // The company database: an SQLite file (":memory:" for a private one) or a
    // server location (see OpenDatabase).
    std::string database = "tolm.db";
    // The user the session runs as; when none is given, the user linked to the
    // operating-system account running the process. A name that is given must not
    // be blank.
    std::optional<std::string> user;
    // Asked when the user has a password (see Credentials::password).
    std::function<std::optional<std::string>()> password;
    // "chs", "en" or "cht": the session's language, and that of the runtime's own
    // messages before anybody has logged in.
    std::string language = "chs";
    // The class registry file; empty for the default one. When given, the process's
    // TOLM_REGISTRY points there for the runtime's life, because plug-ins write their
    // registrations where the process's registry is.
    std::filesystem::path registry;
    // The platform installed for the runtime's life; the one installed before is put
    // back at the end. None leaves the platform as it is.
    std::shared_ptr<tolm::IPlatform> platform;
    // How the front end shows the windows that the class window opens.
    WindowPresenter windows;
    // The session only reads: the company is opened read-only (OpenMode::ReadOnly),
    // so nothing the session does can change or create a file.
    bool readOnly = false;
};

class Runtime {
public:
    explicit Runtime(RuntimeOptions options);
    ~Runtime();
    Runtime(const Runtime&) = delete;
    Runtime& operator=(const Runtime&) = delete;

    const RuntimeOptions& Options() const { return m_options; }
    // Creates plug-in classes through the options' registry.
    const ClassLoader& Loader() const { return *m_loader; }

    // The database location as a person reads it: the absolute path of a database
    // file, else the location as given.
    std::string DatabaseName() const;

    // The options' user logged in on the options' company in the options' language,
    // with the service components registered: done at the first call, kept until
    // the runtime ends. Raises, in the options' language, FileNotFound when the
    // database file does not exist and Database when it holds no company or an
    // older schema (both telling the person to run tolm init), and what Login
    // raises for an unknown user. A company of a newer program is opened
    // read-only: what the session reads works, and a write it tries is refused
    // with HostError(Refused, WriteRefusal()).
    const std::shared_ptr<Session>& OpenSession();
    bool HasSession() const { return m_session != nullptr; }
    // Why the open session may not write although the options allow it: the sentence,
    // in the options' language, naming the company's schema version and this
    // program's. Nothing when it may write (or only reads by the options' choice).
    const std::optional<std::string>& WriteRefusal() const { return m_writeRefusal; }

    // Logs `user` in on an open company database in `language` (a second login in
    // the same process, a test's private company) and registers the service
    // components for that session. The session before ends first, and its
    // components go with it. Raises what Login raises; the runtime then has no
    // session.
    const std::shared_ptr<Session>& LogIn(std::shared_ptr<Database> company, const std::string& user,
                                          const std::string& language, const Credentials& credentials = {});
    // Ends the session: its service components are unregistered.
    void LogOut();

    // The company database opened for setting it up or upgrading it, without a
    // login: a database file that does not exist is created, with its folder.
    std::shared_ptr<Database> OpenForSetup() const;

    // The options' user, as OpenSession logs in: "" when none is given (the user
    // linked to the process's operating-system account). Raises AccessDenied, in the
    // options' language, for a blank name.
    std::string UserName() const;
    // The person's proof of who they are, as the options give it; the password is
    // asked at most once.
    Credentials PersonCredentials() const;

private:
    // The company opened for the options' user; on a server, logged in as the role
    // that user works as, and `login` says how, for opening it again.
    std::shared_ptr<Database> OpenCompany(OpenMode mode, const Credentials& credentials, ServerLogin& login) const;

    RuntimeOptions m_options;
    std::optional<std::string> m_previousRegistryVariable;
    bool m_registryVariableSet = false;
    std::shared_ptr<tolm::IPlatform> m_previousPlatform;
    std::unique_ptr<ClassLoader> m_loader;
    std::shared_ptr<Session> m_session;
    std::optional<std::string> m_writeRefusal;
};

}  // namespace hub
