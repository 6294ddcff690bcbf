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
constexpr ServerGrant Grants[] = {
    {rights::BaseDataSubsystem, rights::New, "INSERT ON t_ExchangeRate, t_ExchangeRateEntry"},
    {rights::BaseDataSubsystem, rights::Import, "INSERT ON t_ExchangeRate, t_ExchangeRateEntry"},
    {rights::BaseDataSubsystem, rights::Modify,
     "UPDATE (FNumber, FName, FDigits, FRemark, FParentID, FIsNativeRate) ON t_ExchangeRate"},
    {rights::BaseDataSubsystem, rights::Modify,
     "UPDATE (FCyTo, FExchangeRateType, FExchangeRate, FReverseExRate, FBegDate, FEndDate, FNumber, FName) "
     "ON t_ExchangeRateEntry"},
    {rights::BaseDataSubsystem, rights::Audit, "UPDATE (FChkUserID, FCheckDate) ON t_ExchangeRateEntry"},
    {rights::BaseDataSubsystem, rights::ReverseAudit, "UPDATE (FChkUserID, FCheckDate) ON t_ExchangeRateEntry"},
    {rights::BaseDataSubsystem, rights::UseUnuse, "UPDATE (FDeleted) ON t_ExchangeRate"},
    {rights::BaseDataSubsystem, rights::Delete, "DELETE ON t_ExchangeRate, t_ExchangeRateEntry"},
    {rights::LogSubsystem, rights::LogDelete, "DELETE ON t_Log"},
};

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

}  // namespace

bool HasServerRoles(Database& db) { return std::string_view(db.SqlDialect().Name()) == "postgresql"; }

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
    for (const UserAccount& user : ListUserAccounts(db)) {
        // An administrator without a role of that name works through the role that
        // set the company up, which owns it.
        if (!user.administrator) EnsureServerRole(db, user.name, std::nullopt);
        GrantServerRights(db, user);
    }
}

void RevokeServerRights(Database& db, const std::string& name) {
    if (!RoleExists(db, name)) return;
    ExecuteForRole(db, std::string("REVOKE ALL ON ") + CompanyTables + " FROM %I", name);
}

void GrantServerRights(Database& db, const UserAccount& user) {
    if (!RoleExists(db, user.name)) return;
    RevokeServerRights(db, user.name);
    if (user.forbidden) return;
    if (user.administrator) {
        ExecuteForRole(db, std::string("GRANT ALL ON ") + CompanyTables + " TO %I", user.name);
        return;
    }
    const std::vector<std::string> always{
        "GRANT SELECT ON t_UserRight, t_SystemProfile, t_Currency, ICClassType, t_ExchangeRate, t_ExchangeRateEntry, "
        "t_Log, t_LogViewSession, t_SchemaVersion, v_BASE_LogForQEL TO %I",
        "GRANT SELECT (FUserID, FName, FDescription, FIsAdmin, FForbidden, FOsAccount, FFailedLogins, FLockedUntil) "
        "ON t_User TO %I",
        "GRANT INSERT ON t_Log TO %I",
        "GRANT INSERT, UPDATE ON t_LogViewSession TO %I",
    };
    for (const std::string& statement : always) ExecuteForRole(db, statement, user.name);
    for (const ServerGrant& grant : Grants) {
        if ((StoredRights(db, user.id, grant.subsystem, 0) & static_cast<uint32_t>(grant.bit)) != 0) {
            ExecuteForRole(db, std::string("GRANT ") + grant.privileges + " TO %I", user.name);
        }
    }
}

}  // namespace hub
