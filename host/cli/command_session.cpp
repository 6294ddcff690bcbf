// The session a command works in: the company database and the user logged in.
#include <filesystem>
#include <string>

#include "cli/command_set.h"
#include "db/database.h"
#include "db/migrations.h"
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
        throw tolm::HostError(tolm::err::FileNotFound,
                              "The company database " + path.string() + " does not exist; run tolm init to create it",
                              "tolm");
    }
    std::shared_ptr<Database> database = OpenSqlite(path);
    const int version = SchemaVersion(*database);
    if (version < CurrentSchemaVersion()) {
        throw tolm::HostError(tolm::err::Database,
                              "The company database " + path.string() +
                                  (version == 0 ? " holds no company"
                                                : " has schema version " + std::to_string(version) +
                                                      " and this program needs " +
                                                      std::to_string(CurrentSchemaVersion())) +
                                  "; run tolm init to bring it up to date",
                              "tolm");
    }
    const std::string user = m_options.user.empty() ? DefaultUser : m_options.user;
    std::shared_ptr<Session> session = Login(database, user, m_options.language);
    RegisterServices(session);
    m_session = std::move(session);
    return m_session;
}

}  // namespace hub::cli
