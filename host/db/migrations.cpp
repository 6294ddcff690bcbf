#include "migrations.h"

#include <chrono>

#include "base/clock.h"
#include "embedded_migrations.h"
#include "procedure_registry.h"

namespace hub {

namespace {

constexpr const char* ErrorSource = "TolmHost.Database";

// The bookkeeping table exists before the first migration, so that migration 1 is
// recorded like every other.
std::string SchemaVersionTable(const Dialect& dialect) {
    return "CREATE TABLE IF NOT EXISTS t_SchemaVersion (\n"
           "    FVersion INTEGER PRIMARY KEY,\n"
           "    FApplied " + std::string(dialect.MomentType()) + " NOT NULL\n"
           ")";
}

// The operation-log list reads this view. It lives here rather than in a migration
// because p_BASE_CreateLogView must be able to recreate it; a migration that changes
// t_Log drops the view and the next Migrate or procedure call recreates it.
constexpr const char* LogView =
    "CREATE VIEW v_BASE_LogForQEL AS\n"
    "SELECT l.FID, l.FDate, l.FUserID, COALESCE(u.FName, '') AS FUserName, l.FFunctionID, l.FOperateType,\n"
    "       l.FDescription, l.FMachineName, l.FIPAddress\n"
    "FROM t_Log l LEFT JOIN t_User u ON u.FUserID = l.FUserID";

int ReadVersion(Database& db) {
    auto rows = db.Query("SELECT COALESCE(MAX(FVersion), 0) AS FVersion FROM t_SchemaVersion");
    return rows->IsEOF() ? 0 : rows->Field("FVersion").ToLong();
}

bool HasVersionTable(Database& db) { return db.TableExists("t_SchemaVersion"); }

std::span<const EmbeddedMigration> MigrationsOf(Database& db) {
    auto migrations = EmbeddedMigrations(db.SqlDialect().Name());
    if (migrations.empty()) {
        throw tolm::HostError(tolm::err::Database,
                              "This program has no schema for the " + std::string(db.SqlDialect().Name()) +
                                  " backend",
                              ErrorSource);
    }
    return migrations;
}

// Every session reads the one view, so preparing it for a session only makes sure
// it is there: listing the log writes nothing (a reader may not write at all).
void CreateLogViewProcedure(Database& db, const std::vector<std::string>& args) {
    if (args.size() != 1 || args[0].empty())
        throw tolm::HostError(tolm::err::Database, "p_BASE_CreateLogView expects one argument: the session text",
                              ErrorSource);
    EnsureLogView(db);
}

}  // namespace

// Every backend has the same numbers (the build checks), so the embedded backend's
// list answers for all.
int CurrentSchemaVersion() {
    auto migrations = EmbeddedMigrations(SqliteDialect().Name());
    return migrations.empty() ? 0 : migrations.back().version;
}

int SchemaVersion(Database& db) { return HasVersionTable(db) ? ReadVersion(db) : 0; }

void Migrate(Database& db) {
    // The transaction takes the write lock first: two programs starting on the same
    // new file must not both apply migration 1.
    Transaction transaction(db);
    int version = SchemaVersion(db);
    int current = CurrentSchemaVersion();
    if (version > current) {
        throw tolm::HostError(tolm::err::Database,
                              "The database version " + std::to_string(version) + " is newer than this program (" +
                                  std::to_string(current) + "); use a newer program to open it",
                              ErrorSource);
    }
    if (version < current) {
        db.ExecuteScript(SchemaVersionTable(db.SqlDialect()));
        for (const EmbeddedMigration& migration : MigrationsOf(db)) {
            if (migration.version <= version) continue;
            try {
                db.ExecuteScript(migration.sql);
            } catch (const tolm::HostError& error) {
                throw tolm::HostError(error.Number(),
                                      "Migration " + std::string(migration.name) + " failed: " + error.Description(),
                                      ErrorSource);
            }
            db.Execute("INSERT INTO t_SchemaVersion (FVersion, FApplied) VALUES (?1, ?2)",
                       {tolm::Variant(static_cast<int32_t>(migration.version)), tolm::Variant(LocalNow())});
        }
    }
    EnsureLogView(db);
    transaction.Commit();
}

// Asked first, since not every backend can create a view only when it is missing;
// callers hold the company's write lock, so no one creates it in between.
void EnsureLogView(Database& db) {
    if (!db.TableExists("v_BASE_LogForQEL")) db.Execute(LogView);
}

void RegisterSchemaProcedures(ProcedureRegistry& registry) {
    registry.Register("p_BASE_CreateLogView", CreateLogViewProcedure);
}

}  // namespace hub
