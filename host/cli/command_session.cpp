// The session a command works in: the company database and the user logged in.
#include <filesystem>
#include <string>

#include "cli/command_set.h"
#include "db/database.h"
#include "db/migrations.h"
#include "services/catalogue.h"
#include "services/services.h"
#include "tolm/host_error.h"

namespace hub::cli {
namespace {

constexpr const char* DefaultUser = "administrator";

}  // namespace

CommandContext::~CommandContext() {
    if (m_session) UnregisterServices();
}

std::filesystem::path CommandContext::DatabasePath() const {
    return std::filesystem::absolute(m_options.database).lexically_normal();
}

const std::shared_ptr<Session>& CommandContext::OpenSession() {
    if (m_session) return m_session;
    const std::filesystem::path path = DatabasePath();
    std::error_code ec;
    // Opening would create an empty file: a mistyped --db must not pass for a
    // company without data.
    if (!std::filesystem::exists(path, ec)) {
        throw tolm::HostError(
            tolm::err::FileNotFound,
            TranslateFormat(Language(), "公司数据库 %1 不存在；请运行 tolm init 创建。", {path.string()}), "tolm");
    }
    std::shared_ptr<Database> database = OpenSqlite(path);
    const int version = SchemaVersion(*database);
    if (version == 0) {
        throw tolm::HostError(
            tolm::err::Database,
            TranslateFormat(Language(), "公司数据库 %1 中没有公司数据；请运行 tolm init 创建公司。", {path.string()}),
            "tolm");
    }
    if (version < CurrentSchemaVersion()) {
        throw tolm::HostError(
            tolm::err::Database,
            TranslateFormat(Language(), "公司数据库 %1 的结构版本为%2，本程序需要版本%3；请运行 tolm init 升级。",
                            {path.string(), version, CurrentSchemaVersion()}),
            "tolm");
    }
    const std::string user = m_options.user.empty() ? DefaultUser : m_options.user;
    std::shared_ptr<Session> session = Login(database, user, m_options.language);
    RegisterServices(session);
    m_session = std::move(session);
    return m_session;
}

}  // namespace hub::cli
