// The login of this client process: who works, in which language, on which
// database, from which machine.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "base/os_account.h"
#include "db/database.h"
#include "model/user_store.h"
#include "tolm/host_error.h"

namespace hub {

class Session {
public:
    struct Identity {
        int32_t userId = 0;
        std::string userName;
        std::string language = "chs";  // "chs", "en" or "cht"
    };

    // A session of a user already checked against the database (see Login). The
    // machine name, the process id and the database's name and server are found
    // here; the address when it is first asked for.
    Session(std::shared_ptr<Database> database, Identity identity);

    int32_t UserId() const { return m_identity.userId; }
    const std::string& UserName() const { return m_identity.userName; }
    const std::string& Language() const { return m_identity.language; }
    const std::string& MachineName() const { return m_machineName; }
    // LocalIpAddress(), asked of the system once per session.
    const std::string& IpAddress() const;
    // The database file ("" for a private in-memory database) and the name shown
    // for it (the file name, ":memory:", or the server's database name).
    const std::filesystem::path& DatabasePath() const { return m_databasePath; }
    const std::string& DatabaseName() const { return m_databaseName; }
    // The address of the database server: 127.0.0.1 for the embedded database.
    const std::string& ServerAddress() const { return m_serverAddress; }
    int32_t ProcessId() const { return m_processId; }
    const std::shared_ptr<Database>& Db() const { return m_database; }

    // "UserID=<id>;UserName=<name>;ServerIP=<server>;MachineName=<host>;IP=<ip>;
    // DBName=<database name>;". The language is not part of it: the plug-in adds
    // the one it detected.
    std::string PropsString() const;

    // A write made for this session failed (a statement of the plug-in's, a log
    // record), whether or not the caller went on as if nothing happened: the
    // WriteWatch running now, if any, keeps the first failure.
    void NoteWriteFailure(const tolm::HostError& error) const;

private:
    friend class WriteWatch;
    mutable class WriteWatch* m_watch = nullptr;

    std::shared_ptr<Database> m_database;
    Identity m_identity;
    std::string m_machineName;
    // Asking the system for its interfaces costs as much as a short command does:
    // only a session that records or shows the address pays for it.
    mutable std::once_flag m_ipAddressFound;
    mutable std::string m_ipAddress;
    std::filesystem::path m_databasePath;
    std::string m_databaseName;
    std::string m_serverAddress;
    int32_t m_processId = 0;
};

// Watches the writes of a session while a window event that writes runs (a save
// and its follow-up): the data-access object and the log server note each failure,
// even one the plug-in traps silently, so the window can undo the whole event
// rather than report half of it as done. Watches nest; the innermost one hears.
class WriteWatch {
public:
    explicit WriteWatch(const Session& session);
    ~WriteWatch();
    WriteWatch(const WriteWatch&) = delete;
    WriteWatch& operator=(const WriteWatch&) = delete;

    // The first write that failed while watching.
    const std::optional<tolm::HostError>& FirstFailure() const { return m_failure; }

private:
    friend class Session;
    const Session& m_session;
    WriteWatch* m_previous;
    std::optional<tolm::HostError> m_failure;
};

// How a person proves who they are when a session starts.
struct Credentials {
    // Asked only for a user who has a password: the password the person gives;
    // nothing when none was given. May raise HostError to say where one is given.
    std::function<std::optional<std::string>()> password;
    // The operating-system account running this process: a user without a
    // password is used only from the account linked to it.
    std::string osAccount = CurrentOsAccount();
    // Where a wrong password is counted and logged when the session's database only
    // reads: the same company opened for writing. None: it is counted in the
    // session's database, or not at all when that cannot be written.
    std::function<std::shared_ptr<Database>()> openForRecording;
};

// How many wrong passwords in a row lock a user, and for how long.
inline constexpr int32_t WrongPasswordsBeforeLock = 5;
inline constexpr int32_t LockMinutes = 15;

// Who the credentials prove the person to be in the company `db`: the user of that
// name (without regard to letter case), or with an empty name the user linked to
// the credentials' operating-system account (the administrator among several). On a
// database server, the user the connection's role works as (server_roles.h), which
// a name, when given, must name. A
// user with a password needs it; a user without one may be acted as only from the
// linked account. Raises HostError(AccessDenied) with the reason in `language`: an
// unknown, forbidden or locked user, a missing or wrong password (counted, logged,
// and the fifth in a row locks the user for LockMinutes), a user without a password
// from another account, no user linked to the account, a server role that is no
// user of the company or works as another user than the one named.
UserAccount Authenticate(Database& db, const std::string& userName, const std::string& language,
                         const Credentials& credentials);

// Logs a user in: Authenticate, then a session of that user. Raises what
// Authenticate raises, and HostError(InvalidProcedureCall) for a language other
// than "chs", "en" or "cht" (letter case ignored).
std::shared_ptr<Session> Login(std::shared_ptr<Database> database, const std::string& userName,
                               const std::string& language, const Credentials& credentials = {});

// The value of a key in a session property string ("" when absent); keys are
// compared without regard to letter case, entries are separated by ";".
std::string PropsValue(const std::string& props, const std::string& key);

// The first non-loopback IPv4 address of an interface that is up, else 127.0.0.1.
std::string LocalIpAddress();
// The machine's host name ("localhost" when it cannot be read).
std::string LocalMachineName();

}  // namespace hub
