#include "model/server_roles.h"

#include <string_view>
#include <vector>

namespace hub {

namespace {

constexpr const char* CompanyTables =
    "t_User, t_UserRight, t_SystemProfile, t_Currency, ICClassType, t_ExchangeRate, t_ExchangeRateEntry, t_Log, "
    "t_LogViewSession, t_SchemaVersion, v_BASE_LogForQEL";

// What each right lets the role do beyond reading; the columns a change writes.
struct ServerGrant {
    int32_t subsystem;
    int32_t bit;
    const char* privileges;  // "<privilege> ON <table>"
};
// A new rate is inserted, then the editor completes its code, name, reverse rate and
// places.
constexpr const char* NewRate =
    "INSERT, UPDATE (FNumber, FName, FReverseExRate, FExchangeRateType) ON t_ExchangeRateEntry";
constexpr const char* NewRateHeader = "INSERT, UPDATE (FLevels, FDigits) ON t_ExchangeRate";
constexpr ServerGrant Grants[] = {
    {rights::BaseDataSubsystem, rights::New, NewRate},
    {rights::BaseDataSubsystem, rights::New, NewRateHeader},
    {rights::BaseDataSubsystem, rights::Import, NewRate},
    {rights::BaseDataSubsystem, rights::Import, NewRateHeader},
    {rights::BaseDataSubsystem, rights::Modify,
     "UPDATE (FNumber, FName, FDigits, FLevels, FRemark, FParentID, FIsNativeRate) ON t_ExchangeRate"},
    {rights::BaseDataSubsystem, rights::Modify,
     "UPDATE (FCyTo, FExchangeRateType, FExchangeRate, FReverseExRate, FBegDate, FEndDate, FNumber, FName) "
     "ON t_ExchangeRateEntry"},
    {rights::BaseDataSubsystem, rights::Audit, "UPDATE (FChkUserID, FCheckDate) ON t_ExchangeRateEntry"},
    {rights::BaseDataSubsystem, rights::ReverseAudit, "UPDATE (FChkUserID, FCheckDate) ON t_ExchangeRateEntry"},
    {rights::BaseDataSubsystem, rights::UseUnuse, "UPDATE (FDeleted) ON t_ExchangeRate"},
    {rights::BaseDataSubsystem, rights::Delete, "DELETE ON t_ExchangeRate, t_ExchangeRateEntry"},
    {rights::LogSubsystem, rights::LogDelete, "DELETE ON t_Log"},
};
// Each change of the rates also marks the class's data as changed (a version kept on
// the class's row, which its own trigger counts).
constexpr int32_t RateWrites = rights::New | rights::Import | rights::Modify | rights::Audit | rights::ReverseAudit |
                               rights::UseUnuse | rights::Delete;
constexpr const char* ClassTouch = "UPDATE (FID) ON ICClassType";

// The statement with the role's name quoted by the server itself.
void ExecuteForRole(Database& db, const std::string& statementWithRole, const std::string& role) {
    const std::string sql =
        db.Query("SELECT format(CAST(?1 AS TEXT), CAST(?2 AS TEXT)) AS FSql", {tolm::Variant(statementWithRole), tolm::Variant(role)})
            ->Field("FSql")
            .ToText();
    db.Execute(sql);
}

bool RoleExists(Database& db, const std::string& name) {
    return !db.Query("SELECT 1 FROM pg_roles WHERE rolname = ?1", {tolm::Variant(name)})->IsEOF();
}

// Whether the role owns the company's tables: its privileges are the owner's, never
// taken or given by a user's rights.
bool OwnsCompany(Database& db, const std::string& role) {
    return !db.Query("SELECT 1 FROM pg_class c JOIN pg_roles r ON r.oid = c.relowner"
                     " WHERE c.oid = CAST('t_user' AS regclass) AND r.rolname = ?1",
                     {tolm::Variant(role)})
                ->IsEOF();
}

}  // namespace

bool HasServerRoles(Database& db) { return std::string_view(db.SqlDialect().Name()) == "postgresql"; }

std::string SessionRole(Database& db) {
    return db.Query("SELECT CAST(session_user AS TEXT) AS FRole")->Field("FRole").ToText();
}

std::string ServerRoleOf(Database& db, int32_t userId) {
    return db.Query("SELECT COALESCE(FServerRole, FName) AS FRole FROM t_User WHERE FUserID = ?1",
                    {tolm::Variant(userId)})
        ->Field("FRole")
        .ToText();
}

std::optional<int32_t> UserOfServerRole(Database& db, const std::string& role) {
    auto rows = db.Query("SELECT tolm_user_of_role(CAST(?1 AS TEXT)) AS FUserID", {tolm::Variant(role)});
    if (rows->Field("FUserID").IsNull()) return std::nullopt;
    return rows->Field("FUserID").ToLong();
}

void EnsureServerRole(Database& db, const std::string& name, const std::optional<std::string>& password) {
    const bool exists = RoleExists(db, name);
    if (exists && !password) return;
    std::string statement = exists ? "ALTER ROLE %I" : "CREATE ROLE %I LOGIN";
    if (password) {
        // The verifier is text of the server's own making: quoted as a literal.
        const std::string literal = db.Query("SELECT quote_literal(CAST(?1 AS TEXT)) AS FText",
                                             {tolm::Variant(db.RolePasswordVerifier(name, *password))})
                                        ->Field("FText")
                                        .ToText();
        std::string escaped;
        for (char c : literal) escaped += c == '%' ? std::string("%%") : std::string(1, c);
        statement += " PASSWORD " + escaped;
    }
    ExecuteForRole(db, statement, name);
}

void SetUpServerRoles(Database& db) {
    if (!HasServerRoles(db)) return;
    const std::string setter = SessionRole(db);
    if (!UserOfServerRole(db, setter)) {
        db.Execute("UPDATE t_User SET FServerRole = ?1 WHERE FUserID = (SELECT MIN(FUserID) FROM t_User"
                   " WHERE FIsAdmin = 1 AND FServerRole IS NULL)",
                   {tolm::Variant(setter)});
    }
    for (const UserAccount& user : ListUserAccounts(db)) {
        EnsureServerRole(db, ServerRoleOf(db, user.id), std::nullopt);
        GrantServerRights(db, user);
    }
}

void RevokeServerRights(Database& db, const std::string& role) {
    if (!RoleExists(db, role) || OwnsCompany(db, role)) return;
    ExecuteForRole(db, std::string("REVOKE ALL ON ") + CompanyTables + " FROM %I", role);
}

void GrantServerRights(Database& db, const UserAccount& user) {
    const std::string role = ServerRoleOf(db, user.id);
    if (!RoleExists(db, role) || OwnsCompany(db, role)) return;
    RevokeServerRights(db, role);
    if (user.forbidden) return;
    if (user.administrator) {
        ExecuteForRole(db, std::string("GRANT ALL ON ") + CompanyTables + " TO %I", role);
        return;
    }
    // Every role counts its own wrong passwords: the server's own login check, which
    // comes first, is what keeps a role out.
    const std::vector<std::string> always{
        "GRANT SELECT ON t_UserRight, t_SystemProfile, t_Currency, ICClassType, t_ExchangeRate, t_ExchangeRateEntry, "
        "t_Log, t_LogViewSession, t_SchemaVersion, v_BASE_LogForQEL TO %I",
        "GRANT SELECT (FUserID, FName, FDescription, FIsAdmin, FForbidden, FOsAccount, FFailedLogins, FLockedUntil, "
        "FServerRole) ON t_User TO %I",
        "GRANT UPDATE (FFailedLogins, FLockedUntil) ON t_User TO %I",
        "GRANT INSERT ON t_Log TO %I",
        "GRANT INSERT, UPDATE ON t_LogViewSession TO %I",
    };
    for (const std::string& statement : always) ExecuteForRole(db, statement, role);
    const uint32_t baseData = StoredRights(db, user.id, rights::BaseDataSubsystem, 0);
    const uint32_t log = StoredRights(db, user.id, rights::LogSubsystem, 0);
    for (const ServerGrant& grant : Grants) {
        const uint32_t held = grant.subsystem == rights::LogSubsystem ? log : baseData;
        if ((held & static_cast<uint32_t>(grant.bit)) != 0) {
            ExecuteForRole(db, std::string("GRANT ") + grant.privileges + " TO %I", role);
        }
    }
    if ((baseData & static_cast<uint32_t>(RateWrites)) != 0) {
        ExecuteForRole(db, std::string("GRANT ") + ClassTouch + " TO %I", role);
    }
}

}  // namespace hub
