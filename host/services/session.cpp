#include "services/session.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <unistd.h>

#include <chrono>

#include "base/clock.h"
#include "base/text_util.h"
#include "db/migrations.h"
#include "model/log_store.h"
#include "model/server_roles.h"
#include "services/password_hash.h"
#include "i18n/catalogue.h"
#include "model/user_store.h"
#include "tolm/host_error.h"

namespace hub {

namespace {

constexpr const char* Source = "Session";

}  // namespace

std::string LocalMachineName() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return "localhost";
    return name;
}

std::string LocalIpAddress() {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return "127.0.0.1";
    std::string found;
    for (ifaddrs* item = list; item != nullptr && found.empty(); item = item->ifa_next) {
        if (item->ifa_addr == nullptr || item->ifa_addr->sa_family != AF_INET) continue;
        if ((item->ifa_flags & IFF_UP) == 0 || (item->ifa_flags & IFF_LOOPBACK) != 0) continue;
        char text[INET_ADDRSTRLEN] = {};
        const auto* address = reinterpret_cast<const sockaddr_in*>(item->ifa_addr);
        if (inet_ntop(AF_INET, &address->sin_addr, text, sizeof text) != nullptr) found = text;
    }
    freeifaddrs(list);
    return found.empty() ? "127.0.0.1" : found;
}

Session::Session(std::shared_ptr<Database> database, Identity identity)
    : m_database(std::move(database)),
      m_identity(std::move(identity)),
      m_machineName(LocalMachineName()),
      m_processId(static_cast<int32_t>(getpid())) {
    if (!m_database) throw tolm::HostError(tolm::err::ObjectNotSet, "A session needs a database", Source);
    DatabaseLocation where = m_database->Location();
    m_databasePath = std::move(where.file);
    m_databaseName = std::move(where.name);
    m_serverAddress = std::move(where.server);
}

const std::string& Session::IpAddress() const {
    std::call_once(m_ipAddressFound, [this] { m_ipAddress = LocalIpAddress(); });
    return m_ipAddress;
}

std::string Session::PropsString() const {
    return "UserID=" + std::to_string(UserId()) + ";UserName=" + UserName() + ";ServerIP=" + ServerAddress() +
           ";MachineName=" + MachineName() + ";IP=" + IpAddress() + ";DBName=" + DatabaseName() + ";";
}

namespace {

// The first company schema that links users to the server's roles.
constexpr int ServerRolesSchema = 5;

// The operation-log key of a refused login.
constexpr const char* LoginLogKey = "TolmHost_login";

int64_t SecondsNow() {
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

[[noreturn]] void Refuse(std::string reason) {
    throw tolm::HostError(tolm::err::AccessDenied, std::move(reason), Source);
}

// Counts the wrong password and logs it, in a transaction of its own: the refusal
// must stay on record although the session never starts. Returns whether that
// locked the user.
bool RecordWrongPassword(Database& sessionDb, const UserAccount& user, const Credentials& credentials) {
    std::shared_ptr<Database> writable;
    Database* db = &sessionDb;
    if (sessionDb.ReadOnly()) {
        if (!credentials.openForRecording) return false;
        writable = credentials.openForRecording();
        db = writable.get();
    }
    Transaction transaction(*db);
    const int32_t failed =
        CountFailedLogin(*db, user.id, WrongPasswordsBeforeLock, SecondsNow() + int64_t{LockMinutes} * 60);
    const bool locked = failed >= WrongPasswordsBeforeLock;
    // Written in the company's own language (that of its other host records), and
    // never with what was typed.
    WriteLogRecord(*db, LogRecord{LocalNow(), user.id, LoginLogKey, 5,
                                  TranslateFormat("chs", locked ? "登录失败，密码错误，用户已被锁定-用户：[%1]"
                                                                : "登录失败，密码错误-用户：[%1]",
                                                  {user.name}),
                                  LocalMachineName(), LocalIpAddress()});
    transaction.Commit();
    return locked;
}

// On a server, the user the role that logged in works as; `userName`, when given,
// must name that user.
UserAccount ServerUser(Database& db, const std::string& userName, const std::string& language) {
    const std::string role = SessionRole(db);
    const std::optional<int32_t> id = UserOfServerRole(db, role);
    std::optional<UserAccount> user = id ? FindUserAccount(db, *id) : std::nullopt;
    if (!user) {
        Refuse(TranslateFormat(language, "数据库服务器上的用户 %1 不是这个公司的用户；请以公司用户的身份连接服务器，或请系统管理员添加你。",
                               {role}));
    }
    if (!IsBlank(userName) && !EqualsNoCase(Trimmed(userName), user->name)) {
        Refuse(TranslateFormat(language, "连接数据库服务器所用的用户 %1 是公司用户 %2，不能以用户 %3 工作；请以 %3 的身份连接服务器（连接位置中不要指定其他用户）。",
                               {role, user->name, Trimmed(userName)}));
    }
    return std::move(*user);
}

UserAccount FindActingUser(Database& db, const std::string& userName, const std::string& language,
                           const Credentials& credentials) {
    // The server has checked who logged in: that is who acts.
    if (HasServerRoles(db) && SchemaVersion(db) >= ServerRolesSchema) return ServerUser(db, userName, language);
    if (!IsBlank(userName)) {
        std::optional<UserAccount> user = FindUserAccount(db, Trimmed(userName));
        if (!user) Refuse(TranslateFormat(language, "用户 %1 不存在。", {tolm::Variant(userName)}));
        return std::move(*user);
    }
    std::vector<UserAccount> linked = UsersLinkedTo(db, credentials.osAccount);
    if (linked.empty()) {
        Refuse(TranslateFormat(language, "公司中没有与操作系统账户 %1 关联的用户；请指定用户（--user），或请系统管理员关联你的账户。",
                               {credentials.osAccount}));
    }
    return std::move(linked.front());
}

}  // namespace

UserAccount Authenticate(Database& db, const std::string& userName, const std::string& language,
                         const Credentials& credentials) {
    UserAccount user = FindActingUser(db, userName, language, credentials);
    if (user.forbidden) Refuse(TranslateFormat(language, "用户 %1 已被禁用，不能登录。", {user.name}));
    if (const int64_t left = user.lockedUntil - SecondsNow(); left > 0) {
        Refuse(TranslateFormat(language, "用户 %1 因连续输错密码已被锁定，请%2分钟后重试，或请系统管理员解锁。",
                               {user.name, static_cast<int32_t>((left + 59) / 60)}));
    }
    if (user.passwordHash.empty()) {
        if (user.osAccount.empty() || user.osAccount != credentials.osAccount) {
            Refuse(TranslateFormat(language, "用户 %1 没有设置密码，只能从与其关联的操作系统账户使用（当前账户：%2）；请系统管理员为你设置密码。",
                                   {user.name, credentials.osAccount}));
        }
        return user;
    }
    const std::optional<std::string> password = credentials.password ? credentials.password() : std::nullopt;
    if (!password || password->empty()) {
        Refuse(TranslateFormat(language, "用户 %1 设有密码，登录时必须给出密码。", {user.name}));
    }
    if (!PasswordMatches(user.passwordHash, *password)) {
        if (RecordWrongPassword(db, user, credentials)) {
            Refuse(TranslateFormat(language, "用户 %1 的密码不正确；连续输错%2次，该用户已被锁定%3分钟。",
                                   {user.name, WrongPasswordsBeforeLock, LockMinutes}));
        }
        Refuse(TranslateFormat(language, "用户 %1 的密码不正确。", {user.name}));
    }
    if (user.failedLogins != 0 && !db.ReadOnly()) ForgetFailedLogins(db, user.id);
    return user;
}

std::shared_ptr<Session> Login(std::shared_ptr<Database> database, const std::string& userName,
                               const std::string& language, const Credentials& credentials) {
    const std::string code = AsciiLower(language);
    if (!IsSupportedLanguage(code)) {
        throw tolm::HostError(tolm::err::InvalidProcedureCall,
                              "Unknown language \"" + language + "\": use chs, en or cht", Source);
    }
    if (!database) throw tolm::HostError(tolm::err::ObjectNotSet, "Login needs a database", Source);

    const UserAccount user = Authenticate(*database, userName, code, credentials);
    Session::Identity identity;
    identity.userId = user.id;
    identity.userName = user.name;
    identity.language = code;
    return std::make_shared<Session>(std::move(database), std::move(identity));
}

void Session::NoteWriteFailure(const tolm::HostError& error) const {
    if (m_watch != nullptr && !m_watch->m_failure) m_watch->m_failure = error;
}

WriteWatch::WriteWatch(const Session& session) : m_session(session), m_previous(session.m_watch) {
    m_session.m_watch = this;
}

WriteWatch::~WriteWatch() { m_session.m_watch = m_previous; }

std::string PropsValue(const std::string& props, const std::string& key) {
    std::string_view rest = props;
    while (!rest.empty()) {
        const size_t end = rest.find(';');
        const std::string_view entry = rest.substr(0, end);
        const size_t equals = entry.find('=');
        if (equals != std::string_view::npos && EqualsNoCase(Trim(entry.substr(0, equals)), key)) {
            return std::string(entry.substr(equals + 1));
        }
        if (end == std::string_view::npos) break;
        rest.remove_prefix(end + 1);
    }
    return {};
}

}  // namespace hub
