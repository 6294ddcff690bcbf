// The login of this client process: who works, in which language, on which
// database, from which machine.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "db/database.h"
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
    // machine name, the address, the process id and the database's name and server
    // are found here.
    Session(std::shared_ptr<Database> database, Identity identity);

    int32_t UserId() const { return m_identity.userId; }
    const std::string& UserName() const { return m_identity.userName; }
    const std::string& Language() const { return m_identity.language; }
    const std::string& MachineName() const { return m_machineName; }
    const std::string& IpAddress() const { return m_ipAddress; }
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
    std::string m_ipAddress;
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

// Runs a person's act that may write through the plug-in (a click that saves, then
// logs): everything it writes is stored together or not at all. The transaction
// starts with the first write, so a question asked before it keeps nobody waiting,
// and a write the plug-in trapped silently (the data-access object and the log
// server note it) undoes the whole act, which then raises HostError(Refused,
// `unfinished`), or the failure itself when it was damaged or full storage
// (DatabaseFault::Damaged, Full); an error of the act undoes it too and is raised as it was. Inside a
// transaction the caller holds, the act simply runs: the caller's unit decides.
void RunAsOneUnit(const Session& session, const std::function<void()>& act, const std::string& unfinished);

// Before the person is asked or told anything while an act runs as one unit (the
// platform calls it as it shows a message box, a file dialog or a form): what the act
// wrote so far is stored, so that nobody waits on the company while the person
// reads, and what the person reads is what the database holds. Nothing outside such
// an act, after a noted failure, or while an inner level of the act is open. When
// the database will not store it, that is noted as the act's failure (the act is
// then undone at its end) and the question is still asked.
void SettleBeforeQuestion();

// Logs a user in: the user must exist in t_User (name compared without regard to
// letter case) and not be forbidden. Raises HostError(AccessDenied) with the
// message "用户 %1 不存在。" in the requested language for an unknown user and
// "用户 %1 已被禁用，不能登录。" for a forbidden one, and HostError(InvalidProcedureCall) for a
// language other than "chs", "en" or "cht" (letter case ignored).
std::shared_ptr<Session> Login(std::shared_ptr<Database> database, const std::string& userName,
                               const std::string& language);

// The value of a key in a session property string ("" when absent); keys are
// compared without regard to letter case, entries are separated by ";".
std::string PropsValue(const std::string& props, const std::string& key);

// The first non-loopback IPv4 address of an interface that is up, else 127.0.0.1.
std::string LocalIpAddress();
// The machine's host name ("localhost" when it cannot be read).
std::string LocalMachineName();

}  // namespace hub
