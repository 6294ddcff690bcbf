#include "core/runtime.h"

#include "platform/person_acts.h"

#include <cstdlib>
#include <memory>
#include <system_error>
#include <utility>
#include <vector>

#include "base/debug_log.h"
#include "base/text_util.h"
#include "db/migrations.h"
#include "i18n/catalogue.h"
#include "model/server_roles.h"
#include "model/user_store.h"
#include "services/company_admin.h"
#include "services/services.h"
#include "services/session.h"
#include "services/unit_of_work.h"
#include "tolm/components.h"
#include "windows/class_lookup.h"
#include "tolm/host_error.h"
#include "tolm/registry.h"

namespace hub {

namespace {

constexpr const char* RegistryVariable = "TOLM_REGISTRY";
constexpr const char* Source = "tolm";

// A click on a button of a plug-in dialog is one unit of work of the session: what
// it saves and the log record the plug-in writes after it go together. When the unit
// is undone the dialog keeps what the person typed, though the plug-in, believing
// the save done, may have cleared it for the next entry or asked to close.
void RunDialogClick(const Session& session, tolm::Form& form, const std::function<void()>& click) {
    std::vector<std::pair<tolm::FormControl*, std::string>> typed;
    for (const std::unique_ptr<tolm::FormControl>& control : form.Controls()) {
        if (control->Kind() == tolm::ControlKind::TextBox) typed.emplace_back(control.get(), control->Text());
    }
    form.HoldUnload();
    const Outcome outcome = RunUnitOfWork(
        session,
        [&] {
            click();
            return true;
        },
        Translate(session.Language(), "操作的记录没有写入上机日志，没有保存任何修改。"));
    form.ReleaseUnload(outcome.Succeeded());
    if (outcome.Succeeded()) return;
    for (const auto& [control, text] : typed) control->SetText(text);
    if (outcome.told) return;
    const tolm::HostError error(tolm::err::Refused, outcome.reason, Source);
    tolm::OnErrorSilent([&] {
        tolm::CreateObject<tolm::IMessageService>(tolm::classname::MessageService)->ReportError(error, {});
    });
}

// A company of a newer program, read through a read-only connection. A write that
// connection refuses is told as the two versions: the person is not to look for a
// file that may not be written.
class NewerCompany final : public Database {
public:
    NewerCompany(std::shared_ptr<Database> db, std::string refusal)
        : m_db(std::move(db)), m_refusal(std::move(refusal)) {}

    const Dialect& SqlDialect() const override { return m_db->SqlDialect(); }
    DatabaseLocation Location() override { return Told([&] { return m_db->Location(); }); }
    bool TableExists(std::string_view name) override { return Told([&] { return m_db->TableExists(name); }); }
    bool ReadOnly() const override { return true; }
    std::vector<std::string> StorageProblems() override { return Told([&] { return m_db->StorageProblems(); }); }
    int64_t Execute(const std::string& sql, const Params& params) override {
        return Told([&] { return m_db->Execute(sql, params); });
    }
    std::shared_ptr<tolm::MemoryRecordset> Query(const std::string& sql, const Params& params) override {
        return Told([&] { return m_db->Query(sql, params); });
    }
    void ExecuteScript(const std::string& sql) override { Told([&] { m_db->ExecuteScript(sql); }); }
    int64_t LastInsertId() override { return m_db->LastInsertId(); }
    void AdvanceIdGenerators() override { Told([&] { m_db->AdvanceIdGenerators(); }); }
    void Begin() override { Told([&] { m_db->Begin(); }); }
    void BeginOnFirstWrite() override { Told([&] { m_db->BeginOnFirstWrite(); }); }
    void Commit() override { Told([&] { m_db->Commit(); }); }
    void Rollback() override { Told([&] { m_db->Rollback(); }); }
    bool InTransaction() const override { return m_db->InTransaction(); }
    bool WriteStarted() const override { return m_db->WriteStarted(); }
    int Depth() const override { return m_db->Depth(); }

private:
    template <class Work>
    auto Told(Work work) -> decltype(work()) {
        try {
            return work();
        } catch (const DatabaseError& error) {
            if (error.Fault() != DatabaseFault::ReadOnly) throw;
            DebugLog(error.Description());
            throw tolm::HostError(tolm::err::Refused, m_refusal, Source);
        }
    }

    std::shared_ptr<Database> m_db;
    std::string m_refusal;
};

}  // namespace

Runtime::Runtime(RuntimeOptions options) : m_options(std::move(options)) {
    if (!m_options.registry.empty()) {
        m_options.registry = std::filesystem::absolute(m_options.registry);
        if (const char* previous = std::getenv(RegistryVariable)) m_previousRegistryVariable = previous;
        ::setenv(RegistryVariable, m_options.registry.c_str(), 1);
        m_registryVariableSet = true;
        m_loader = std::make_unique<ClassLoader>(m_options.registry);
    } else {
        m_loader = std::make_unique<ClassLoader>();
    }
    m_loader->Install();
    if (m_options.platform) {
        m_previousPlatform = tolm::InstalledPlatform();
        tolm::InstallPlatform(m_options.platform);
    }
}

Runtime::~Runtime() {
    LogOut();
    if (m_options.platform) tolm::InstallPlatform(m_previousPlatform);
    tolm::ComponentRegistry::Instance().SetResolver(nullptr);
    if (m_registryVariableSet) {
        if (m_previousRegistryVariable) {
            ::setenv(RegistryVariable, m_previousRegistryVariable->c_str(), 1);
        } else {
            ::unsetenv(RegistryVariable);
        }
    }
}

std::string Runtime::DatabaseName() const {
    // Never the location as given: a server's may carry a password.
    return DatabaseDisplayName(m_options.database);
}

std::shared_ptr<Database> Runtime::OpenCompany(OpenMode mode, const Credentials& credentials,
                                               ServerLogin& login) const {
    const std::string& location = m_options.database;
    const std::string user = UserName();
    // A person who names the user logs in to a server as that user's role; the
    // location's own login (or the server's default for this process) comes first,
    // since only the company knows which role a user works as.
    if (user.empty() || LocationNamesRole(location)) {
        login = ServerLogin{"", credentials.password};
        return OpenDatabase(location, mode, login);
    }
    std::shared_ptr<Database> database;
    try {
        database = OpenDatabase(location, mode);
    } catch (const DatabaseError& error) {
        if (error.Fault() != DatabaseFault::Login) throw;
        login = ServerLogin{user, credentials.password};
        return OpenDatabase(location, mode, login);
    }
    if (!HasServerRoles(*database) || SchemaVersion(*database) < CurrentSchemaVersion()) return database;
    const std::optional<UserAccount> account = FindUserAccount(*database, Trimmed(user));
    if (!account) return database;
    const std::string role = ServerRoleOf(*database, account->id);
    if (role == SessionRole(*database)) return database;
    database.reset();
    login = ServerLogin{role, credentials.password};
    return OpenDatabase(location, mode, login);
}

const std::shared_ptr<Session>& Runtime::OpenSession() {
    if (m_session) return m_session;
    const std::string& language = m_options.language;
    const std::string name = DatabaseName();
    Credentials credentials = PersonCredentials();
    ServerLogin login;
    std::shared_ptr<Database> database;
    try {
        database = OpenCompany(m_options.readOnly ? OpenMode::ReadOnly : OpenMode::Existing, credentials, login);
    } catch (const tolm::HostError& error) {
        // Opening would create an empty file: a mistyped location must not pass for
        // a company without data.
        if (error.Number() != tolm::err::FileNotFound) throw;
        throw tolm::HostError(tolm::err::FileNotFound,
                              TranslateFormat(language, "公司数据库 %1 不存在；请运行 tolm init 创建。", {name}), Source);
    }
    const int version = SchemaVersion(*database);
    if (version == 0) {
        throw tolm::HostError(
            tolm::err::Database,
            TranslateFormat(language, "公司数据库 %1 中没有公司数据；请运行 tolm init 创建公司。", {name}), Source);
    }
    if (version < CurrentSchemaVersion()) {
        throw tolm::HostError(
            tolm::err::Database,
            TranslateFormat(language, "公司数据库 %1 的结构版本为%2，本程序需要版本%3；请运行 tolm init 升级。",
                            {name, version, CurrentSchemaVersion()}),
            Source);
    }
    std::optional<std::string> writeRefusal;
    if (version > CurrentSchemaVersion()) {
        // This program cannot know the newer one's rules for the data, so it only
        // reads: a write could break a rule it never heard of.
        const std::string refusal = NewerCompanyRefusal(DatabaseName(), version, m_options.language);
        if (!database->ReadOnly()) {
            database.reset();
            database = OpenDatabase(m_options.database, OpenMode::ReadOnly, login);
            writeRefusal = refusal;
        }
        database = std::make_shared<NewerCompany>(std::move(database), refusal);
    }
    if (database->ReadOnly() && !writeRefusal && version == CurrentSchemaVersion()) {
        // A reader's wrong password still counts towards the lock.
        credentials.openForRecording = [location = m_options.database, login] {
            return OpenDatabase(location, OpenMode::Existing, login);
        };
    }
    LogIn(std::move(database), UserName(), language, credentials);
    m_writeRefusal = std::move(writeRefusal);
    return m_session;
}

std::string Runtime::UserName() const {
    if (!m_options.user) return {};
    if (IsBlank(*m_options.user)) {
        throw tolm::HostError(tolm::err::AccessDenied, Translate(m_options.language, "用户名不能为空。"), Source);
    }
    return *m_options.user;
}

Credentials Runtime::PersonCredentials() const {
    Credentials credentials;
    if (m_options.password) {
        // Asked once: the server's login and the company's check take the same one.
        credentials.password = [ask = m_options.password,
                                given = std::make_shared<std::optional<std::optional<std::string>>>()] {
            if (!*given) *given = ask();
            return **given;
        };
    }
    return credentials;
}

const std::shared_ptr<Session>& Runtime::LogIn(std::shared_ptr<Database> company, const std::string& user,
                                               const std::string& language, const Credentials& credentials) {
    LogOut();
    std::shared_ptr<Session> session = Login(std::move(company), user, language, credentials);
    RegisterServices(session);
    RegisterWindowComponents(session, m_options.windows);
    SetPersonActHooks({[weak = std::weak_ptr<Session>(session)](tolm::Form& form, const std::function<void()>& click) {
                           const std::shared_ptr<Session> current = weak.lock();
                           if (!current) return click();
                           RunDialogClick(*current, form, click);
                       },
                       &DeferUntilStored, &NoteDeclined});
    m_session = std::move(session);
    return m_session;
}

void Runtime::LogOut() {
    m_writeRefusal.reset();
    if (!m_session) return;
    SetPersonActHooks({});
    UnregisterWindowComponents();
    UnregisterServices();
    m_session.reset();
}

std::shared_ptr<Database> Runtime::OpenForSetup() const {
    if (const std::optional<std::filesystem::path> file = EmbeddedDatabaseFile(m_options.database)) {
        std::error_code ec;
        if (file->has_parent_path()) std::filesystem::create_directories(file->parent_path(), ec);
    }
    return OpenDatabase(m_options.database, OpenMode::CreateIfMissing);
}

}  // namespace hub
