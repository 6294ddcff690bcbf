#include "services/session.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <unistd.h>

#include "base/text_util.h"
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
      m_ipAddress(LocalIpAddress()),
      m_processId(static_cast<int32_t>(getpid())) {
    if (!m_database) throw tolm::HostError(tolm::err::ObjectNotSet, "A session needs a database", Source);
    DatabaseLocation where = m_database->Location();
    m_databasePath = std::move(where.file);
    m_databaseName = std::move(where.name);
    m_serverAddress = std::move(where.server);
}

std::string Session::PropsString() const {
    return "UserID=" + std::to_string(UserId()) + ";UserName=" + UserName() + ";ServerIP=" + ServerAddress() +
           ";MachineName=" + MachineName() + ";IP=" + IpAddress() + ";DBName=" + DatabaseName() + ";";
}

std::shared_ptr<Session> Login(std::shared_ptr<Database> database, const std::string& userName,
                               const std::string& language) {
    const std::string code = AsciiLower(language);
    if (!IsSupportedLanguage(code)) {
        throw tolm::HostError(tolm::err::InvalidProcedureCall,
                              "Unknown language \"" + language + "\": use chs, en or cht", Source);
    }
    if (!database) throw tolm::HostError(tolm::err::ObjectNotSet, "Login needs a database", Source);

    const std::optional<UserRecord> user = FindUserByName(*database, Trimmed(userName));
    if (!user) {
        throw tolm::HostError(tolm::err::AccessDenied,
                              TranslateFormat(code, "用户 %1 不存在。", {tolm::Variant(userName)}), Source);
    }
    if (user->forbidden) {
        throw tolm::HostError(tolm::err::AccessDenied,
                              TranslateFormat(code, "用户 %1 已被禁用，不能登录。", {tolm::Variant(user->name)}),
                              Source);
    }
    Session::Identity identity;
    identity.userId = user->id;
    identity.userName = user->name;
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

namespace {

struct Unit {
    Unit(const Session& owner, Database& database) : session(owner), db(database), watch(owner) {}
    const Session& session;
    Database& db;
    WriteWatch watch;
    std::optional<Transaction> transaction;
};

// The act running as one unit on this thread.
thread_local Unit* t_unit = nullptr;

}  // namespace

void RunAsOneUnit(const Session& session, const std::function<void()>& act, const std::string& unfinished) {
    Database& db = *session.Db();
    if (t_unit != nullptr || db.InTransaction()) {
        act();
        return;
    }
    Unit unit(session, db);
    unit.transaction.emplace(db, TransactionStart::AtFirstWrite);
    struct Running {
        explicit Running(Unit& unit) { t_unit = &unit; }
        ~Running() { t_unit = nullptr; }
    } running(unit);
    act();
    if (const std::optional<tolm::HostError>& failure = unit.watch.FirstFailure()) {
        // Damaged or full storage says more than that the act was not finished: nothing
        // the person does next will go through until it is mended.
        const std::optional<DatabaseFault> fault = FaultOf(*failure);
        if (fault == DatabaseFault::Damaged || fault == DatabaseFault::Full) throw *failure;
        throw tolm::HostError(tolm::err::Refused, unfinished, "TolmHost.Session");
    }
    unit.transaction->Commit();
}

void SettleBeforeQuestion() {
    if (t_unit == nullptr || t_unit->watch.FirstFailure() || t_unit->db.Depth() != 1) return;
    try {
        t_unit->transaction->Commit();
    } catch (const tolm::HostError& error) {
        // What the act wrote so far is lost. The question is still asked (it may be
        // the report of this very failure), and the rest of the act runs in a
        // transaction of its own that the unit rolls back at its end.
        t_unit->session.NoteWriteFailure(error);
    }
    t_unit->transaction.emplace(t_unit->db, TransactionStart::AtFirstWrite);
}

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
