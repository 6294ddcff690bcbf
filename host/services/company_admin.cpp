#include "services/company_admin.h"

#include <memory>

#include "base/clock.h"
#include "db/migrations.h"
#include "i18n/catalogue.h"
#include "model/log_store.h"
#include "model/server_roles.h"
#include "model/user_store.h"
#include "services/person_text.h"
#include "services/session.h"
#include "tolm/host_error.h"
#include "tolm/platform.h"

namespace hub {

namespace {

// The operation-log key of a company copied in.
constexpr const char* CopyLogKey = "TolmHost_dbCopy";

// The first schema version that knows how a user proves who they are.
constexpr int IdentityVersion = 4;

// Why the person may not administer the company in `db` (`notAdministrator`, given
// the user's name, for a user who is not an enabled administrator); nothing for
// an administrator the credentials prove the person to be. A company older than
// passwords and linked accounts knows its users by name alone (the administrator
// when none is given), as the program that made it did.
std::optional<std::string> Unauthorised(Database& db, const std::string& userName, const Credentials& credentials,
                                        const std::string& language,
                                        const std::function<std::string(const std::string&)>& notAdministrator,
                                        std::string* actingName = nullptr) {
    if (SchemaVersion(db) < IdentityVersion) {
        const std::string name = userName.empty() ? std::string("administrator") : userName;
        const std::optional<UserRecord> user = FindUserByName(db, name);
        if (!user) return TranslateFormat(language, "用户 %1 不存在。", {name});
        if (user->forbidden) return TranslateFormat(language, "用户 %1 已被禁用，不能登录。", {user->name});
        if (!UserIsAdministrator(db, user->id)) return notAdministrator(user->name);
        return std::nullopt;
    }
    try {
        const UserAccount user = Authenticate(db, userName, language, credentials);
        if (!user.administrator) return notAdministrator(user.name);
        if (actingName != nullptr) *actingName = user.name;
        return std::nullopt;
    } catch (const tolm::HostError& error) {
        if (error.Number() != tolm::err::AccessDenied) throw;
        return error.Description();
    }
}

}  // namespace

std::string NewerCompanyRefusal(const std::string& displayName, int version, const std::string& language) {
    return TranslateFormat(language,
                           "公司数据库 %1 的结构版本为%2，比本程序支持的版本%3新；本程序只能查看，不能修改。请使用新版本的程序。",
                           {displayName, version, CurrentSchemaVersion()});
}

CompanyCopyResult CopyCompanyAsAdministrator(const CompanyCopyRequest& request) {
    const std::string& language = request.language;
    const std::string sourceName = DatabaseDisplayName(request.source);
    const std::string destinationName = DatabaseDisplayName(request.destination);
    auto refused = [](std::string reason) {
        return CompanyCopyResult{Outcome{Outcome::Kind::Refused, std::move(reason), false}, {}};
    };
    try {
        if (sourceName == destinationName) return refused(Translate(language, "源数据库和目标数据库是同一个。"));
        std::shared_ptr<Database> source = OpenDatabase(request.source, OpenMode::Existing);
        const int version = SchemaVersion(*source);
        if (version == 0) return refused(TranslateFormat(language, "%1 中没有公司。", {sourceName}));
        if (version != CurrentSchemaVersion()) {
            return refused(TranslateFormat(language, "%1 中公司的结构版本为%2，本程序需要版本%3；请先用相应版本的程序升级。",
                                           {sourceName, version, CurrentSchemaVersion()}));
        }
        std::string acting = request.userName;
        if (auto refusal = Unauthorised(
                *source, request.userName, request.credentials, language,
                [&](const std::string& name) {
                    return TranslateFormat(language, "用户 %1 不是 %2 中公司的系统管理员，不能复制该公司。", {name, sourceName});
                },
                &acting)) {
            return refused(std::move(*refusal));
        }
        std::shared_ptr<Database> destination = OpenDatabase(request.destination, OpenMode::CreateIfMissing);
        if (const int held = SchemaVersion(*destination); held > CurrentSchemaVersion()) {
            return refused(NewerCompanyRefusal(destinationName, held, language));
        }
        if (HoldsCompany(*destination)) {
            if (!request.replace) {
                return refused(TranslateFormat(language, "%1 中已有公司；要覆盖它，请加 --replace。", {destinationName}));
            }
            if (auto refusal = Unauthorised(*destination, request.userName, request.credentials, language,
                                            [&](const std::string& name) {
                                                return TranslateFormat(language, "用户 %1 不是 %2 中公司的系统管理员，不能覆盖该公司。",
                                                                       {name, destinationName});
                                            })) {
                return refused(std::move(*refusal));
            }
            const int32_t answer = tolm::Platform()->MessageBox(
                TranslateFormat(language, "%1 中已有公司，复制将替换它的全部数据（汇率类型、汇率、用户和上机日志）。是否继续？",
                                {destinationName}),
                tolm::mb::YesNo | tolm::mb::Question | tolm::mb::DefaultButton2, Translate(language, "提示"));
            if (answer != tolm::mb::IdYes) return CompanyCopyResult{Outcome{Outcome::Kind::Unchanged, "", true}, {}};
        }
        std::vector<CopiedTable> tables =
            CopyCompany(*source, *destination, request.replace, [&](Database& copied) {
                SetUpServerRoles(copied);
                const std::optional<UserRecord> user = FindUserByName(copied, acting);
                WriteLogRecord(copied, LogRecord{LocalNow(), user ? user->id : 0, CopyLogKey, 5,
                                                 TranslateFormat(language, "复制公司完成-从：[%1] 到：[%2]",
                                                                 {sourceName, destinationName}),
                                                 LocalMachineName(), LocalIpAddress()});
            });
        return CompanyCopyResult{Outcome{}, std::move(tables)};
    } catch (...) {
        return CompanyCopyResult{Outcome{Outcome::Kind::Failed, PersonText(tolm::CurrentError(), language), false}, {}};
    }
}

CompanySetupResult SetUpCompanyAsAdministrator(Database& db, const std::string& userName,
                                               const Credentials& credentials, bool demo,
                                               const std::string& displayName, const std::string& language) {
    CompanySetupResult result;
    auto refused = [&](std::string reason) {
        result.outcome = Outcome{Outcome::Kind::Refused, std::move(reason), false};
        return result;
    };
    try {
        result.versionBefore = SchemaVersion(db);
        if (result.versionBefore > CurrentSchemaVersion()) {
            return refused(NewerCompanyRefusal(displayName, result.versionBefore, language));
        }
        result.before = CountCompany(db);
        // A company in use is upgraded or completed by an administrator only.
        if (result.versionBefore > 0) {
            if (auto refusal = Unauthorised(db, userName, credentials, language, [&](const std::string& name) {
                    return TranslateFormat(language, "用户 %1 不是系统管理员，不能初始化或升级公司数据库。", {name});
                })) {
                return refused(std::move(*refusal));
            }
        }
        if (demo && !result.before.HoldsOnlyBaseData()) {
            return refused(TranslateFormat(language, "公司数据库 %1 中已有数据；演示数据只能添加到新建的或空的公司中。",
                                           {displayName}));
        }
        Transaction transaction(db);
        InitCompany(db, demo, credentials.osAccount);
        SetUpServerRoles(db);
        transaction.Commit();
        result.after = CountCompany(db);
    } catch (...) {
        result.outcome = Outcome{Outcome::Kind::Failed, PersonText(tolm::CurrentError(), language), false};
    }
    return result;
}

}  // namespace hub
