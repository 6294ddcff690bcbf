// The embedded backend: one SQLite file per company.
#include <sqlite3.h>

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <array>
#include <cstring>
#include <fstream>
#include <list>
#include <optional>
#include <system_error>
#include <unordered_map>

#include "database.h"
#include "sqlite_database.h"
#include "sql_lexer.h"
#include "base/text_util.h"

namespace hub {

namespace {

constexpr int BusyTimeoutMs = 5000;
constexpr const char* ErrorSource = "TolmHost.Database";

[[noreturn]] void Fail(const std::string& message) { throw DatabaseError(DatabaseFault::Other, message); }

// The kind of refusal an error code of a failed statement stands for; the operating
// system's error number tells a full disk from other failures of reading or writing.
DatabaseFault FaultOf(int extendedCode, std::string_view message, int systemError) {
    switch (extendedCode) {
        case SQLITE_CONSTRAINT_TRIGGER:
            return message.starts_with("overlapping validity") ? DatabaseFault::Overlap : DatabaseFault::Rule;
        case SQLITE_CONSTRAINT_UNIQUE:
        case SQLITE_CONSTRAINT_PRIMARYKEY:
            return DatabaseFault::Duplicate;
        case SQLITE_CONSTRAINT_FOREIGNKEY:
            return DatabaseFault::Reference;
        default:
            break;
    }
    switch (extendedCode & 0xff) {
        case SQLITE_CONSTRAINT:
            return DatabaseFault::Rule;
        case SQLITE_BUSY:
            return DatabaseFault::Busy;
        case SQLITE_READONLY:
            return DatabaseFault::ReadOnly;
        case SQLITE_FULL:
            return DatabaseFault::Full;
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
            return DatabaseFault::Damaged;
        case SQLITE_IOERR:
            // Only a write of the database file itself that runs out of room comes as
            // SQLITE_FULL; growing the journal, the write-ahead log or its shared index
            // on a full disk comes as an I/O error that carries ENOSPC.
            return systemError == ENOSPC || systemError == EDQUOT ? DatabaseFault::Full : DatabaseFault::Damaged;
        default:
            break;
    }
    // Some paths report a damaged schema or page in words only.
    const bool damaged = message.find("malformed database schema") != std::string_view::npos ||
                         message.find("database disk image is malformed") != std::string_view::npos;
    return damaged ? DatabaseFault::Damaged : DatabaseFault::Other;
}

// The kind of refusal the connection's last error stands for.
DatabaseFault LastFault(sqlite3* db) {
    return FaultOf(sqlite3_extended_errcode(db), sqlite3_errmsg(db), sqlite3_system_errno(db));
}

// Statement text for error messages: long enough to recognise, short enough to show.
std::string Excerpt(std::string_view sql) {
    constexpr size_t limit = 300;
    size_t begin = sql.find_first_not_of(" \t\r\n");
    if (begin == std::string_view::npos) return {};
    sql.remove_prefix(begin);
    if (sql.size() <= limit) return std::string(sql);
    return std::string(sql.substr(0, limit)) + "...";
}

bool IsDateType(const char* declared) {
    if (declared == nullptr) return false;
    std::string type = AsciiLower(declared);
    return type == "date" || type == "datetime";
}

// A query whose text carries its values, as the plug-in writes them: the string
// literals compared in its condition become bound parameters, so that the same query
// with other dates or codes finds its compiled statement kept instead of being
// compiled again (which costs more than running it). Only what follows WHERE is
// lifted, so the names of the result's columns stay as written; a text that already
// has parameters of its own stays as it is.
struct LiftedQuery {
    std::string sql;
    Params params;
};

bool IsParameterMarker(const SqlToken& token) {
    return (token.kind == SqlTokenKind::Symbol && std::string_view("?:$").find(token.text[0]) != std::string_view::npos) ||
           (token.kind == SqlTokenKind::Word && token.text.front() == '@');
}

std::optional<LiftedQuery> LiftLiterals(const std::string& sql) {
    if (sql.find('\'') == std::string::npos) return std::nullopt;
    const std::vector<SqlToken> tokens = LexSql(sql);
    auto first = std::find_if(tokens.begin(), tokens.end(), IsSignificant);
    if (first == tokens.end() || !IsWord(*first, "select")) return std::nullopt;
    LiftedQuery lifted;
    size_t copied = 0;
    bool inCondition = false;
    const SqlToken* previous = nullptr;
    for (const SqlToken& token : tokens) {
        if (IsParameterMarker(token)) return std::nullopt;
        if (!IsSignificant(token)) continue;
        if (IsWord(token, "where")) inCondition = true;
        const bool compared = previous != nullptr && previous->kind == SqlTokenKind::Symbol &&
                              std::string_view("=<>").find(previous->text[0]) != std::string_view::npos;
        if (inCondition && compared && token.kind == SqlTokenKind::String && !token.unterminated) {
            lifted.sql.append(sql, copied, token.offset - copied);
            lifted.params.emplace_back(UnquoteString(token.text));
            lifted.sql += "?" + std::to_string(lifted.params.size());
            copied = token.offset + token.text.size();
        }
        previous = &token;
    }
    if (lifted.params.empty()) return std::nullopt;
    lifted.sql.append(sql, copied);
    return lifted;
}

// A prepared statement kept by the connection for the next run of the same text.
struct CachedStatement {
    sqlite3_stmt* stmt = nullptr;
    bool inUse = false;
    // Its place in the order of last use.
    std::list<const std::string*>::iterator lastUse;
};

// One run of a statement: a kept one is reset for its next run (which also ends the
// read it may still hold), any other is finalized.
class Statement {
public:
    Statement() = default;
    ~Statement() {
        if (m_kept == nullptr) {
            sqlite3_finalize(m_stmt);
            return;
        }
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
        m_kept->inUse = false;
    }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    sqlite3_stmt** Out() { return &m_stmt; }
    sqlite3_stmt* Get() const { return m_stmt; }
    void Keep(CachedStatement& kept) {
        m_kept = &kept;
        kept.stmt = m_stmt;
        kept.inUse = true;
    }

private:
    sqlite3_stmt* m_stmt = nullptr;
    CachedStatement* m_kept = nullptr;
};

// The current row of a statement, read column by column as asked.
class StatementRow final : public ResultRow {
public:
    explicit StatementRow(sqlite3_stmt* stmt) : m_stmt(stmt) {}
    int64_t Integer(int column) const override { return sqlite3_column_int64(m_stmt, column); }
    double Number(int column) const override { return sqlite3_column_double(m_stmt, column); }
    tolm::DateTime Date(int column) const override {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
        std::optional<tolm::DateTime> date;
        if (text != nullptr) {
            const auto length = static_cast<size_t>(sqlite3_column_bytes(m_stmt, column));
            date = tolm::ParseDate(std::string_view(text, length), tolm::DateForm::Stored);
        }
        if (!date) throw tolm::HostError(tolm::err::TypeMismatch, "The value is not a date", ErrorSource);
        return *date;
    }

private:
    sqlite3_stmt* m_stmt;
};

class SqliteDatabase final : public Database {
public:
    SqliteDatabase(sqlite3* db, bool readOnly) : m_db(db), m_readOnly(readOnly) {}
    ~SqliteDatabase() override {
        for (auto& [sql, kept] : m_statements) sqlite3_finalize(kept.stmt);
        // A transaction still open here belongs to a caller that vanished; closing the
        // connection drops it, which is the only safe outcome.
        sqlite3_close_v2(m_db);
    }
    SqliteDatabase(const SqliteDatabase&) = delete;
    SqliteDatabase& operator=(const SqliteDatabase&) = delete;

    const Dialect& SqlDialect() const override { return SqliteDialect(); }

    bool ReadOnly() const override { return m_readOnly; }

    std::vector<std::string> StorageProblems() override {
        std::vector<std::string> problems;
        try {
            for (auto rows = Query("PRAGMA integrity_check", {}); !rows->IsEOF(); rows->MoveNext()) {
                std::string problem = rows->Field("integrity_check").ToText();
                if (problem != "ok") problems.push_back(std::move(problem));
            }
        } catch (const DatabaseError& error) {
            // The check stops at a page it cannot even walk: that is its finding.
            if (error.Fault() != DatabaseFault::Damaged) throw;
            problems.push_back(error.Description());
        }
        return problems;
    }

    DatabaseLocation Location() override {
        DatabaseLocation where;
        auto rows = Query("PRAGMA database_list", {});
        for (; !rows->IsEOF(); rows->MoveNext()) {
            if (rows->Field("name").ToText() != "main") continue;
            const std::string file = rows->Field("file").ToText();
            where.file = file;
            where.name = file.empty() ? ":memory:" : where.file.filename().string();
            break;
        }
        return where;
    }

    bool TableExists(std::string_view name) override {
        const std::string table(name);
        // A table is found in the schema the connection has read already, with no
        // statement to prepare; a view is not, and is looked for in the schema table.
        if (sqlite3_table_column_metadata(m_db, "main", table.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr,
                                          nullptr) == SQLITE_OK) {
            return true;
        }
        return !Query("SELECT 1 FROM sqlite_master WHERE type IN ('table', 'view') AND name = ?1 COLLATE NOCASE",
                      {tolm::Variant(table)})
                    ->IsEOF();
    }

    int64_t Execute(const std::string& sql, const Params& params) override {
        StartPending();
        RequireLiveTransaction();
        Statement stmt;
        Prepare(sql, params, stmt);
        int rc;
        while ((rc = sqlite3_step(stmt.Get())) == SQLITE_ROW) {
        }
        if (rc != SQLITE_DONE) FailWith(sql);
        return sqlite3_changes64(m_db);
    }

    std::shared_ptr<tolm::MemoryRecordset> Query(const std::string& sql, const Params& params) override {
        RequireLiveTransaction();
        Statement stmt;
        const std::optional<LiftedQuery> lifted = params.empty() ? LiftLiterals(sql) : std::nullopt;
        Prepare(lifted ? lifted->sql : sql, lifted ? lifted->params : params, stmt);
        int columnCount = sqlite3_column_count(stmt.Get());
        std::vector<std::string> columns;
        std::vector<bool> dateColumns;
        for (int i = 0; i < columnCount; ++i) {
            const char* name = sqlite3_column_name(stmt.Get(), i);
            columns.emplace_back(name != nullptr ? name : "");
            dateColumns.push_back(IsDateType(sqlite3_column_decltype(stmt.Get(), i)));
        }
        std::vector<std::vector<tolm::Variant>> rows;
        int rc;
        while ((rc = sqlite3_step(stmt.Get())) == SQLITE_ROW) {
            std::vector<tolm::Variant> row;
            row.reserve(static_cast<size_t>(columnCount));
            for (int i = 0; i < columnCount; ++i) row.push_back(ColumnValue(stmt.Get(), i, dateColumns[static_cast<size_t>(i)]));
            rows.push_back(std::move(row));
        }
        if (rc != SQLITE_DONE) FailWith(sql);
        return std::make_shared<tolm::MemoryRecordset>(std::move(columns), std::move(rows));
    }

    // The rows straight from the statement: an export of the whole rate system makes
    // no copy of it, nor a value object per cell.
    void QueryEach(const std::string& sql, const Params& params, const RowVisitor& onRow) override {
        RequireLiveTransaction();
        Statement stmt;
        Prepare(sql, params, stmt);
        const StatementRow row(stmt.Get());
        int rc;
        while ((rc = sqlite3_step(stmt.Get())) == SQLITE_ROW) onRow(row);
        if (rc != SQLITE_DONE) FailWith(sql);
    }

    void ExecuteScript(const std::string& sql) override {
        StartPending();
        RequireLiveTransaction();
        char* message = nullptr;
        if (sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
            std::string text = message != nullptr ? message : sqlite3_errmsg(m_db);
            sqlite3_free(message);
            const DatabaseFault fault = LastFault(m_db);
            throw DatabaseError(fault, text + LossNote());
        }
    }

    int64_t LastInsertId() override { return sqlite3_last_insert_rowid(m_db); }

    // Integer primary keys continue above the highest stored row by themselves.
    void AdvanceIdGenerators() override {}

    // The outermost level is a real transaction, taken for writing at once so that two
    // processes never both read and then wait on each other to write; inner levels are
    // savepoints, so an inner rollback undoes only its own work.
    void BeginOnFirstWrite() override {
        if (m_depth > 0) return Begin();
        m_depth = 1;
        m_pending = true;
    }

    void Begin() override {
        StartPending();
        if (m_depth == 0) {
            Run("BEGIN IMMEDIATE");
        } else {
            RequireLiveTransaction();
            Run("SAVEPOINT " + SavepointName(m_depth));
        }
        ++m_depth;
    }

    void Commit() override {
        if (EndPending()) return;
        if (m_depth == 0) Fail("There is no transaction to commit");
        if (Lost()) {
            LeaveLostLevel();
            Fail("The transaction was rolled back by the database after an earlier error; nothing was stored");
        }
        if (m_depth > 1) {
            --m_depth;
            Run("RELEASE " + SavepointName(m_depth));
            return;
        }
        m_depth = 0;
        if (!Step("COMMIT")) {
            // A refused commit (a deferred foreign key, a full disk) leaves the
            // transaction open; end it so the connection is usable and the caller's
            // all-or-nothing promise holds.
            std::string message = sqlite3_errmsg(m_db);
            const DatabaseFault fault = LastFault(m_db);
            if (!sqlite3_get_autocommit(m_db)) sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
            throw DatabaseError(fault, message);
        }
    }

    void Rollback() override {
        if (EndPending()) return;
        if (m_depth == 0) Fail("There is no transaction to roll back");
        if (Lost()) {
            LeaveLostLevel();
            return;
        }
        if (m_depth > 1) {
            --m_depth;
            std::string name = SavepointName(m_depth);
            Run("ROLLBACK TO " + name);
            Run("RELEASE " + name);
            return;
        }
        m_depth = 0;
        Run("ROLLBACK");
    }

    bool InTransaction() const override { return m_depth > 0; }
    bool WriteStarted() const override { return m_depth > 0 && !m_pending; }
    int Depth() const override { return m_depth; }

private:
    static std::string SavepointName(int level) { return "tolm_level_" + std::to_string(level); }

    // SQLite ends the whole transaction by itself after some errors (OR ROLLBACK, a
    // full disk, an I/O error); the levels still open then have nothing left to
    // commit. The loss is remembered until the outermost level ends: a statement run
    // meanwhile would be stored on its own at once, outside the all-or-nothing the
    // caller counts on, and a later BEGIN must not make the loss look mended.
    // The outermost level begun for the first write starts now.
    void StartPending() {
        if (!m_pending) return;
        m_pending = false;
        m_depth = 0;
        Begin();
    }

    // Ends an outermost level that never wrote: there is nothing to commit or undo.
    bool EndPending() {
        if (!m_pending) return false;
        m_pending = false;
        m_depth = 0;
        return true;
    }

    bool Lost() {
        if (!m_lost && m_depth > 0 && !m_pending && sqlite3_get_autocommit(m_db)) m_lost = true;
        return m_lost;
    }

    void RequireLiveTransaction() {
        if (Lost()) {
            Fail("The transaction was rolled back by the database after an earlier error; nothing runs until it "
                 "is rolled back");
        }
    }

    void LeaveLostLevel() {
        if (--m_depth == 0) m_lost = false;
    }

    // Said of a failed statement that took the whole transaction with it.
    std::string LossNote() {
        const bool wasLost = m_lost;
        return !wasLost && Lost() ? " (the database rolled the whole transaction back)" : "";
    }

    // Transaction control (begin, savepoints, rollback), kept compiled like every
    // other statement.
    void Run(const std::string& sql) {
        if (!Step(sql)) throw DatabaseError(LastFault(m_db), sqlite3_errmsg(m_db));
    }

    // Whether the statement ran; the connection's error says why not.
    bool Step(const std::string& sql) {
        Statement stmt;
        Prepare(sql, {}, stmt);
        return sqlite3_step(stmt.Get()) == SQLITE_DONE;
    }

    [[noreturn]] void FailWith(const std::string& sql) {
        const std::string reason = sqlite3_errmsg(m_db);
        const DatabaseFault fault = LastFault(m_db);
        std::string message = reason + " [in: " + Excerpt(sql) + "]";
        throw DatabaseError(fault, message + LossNote());
    }

    // Prepares exactly one statement and binds the parameters. What follows the
    // statement must be blanks, comments or semicolons: a second statement smuggled
    // in through text pasted into SQL is refused before anything runs.
    void Prepare(const std::string& sql, const Params& params, Statement& stmt) {
        // The host's statements are few and run often (their values are bound), so
        // each is compiled once; the plug-in's carry their values in the text, so
        // the ones used longest ago make room when there are many.
        auto kept = m_statements.find(sql);
        if (kept != m_statements.end() && !kept->second.inUse) {
            m_lastUse.splice(m_lastUse.begin(), m_lastUse, kept->second.lastUse);
            *stmt.Out() = kept->second.stmt;
            stmt.Keep(kept->second);
            BindAll(sql, params, stmt);
            return;
        }
        const char* tail = nullptr;
        if (sqlite3_prepare_v3(m_db, sql.c_str(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT, stmt.Out(),
                               &tail) != SQLITE_OK)
            FailWith(sql);
        if (stmt.Get() == nullptr) Fail("There is no statement to run");
        std::string_view rest(tail, static_cast<size_t>(sql.c_str() + sql.size() - tail));
        for (const SqlToken& token : LexSql(rest)) {
            if (IsSignificant(token) && !IsSymbol(token, ';'))
                Fail("Only one statement is allowed: " + Excerpt(rest.substr(token.offset)));
        }
        if (kept == m_statements.end()) {
            if (m_statements.size() >= MaxKeptStatements) DropLeastRecentIdle();
            kept = m_statements.try_emplace(sql).first;
            kept->second.lastUse = m_lastUse.insert(m_lastUse.begin(), &kept->first);
            stmt.Keep(kept->second);
        }
        BindAll(sql, params, stmt);
    }

    // The one used longest ago goes, so that the host's few statements stay compiled
    // however many one-off texts of the plug-in pass through.
    void DropLeastRecentIdle() {
        for (auto use = m_lastUse.end(); use != m_lastUse.begin();) {
            --use;
            auto kept = m_statements.find(**use);
            if (kept->second.inUse) continue;
            sqlite3_finalize(kept->second.stmt);
            m_lastUse.erase(use);
            m_statements.erase(kept);
            return;
        }
    }

    void BindAll(const std::string& sql, const Params& params, Statement& stmt) {
        int expected = sqlite3_bind_parameter_count(stmt.Get());
        if (static_cast<size_t>(expected) != params.size())
            Fail("The statement takes " + std::to_string(expected) + " parameters but " + std::to_string(params.size()) +
                 " were given [in: " + Excerpt(sql) + "]");
        for (size_t i = 0; i < params.size(); ++i) Bind(stmt.Get(), static_cast<int>(i + 1), params[i]);
    }

    void Bind(sqlite3_stmt* stmt, int index, const tolm::Variant& value) {
        int rc = SQLITE_OK;
        switch (value.Type()) {
            case tolm::VarType::Empty:
            case tolm::VarType::Null:
                rc = sqlite3_bind_null(stmt, index);
                break;
            case tolm::VarType::Boolean:
                rc = sqlite3_bind_int(stmt, index, value.ToBool() ? 1 : 0);
                break;
            case tolm::VarType::Integer:
            case tolm::VarType::Long:
                rc = sqlite3_bind_int64(stmt, index, value.ToLong());
                break;
            case tolm::VarType::Double:
                rc = sqlite3_bind_double(stmt, index, value.ToDouble());
                break;
            case tolm::VarType::Date: {
                std::string text = tolm::FormatDateText(value.ToDate());
                rc = sqlite3_bind_text(stmt, index, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
                break;
            }
            case tolm::VarType::String: {
                std::string text = value.ToString();
                rc = sqlite3_bind_text(stmt, index, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
                break;
            }
            case tolm::VarType::Object:
                throw tolm::HostError(tolm::err::TypeMismatch,
                                      "Parameter " + std::to_string(index) + " is an object and cannot be stored",
                                      ErrorSource);
        }
        if (rc != SQLITE_OK) Fail(sqlite3_errmsg(m_db));
    }

    static tolm::Variant ColumnValue(sqlite3_stmt* stmt, int i, bool dateColumn) {
        switch (sqlite3_column_type(stmt, i)) {
            case SQLITE_INTEGER:
                return tolm::Variant(static_cast<int64_t>(sqlite3_column_int64(stmt, i)));
            case SQLITE_FLOAT:
                return tolm::Variant(sqlite3_column_double(stmt, i));
            case SQLITE_NULL:
                return tolm::Variant::Null();
            default: {
                const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
                std::string text(bytes != nullptr ? bytes : "", static_cast<size_t>(sqlite3_column_bytes(stmt, i)));
                if (dateColumn) {
                    if (auto date = tolm::ParseDate(text, tolm::DateForm::Stored)) return tolm::Variant(*date);
                }
                return tolm::Variant(std::move(text));
            }
        }
    }

    sqlite3* m_db;
    bool m_readOnly;
    int m_depth = 0;
    bool m_pending = false;
    static constexpr size_t MaxKeptStatements = 200;
    std::unordered_map<std::string, CachedStatement> m_statements;
    // The keys of m_statements, the one used last first.
    std::list<const std::string*> m_lastUse;
    bool m_lost = false;
};

// A file that exists with content must start with SQLite's header; anything else
// (a spreadsheet picked by mistake, a text file) is refused before SQLite opens it,
// so not a byte of it changes.
void CheckHeader(const std::filesystem::path& path) {
    static constexpr std::array<char, 16> header = {'S', 'Q', 'L', 'i', 't', 'e', ' ', 'f',
                                                    'o', 'r', 'm', 'a', 't', ' ', '3', '\0'};
    std::array<char, 16> read{};
    std::ifstream file(path, std::ios::binary);
    if (!file) Fail("Cannot read " + path.string());
    file.read(read.data(), static_cast<std::streamsize>(read.size()));
    if (file.gcount() != static_cast<std::streamsize>(read.size()) || read != header) {
        throw DatabaseError(DatabaseFault::NotADatabase,
                            path.string() + " is not a company database (it is not an SQLite file)");
    }
}

// A SQLite database that has tables but no schema bookkeeping belongs to some other
// program; taking it over would mix our tables into it.
void CheckOwnership(sqlite3* db, const std::filesystem::path& path) {
    const char* sql =
        "SELECT count(*), sum(name = 't_SchemaVersion' COLLATE NOCASE) FROM sqlite_master "
        "WHERE type = 'table' AND name NOT LIKE 'sqlite%'";
    sqlite3_stmt* stmt = nullptr;
    bool ok = sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) == SQLITE_OK && sqlite3_step(stmt) == SQLITE_ROW;
    std::string message = ok ? std::string() : std::string(sqlite3_errmsg(db));
    const DatabaseFault fault = ok ? DatabaseFault::Other : LastFault(db);
    int64_t tables = ok ? sqlite3_column_int64(stmt, 0) : 0;
    int64_t bookkeeping = ok ? sqlite3_column_int64(stmt, 1) : 0;
    sqlite3_finalize(stmt);
    if (!ok) throw DatabaseError(fault, path.string() + " is not a usable database: " + message);
    if (tables > 0 && bookkeeping == 0)
        Fail(path.string() + " is an SQLite database of another program (it has no schema version table)");
}

// Readers of a write-ahead-logged file share its lock file, which must exist or be
// created beside it: in a folder that may not be written, and with no log of
// unfinished writes there, it never can be.
bool CannotShareLocks(const std::filesystem::path& path) {
    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    std::error_code ec;
    const bool logPresent = std::filesystem::exists(path.string() + "-wal", ec);
    return !logPresent && ::access(folder.c_str(), W_OK) != 0;
}

// The file as an SQLite URI that reads it without any lock file.
std::string ImmutableUri(const std::filesystem::path& path) {
    std::string uri = "file:";
    for (const unsigned char c : path.string()) {
        if (std::isalnum(c) || c == '/' || c == '.' || c == '-' || c == '_') {
            uri += static_cast<char>(c);
        } else {
            static constexpr char hex[] = "0123456789ABCDEF";
            uri += {'%', hex[c >> 4], hex[c & 0xf]};
        }
    }
    return uri + "?mode=ro&immutable=1";
}

class SqliteDialectImpl final : public Dialect {
public:
    std::string_view Name() const override { return "sqlite"; }
    std::string_view NoCaseCollation() const override { return "COLLATE NOCASE"; }
    // Dates are stored as text in the form that sorts in time order.
    std::string DateLiteral(tolm::DateTime value) const override { return "'" + tolm::FormatDateText(value) + "'"; }
    std::string_view MomentType() const override { return "DATETIME"; }
    // Names compare without regard to letter case here: quoting keeps the spelling.
    std::string QuotedName(std::string_view name) const override { return QuoteIdentifier(name); }
    bool InsertsInWithClause() const override { return false; }
};

}  // namespace

const Dialect& SqliteDialect() {
    static const SqliteDialectImpl dialect;
    return dialect;
}

std::shared_ptr<Database> OpenSqliteFile(const std::filesystem::path& path, bool readOnly) {
    bool memory = path == ":memory:";
    // A reader opens the file as writers do and is kept from writing by the
    // connection (query_only): the last one to close then tidies the write-ahead log
    // away as a writer would, and no file is left behind that was not there before.
    int flags = readOnly ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    std::string name = memory ? std::string(":memory:") : path.string();
    if (!memory) {
        std::error_code ec;
        auto status = std::filesystem::status(path, ec);
        if (std::filesystem::is_directory(status)) Fail(path.string() + " is a folder, not a database file");
        if (std::filesystem::exists(status)) {
            auto size = std::filesystem::file_size(path, ec);
            if (ec) Fail("Cannot read " + path.string() + ": " + ec.message());
            if (size > 0) {
                CheckHeader(path);
                // An existing database is opened, never created anew under its name.
                flags = SQLITE_OPEN_READWRITE;
            }
        }
        if (readOnly && CannotShareLocks(path)) {
            // Nobody can write a file whose journal cannot be created beside it, so
            // reading it as it stands is safe, and the only way to read it at all.
            name = ImmutableUri(path);
            flags = SQLITE_OPEN_READONLY | SQLITE_OPEN_URI;
        }
    }
    // A connection is used by one thread at a time (the class keeps its statements
    // unguarded anyway), so SQLite's own locking of every call, and its tally of the
    // memory it holds, are work with nothing to protect.
    static const bool configured = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0) == SQLITE_OK;
    (void)configured;
    flags |= SQLITE_OPEN_NOMUTEX;
    sqlite3* raw = nullptr;
    int rc = sqlite3_open_v2(name.c_str(), &raw, flags, nullptr);
    if (rc != SQLITE_OK) {
        std::string message = raw != nullptr ? sqlite3_errmsg(raw) : sqlite3_errstr(rc);
        const DatabaseFault fault = raw != nullptr ? LastFault(raw) : DatabaseFault::Other;
        sqlite3_close_v2(raw);
        throw DatabaseError(fault, "Cannot open " + path.string() + ": " + message);
    }
    std::shared_ptr<Database> db = std::make_shared<SqliteDatabase>(raw, readOnly);
    sqlite3_extended_result_codes(raw, 1);
    sqlite3_busy_timeout(raw, BusyTimeoutMs);
    if (readOnly) db->Execute("PRAGMA query_only = 1");
    CheckOwnership(raw, path);

    // Only now that the file is known to be ours may its journal mode change.
    if (!memory && !readOnly) {
        auto mode = db->Query("PRAGMA journal_mode = WAL");
        if (mode->IsEOF() || AsciiLower(mode->Field("journal_mode").ToText()) != "wal")
            Fail("Cannot switch " + path.string() + " to write-ahead logging");
    }
    db->Execute("PRAGMA foreign_keys = ON");
    return db;
}

}  // namespace hub
