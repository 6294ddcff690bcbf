// The server backend: one PostgreSQL database per company, shared by a team.
//
// Names. The schema is created with unquoted names, which the server folds to lower
// case, so the plug-in's t_exchangerateEntry, FID and fid all name what the schema
// calls t_ExchangeRateEntry and FID. Result columns come back folded as well; they
// are given back the spelling of the statement that asked for them, or else of the
// schema, so that a record reads the same on both backends.
//
// Writers take turns: every outermost transaction first takes the company's write
// lock (a transaction-scoped advisory lock), as the embedded backend's BEGIN
// IMMEDIATE does. Ids one above the highest stored, and the editor's version check,
// stay correct that way; the exclusion constraint keeps the overlap rule against
// any client that writes without the host.
#include <libpq-fe.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cstdio>
#include <map>
#include <unordered_map>
#include <memory>
#include <mutex>
#include <optional>

#include "database.h"
#include "embedded_migrations.h"
#include "postgres_database.h"
#include "sql_lexer.h"
#include "base/text_util.h"

namespace hub {

namespace {

// The company's write lock, taken by every transaction: any number will do, so long
// as every host uses it.
constexpr const char* LockStatement = "SELECT pg_advisory_xact_lock(7465787272)";
// How long a writer waits for another's transaction before giving up.
constexpr const char* LockTimeout = "15s";
constexpr const char* ConnectTimeoutSeconds = "10";

// Type oids of the server's built-in types (pg_type.h, which libpq-dev does not ship).
constexpr Oid BoolOid = 16;
constexpr Oid Int8Oid = 20;
constexpr Oid Int2Oid = 21;
constexpr Oid Int4Oid = 23;
constexpr Oid Float4Oid = 700;
constexpr Oid Float8Oid = 701;
constexpr Oid NumericOid = 1700;
constexpr Oid DateOid = 1082;
constexpr Oid TimestampOid = 1114;
constexpr Oid TimestampTzOid = 1184;

struct ConnectionCloser {
    void operator()(PGconn* conn) const { PQfinish(conn); }
};
using Connection = std::unique_ptr<PGconn, ConnectionCloser>;

struct ResultClearer {
    void operator()(PGresult* result) const { PQclear(result); }
};
using Result = std::unique_ptr<PGresult, ResultClearer>;

[[noreturn]] void Fail(DatabaseFault fault, const std::string& message) { throw DatabaseError(fault, message); }
[[noreturn]] void Fail(const std::string& message) { Fail(DatabaseFault::Other, message); }

// The first line of a libpq message, without its "FATAL:  " or "ERROR:  " prefix.
std::string FirstLine(const char* message) {
    std::string text = message != nullptr ? message : "";
    text = text.substr(0, text.find('\n'));
    for (const char* prefix : {"FATAL:  ", "ERROR:  "}) {
        if (text.starts_with(prefix)) text.erase(0, std::string_view(prefix).size());
    }
    return std::string(Trim(text));
}

// A refused statement as a sentence about the data: the server's SQLSTATE says what
// kind of refusal it was, the primary message (which names no SQL) says the rest.
DatabaseError ErrorOf(const PGresult* result, PGconn* conn) {
    const char* stateField = result != nullptr ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    const std::string state = stateField != nullptr ? stateField : "";
    const char* primary = result != nullptr ? PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    const std::string message = primary != nullptr ? std::string(primary) : FirstLine(PQerrorMessage(conn));
    if (PQstatus(conn) == CONNECTION_BAD || state.starts_with("08") || state.starts_with("57P")) {
        return DatabaseError(DatabaseFault::ConnectionLost,
                             "The connection to the database server was lost: " + message);
    }
    if (state == "23P01") {
        return DatabaseError(DatabaseFault::Overlap,
                             "overlapping validity: a rate of this type and currency is already valid in this period");
    }
    if (state == "23505") return DatabaseError(DatabaseFault::Duplicate, message);
    if (state == "23503") return DatabaseError(DatabaseFault::Reference, message);
    if (state.starts_with("23") || state == "P0001") return DatabaseError(DatabaseFault::Rule, message);
    if (state == "40001" || state == "40P01") {
        return DatabaseError(DatabaseFault::Retryable,
                             "The database gave the change up for another user's change made at the same time: " +
                                 message);
    }
    if (state == "25006") return DatabaseError(DatabaseFault::ReadOnly, message);
    if (state == "42501") return DatabaseError(DatabaseFault::Permission, message);
    if (state == "53100") return DatabaseError(DatabaseFault::Full, message);
    // data_corrupted, index_corrupted, and an I/O error of the server's storage.
    if (state == "XX001" || state == "XX002" || state == "58030") return DatabaseError(DatabaseFault::Damaged, message);
    if (state == "55P03") {
        return DatabaseError(DatabaseFault::Busy,
                             "Another user's change held the company too long; nothing was stored. Try again.");
    }
    return DatabaseError(DatabaseFault::Other, message);
}

// lower-case name -> the spelling the schema gives it, from the server's migrations:
// every word written in mixed case (t_ExchangeRate, FUserName), and the first word
// of each column definition of a table (FID, which keywords cannot be told from by
// its case alone).
const std::map<std::string, std::string>& SchemaSpelling() {
    static const std::map<std::string, std::string> spelling = [] {
        std::map<std::string, std::string> names;
        for (const EmbeddedMigration& migration : EmbeddedMigrations(PostgresDialect().Name())) {
            const std::vector<SqlToken> tokens = LexSql(migration.sql);
            int depth = 0;
            bool inTable = false;
            bool itemStart = false;
            for (size_t i = 0; i < tokens.size(); ++i) {
                const SqlToken& token = tokens[i];
                if (!IsSignificant(token)) continue;
                if (IsWord(token, "table")) inTable = true;
                if (IsSymbol(token, '(')) {
                    ++depth;
                    itemStart = inTable && depth == 1;
                    continue;
                }
                if (IsSymbol(token, ')')) {
                    if (--depth == 0) inTable = false;
                    continue;
                }
                if (IsSymbol(token, ',')) {
                    itemStart = inTable && depth == 1;
                    continue;
                }
                if (token.kind != SqlTokenKind::Word) {
                    itemStart = false;
                    continue;
                }
                const std::string word(token.text);
                const std::string lower = AsciiLower(word);
                const bool mixed = lower != word && tolm::text::AsciiUpper(word) != word;
                const bool column = itemStart && !IsWord(token, "check") && !IsWord(token, "constraint") &&
                                    !IsWord(token, "primary") && !IsWord(token, "unique") &&
                                    !IsWord(token, "foreign") && !IsWord(token, "exclude");
                itemStart = false;
                if (mixed || column) names.emplace(lower, word);
            }
        }
        return names;
    }();
    return spelling;
}

// A value as the server reads it in text form.
std::optional<std::string> TextOf(const tolm::Variant& value, int index) {
    switch (value.Type()) {
        case tolm::VarType::Empty:
        case tolm::VarType::Null:
            return std::nullopt;
        case tolm::VarType::Boolean:
            return value.ToBool() ? "1" : "0";
        case tolm::VarType::Integer:
        case tolm::VarType::Long:
            return std::to_string(value.ToLong());
        case tolm::VarType::Double: {
            char buffer[32];
            std::snprintf(buffer, sizeof buffer, "%.17g", value.ToDouble());
            return std::string(buffer);
        }
        case tolm::VarType::Date:
            return tolm::FormatDateText(value.ToDate());
        case tolm::VarType::String:
            return value.ToString();
        case tolm::VarType::Object:
            break;
    }
    throw tolm::HostError(tolm::err::TypeMismatch,
                          "Parameter " + std::to_string(index) + " is an object and cannot be stored",
                          "TolmHost.Database");
}

tolm::Variant ValueOf(const PGresult* result, int row, int column) {
    if (PQgetisnull(result, row, column)) return tolm::Variant::Null();
    const char* text = PQgetvalue(result, row, column);
    switch (PQftype(result, column)) {
        case Int2Oid:
        case Int4Oid:
        case Int8Oid:
            return tolm::Variant(static_cast<int64_t>(std::strtoll(text, nullptr, 10)));
        case Float4Oid:
        case Float8Oid:
        case NumericOid:
            return tolm::Variant(std::strtod(text, nullptr));
        case BoolOid:
            return tolm::Variant(text[0] == 't');
        case DateOid:
        case TimestampOid:
        case TimestampTzOid: {
            // Fractions of a second and a zone are not kept: the host's dates hold neither.
            std::string stored(text, std::min<size_t>(std::strlen(text), 19));
            if (auto date = tolm::ParseDate(stored, tolm::DateForm::Stored)) return tolm::Variant(*date);
            return tolm::Variant(std::string(text));
        }
        default:
            return tolm::Variant(std::string(text));
    }
}

// The statement with ?N written $N, after making sure it is one statement; returns
// the highest N.
int RewritePlaceholders(const std::string& sql, std::string& rewritten) {
    const std::vector<SqlToken> tokens = LexSql(sql);
    int highest = 0;
    bool ended = false;
    rewritten.clear();
    rewritten.reserve(sql.size());
    for (size_t i = 0; i < tokens.size(); ++i) {
        const SqlToken& token = tokens[i];
        if (ended && IsSignificant(token) && !IsSymbol(token, ';')) {
            Fail("Only one statement is allowed: " + std::string(Trim(sql.substr(token.offset))));
        }
        if (IsSymbol(token, ';')) ended = true;
        if (IsSymbol(token, '?') && i + 1 < tokens.size() && tokens[i + 1].kind == SqlTokenKind::Number &&
            tokens[i + 1].text.find_first_not_of("0123456789") == std::string_view::npos) {
            const int index = std::stoi(std::string(tokens[i + 1].text));
            highest = std::max(highest, index);
            rewritten += '$';
            rewritten += tokens[i + 1].text;
            ++i;
            continue;
        }
        rewritten += token.text;
    }
    if (std::none_of(tokens.begin(), tokens.end(), [](const SqlToken& t) { return IsSignificant(t) && !IsSymbol(t, ';'); }))
        Fail("There is no statement to run");
    return highest;
}

class PostgresDatabase final : public Database {
public:
    PostgresDatabase(Connection conn, bool readOnly) : m_conn(std::move(conn)), m_readOnly(readOnly) {}

    const Dialect& SqlDialect() const override { return PostgresDialect(); }
    bool ReadOnly() const override { return m_readOnly; }

    std::string RolePasswordVerifier(const std::string& role, const std::string& password) override {
        char* verifier = PQencryptPasswordConn(m_conn.get(), password.c_str(), role.c_str(), "scram-sha-256");
        if (verifier == nullptr) {
            throw tolm::HostError(tolm::err::Database,
                                  std::string("The password cannot be prepared for the server: ") +
                                      PQerrorMessage(m_conn.get()),
                                  "TolmHost.Database");
        }
        std::string text = verifier;
        PQfreemem(verifier);
        return text;
    }

    // The server keeps no checksum of its own that a client may ask for, so every row
    // of every table is read whole (a damaged page or value fails as it is read), and
    // the indexes are checked against their rules where the index-checking extension
    // is installed; installing it would be a change, and this only reads.
    std::vector<std::string> StorageProblems() override {
        std::vector<std::string> problems;
        auto readWithout = [&](const std::string& what, const std::string& sql, const Params& params) {
            try {
                Query(sql, params);
            } catch (const DatabaseError& error) {
                if (error.Fault() != DatabaseFault::Damaged) throw;
                problems.push_back(what + ": " + error.Description());
            }
        };
        auto tables = Query("SELECT table_name FROM information_schema.tables WHERE table_schema = current_schema()"
                            " AND table_type = 'BASE TABLE' ORDER BY table_name",
                            {});
        for (; !tables->IsEOF(); tables->MoveNext()) {
            const std::string table = tables->Field("table_name").ToText();
            readWithout(table, "SELECT count(*) AS n FROM (SELECT t::text FROM " + QuoteIdentifier(table) + " t) AS r",
                        {});
        }
        auto checker = Query("SELECT n.nspname FROM pg_extension e JOIN pg_namespace n ON n.oid = e.extnamespace"
                             " WHERE e.extname = 'amcheck'",
                             {});
        if (checker->IsEOF()) return problems;
        const std::string function = QuoteIdentifier(checker->Field("nspname").ToText()) + ".bt_index_check";
        auto indexes = Query("SELECT c.relname FROM pg_index i JOIN pg_class c ON c.oid = i.indexrelid"
                             " JOIN pg_am a ON a.oid = c.relam"
                             " WHERE a.amname = 'btree'"
                             " AND c.relnamespace = (SELECT oid FROM pg_namespace WHERE nspname = current_schema())"
                             " ORDER BY c.relname",
                             {});
        for (; !indexes->IsEOF(); indexes->MoveNext()) {
            const std::string index = indexes->Field("relname").ToText();
            readWithout(index, "SELECT 1 AS n FROM (SELECT " + function + "(?1::regclass)) AS c",
                        {tolm::Variant(QuoteIdentifier(index))});
        }
        return problems;
    }

    DatabaseLocation Location() override {
        DatabaseLocation where;
        where.name = PQdb(m_conn.get());
        const std::string host = PQhost(m_conn.get()) != nullptr ? PQhost(m_conn.get()) : "";
        if (!host.empty() && host.front() != '/') where.server = host;
        return where;
    }

    bool TableExists(std::string_view name) override {
        return !Query("SELECT 1 FROM information_schema.tables WHERE table_schema = current_schema()"
                      " AND lower(table_name) = lower(?1)",
                      {tolm::Variant(std::string(name))})
                    ->IsEOF();
    }

    int64_t Execute(const std::string& sql, const Params& params) override {
        StartPending();
        Result result = Run(sql, params);
        const char* changed = PQcmdTuples(result.get());
        return changed != nullptr && *changed != '\0' ? std::strtoll(changed, nullptr, 10) : 0;
    }

    std::shared_ptr<tolm::MemoryRecordset> Query(const std::string& sql, const Params& params) override {
        Result result = Run(sql, params);
        const int columnCount = PQnfields(result.get());
        const int rowCount = PQntuples(result.get());
        std::vector<std::string> columns;
        columns.reserve(static_cast<size_t>(columnCount));
        std::map<std::string, std::string> aliases;
        std::map<std::string, std::string> words;
        for (int i = 0; i < columnCount; ++i) columns.push_back(Spelled(PQfname(result.get(), i), sql, aliases, words));
        std::vector<std::vector<tolm::Variant>> rows;
        rows.reserve(static_cast<size_t>(rowCount));
        for (int r = 0; r < rowCount; ++r) {
            std::vector<tolm::Variant> row;
            row.reserve(static_cast<size_t>(columnCount));
            for (int c = 0; c < columnCount; ++c) row.push_back(ValueOf(result.get(), r, c));
            rows.push_back(std::move(row));
        }
        return std::make_shared<tolm::MemoryRecordset>(std::move(columns), std::move(rows));
    }

    void ExecuteScript(const std::string& sql) override {
        StartPending();
        SendQueuedBegin();
        RequireLiveTransaction();
        ForgetPrepared();
        Result result(PQexec(m_conn.get(), sql.c_str()));
        Check(result.get());
    }

    int64_t LastInsertId() override {
        return static_cast<int64_t>(Query("SELECT lastval() AS id", {})->Field("id").ToDouble());
    }

    void AdvanceIdGenerators() override {
        auto columns = Query(
            "SELECT table_name, column_name FROM information_schema.columns"
            " WHERE table_schema = current_schema() AND (is_identity = 'YES' OR column_default LIKE 'nextval(%')",
            {});
        for (; !columns->IsEOF(); columns->MoveNext()) {
            const std::string table = QuoteIdentifier(columns->Field("table_name").ToText());
            const std::string column = QuoteIdentifier(columns->Field("column_name").ToText());
            Query("SELECT setval(pg_get_serial_sequence(?1, ?2), COALESCE((SELECT MAX(" + column + ") FROM " + table +
                      "), 0) + 1, false)",
                  {tolm::Variant(table), columns->Field("column_name")});
        }
    }

    void BeginOnFirstWrite() override {
        if (m_depth > 0) return Begin();
        m_depth = 1;
        m_pending = true;
    }

    void Begin() override {
        StartPending();
        if (m_depth == 0) {
            // The transaction and the company's write lock travel with its first
            // statement: a round trip saved on every transaction.
            m_beginQueued = true;
        } else {
            SendQueuedBegin();
            RequireLiveTransaction();
            Simple("SAVEPOINT " + SavepointName(m_depth));
        }
        ++m_depth;
    }

    void Commit() override {
        if (EndPending() || EndQueuedBegin()) return;
        if (m_depth == 0) Fail("There is no transaction to commit");
        if (m_depth > 1) {
            --m_depth;
            const std::string name = SavepointName(m_depth);
            if (Lost()) {
                Simple("ROLLBACK TO " + name + "; RELEASE " + name);
                Fail("The transaction failed earlier and was rolled back; nothing was stored");
            }
            Simple("RELEASE " + name);
            return;
        }
        m_depth = 0;
        if (Lost()) {
            Simple("ROLLBACK");
            Fail("The transaction failed earlier and was rolled back; nothing was stored");
        }
        Result result(PQexec(m_conn.get(), "COMMIT"));
        if (PQresultStatus(result.get()) != PGRES_COMMAND_OK) {
            DatabaseError error = ErrorOf(result.get(), m_conn.get());
            // A refused commit (a deferred foreign key) has ended the transaction.
            if (PQtransactionStatus(m_conn.get()) != PQTRANS_IDLE) PQclear(PQexec(m_conn.get(), "ROLLBACK"));
            throw error;
        }
    }

    void Rollback() override {
        if (EndPending() || EndQueuedBegin()) return;
        if (m_depth == 0) Fail("There is no transaction to roll back");
        if (m_depth > 1) {
            --m_depth;
            const std::string name = SavepointName(m_depth);
            Simple("ROLLBACK TO " + name + "; RELEASE " + name);
            return;
        }
        m_depth = 0;
        if (PQtransactionStatus(m_conn.get()) != PQTRANS_IDLE) Simple("ROLLBACK");
    }

    bool InTransaction() const override { return m_depth > 0; }
    bool WriteStarted() const override { return m_depth > 0 && !m_pending; }
    int Depth() const override { return m_depth; }

private:
    static std::string SavepointName(int level) { return "tolm_level_" + std::to_string(level); }

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

    // An outermost level that sent nothing has nothing to end on the server.
    bool EndQueuedBegin() {
        if (!m_beginQueued || m_depth != 1) return false;
        m_beginQueued = false;
        m_depth = 0;
        return true;
    }

    void SendQueuedBegin() {
        if (!m_beginQueued) return;
        m_beginQueued = false;
        Simple(std::string("BEGIN; ") + LockStatement);
    }

    // The server ends a transaction's usefulness at its first failed statement.
    bool Lost() const { return m_depth > 0 && PQtransactionStatus(m_conn.get()) == PQTRANS_INERROR; }

    void RequireLiveTransaction() const {
        if (Lost()) {
            Fail("The transaction failed earlier; nothing runs until it is rolled back");
        }
    }

    void Check(const PGresult* result) const {
        const ExecStatusType status = PQresultStatus(result);
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) throw ErrorOf(result, m_conn.get());
    }

    void Simple(const std::string& sql) {
        Result result(PQexec(m_conn.get(), sql.c_str()));
        Check(result.get());
    }

    Result Run(const std::string& sql, const Params& params) {
        RequireLiveTransaction();
        std::string rewritten;
        const int highest = RewritePlaceholders(sql, rewritten);
        if (static_cast<size_t>(highest) != params.size()) {
            Fail("The statement takes " + std::to_string(highest) + " parameters but " + std::to_string(params.size()) +
                 " were given");
        }
        std::vector<std::optional<std::string>> texts;
        texts.reserve(params.size());
        for (size_t i = 0; i < params.size(); ++i) texts.push_back(TextOf(params[i], static_cast<int>(i + 1)));
        std::vector<const char*> values;
        values.reserve(params.size());
        for (const auto& text : texts) values.push_back(text ? text->c_str() : nullptr);
        const std::string* prepared = values.empty() ? nullptr : &Prepared(sql, rewritten, values.size());
        if (m_beginQueued) return RunAfterBegin(rewritten, prepared, values);
        Result result(prepared == nullptr
                          ? PQexecParams(m_conn.get(), rewritten.c_str(), 0, nullptr, nullptr, nullptr, nullptr, 0)
                          : PQexecPrepared(m_conn.get(), prepared->c_str(), static_cast<int>(values.size()),
                                           values.data(), nullptr, nullptr, 0));
        Check(result.get());
        return result;
    }

    // The queued BEGIN, the write lock and the statement in one pipeline: one round
    // trip. Each runs once the one before has, so the statement sees what writers
    // stored before the lock was granted.
    Result RunAfterBegin(const std::string& rewritten, const std::string* prepared,
                         const std::vector<const char*>& values) {
        m_beginQueued = false;
        PGconn* conn = m_conn.get();
        if (PQenterPipelineMode(conn) != 1) throw ErrorOf(nullptr, conn);
        const int count = static_cast<int>(values.size());
        const bool sent =
            PQsendQueryParams(conn, "BEGIN", 0, nullptr, nullptr, nullptr, nullptr, 0) == 1 &&
            PQsendQueryParams(conn, LockStatement, 0, nullptr, nullptr, nullptr, nullptr, 0) == 1 &&
            (prepared != nullptr
                 ? PQsendQueryPrepared(conn, prepared->c_str(), count, values.data(), nullptr, nullptr, 0)
                 : PQsendQueryParams(conn, rewritten.c_str(), 0, nullptr, nullptr, nullptr, nullptr, 0)) == 1 &&
            PQpipelineSync(conn) == 1;
        // Every result up to the sync is read, also after a failure, so the connection
        // leaves the pipeline ready for the next statement.
        std::vector<Result> results;
        Result pending;
        for (int waiting = sent ? 3 : 0; waiting > 0 && PQstatus(conn) == CONNECTION_OK;) {
            Result next(PQgetResult(conn));
            if (next == nullptr) {
                results.push_back(std::move(pending));
                --waiting;
            } else {
                pending = std::move(next);
            }
        }
        if (sent) {
            for (Result sync(PQgetResult(conn)); sync != nullptr && PQresultStatus(sync.get()) != PGRES_PIPELINE_SYNC;
                 sync.reset(PQgetResult(conn))) {
            }
        }
        PQexitPipelineMode(conn);
        if (results.size() != 3) throw ErrorOf(nullptr, conn);
        // The first failure is the reason; what follows it was not run.
        for (Result& result : results) {
            if (PQresultStatus(result.get()) != PGRES_PIPELINE_ABORTED) Check(result.get());
        }
        return std::move(results.back());
    }

    // The host's statements bind their values and run often: each is parsed once per
    // connection. The plug-in's carry their values in the text and are not kept.
    const std::string& Prepared(const std::string& sql, const std::string& rewritten, size_t paramCount) {
        if (auto kept = m_prepared.find(sql); kept != m_prepared.end()) return kept->second;
        if (m_prepared.size() >= MaxPreparedStatements) ForgetPrepared();
        std::string name = "tolm_" + std::to_string(++m_preparedCount);
        Result prepared(PQprepare(m_conn.get(), name.c_str(), rewritten.c_str(), static_cast<int>(paramCount), nullptr));
        Check(prepared.get());
        return m_prepared.emplace(sql, std::move(name)).first->second;
    }

    // Also after a schema change, which may change what a kept statement returns.
    void ForgetPrepared() {
        if (m_prepared.empty()) return;
        m_prepared.clear();
        if (PQtransactionStatus(m_conn.get()) != PQTRANS_INERROR) Simple("DEALLOCATE ALL");
    }

    // A folded column name spelled as the embedded backend reports it: an alias as the
    // statement wrote it ("AS fName"), a column as the schema spells it, anything
    // else (an expression's name) as the statement wrote it.
    static std::string Spelled(const char* folded, const std::string& sql, std::map<std::string, std::string>& aliases,
                               std::map<std::string, std::string>& words) {
        const std::string name = folded != nullptr ? folded : "";
        if (name.empty() || name != AsciiLower(name)) return name;  // quoted in the statement: kept as it is
        if (words.empty()) {
            const std::vector<SqlToken> tokens = LexSql(sql);
            bool afterAs = false;
            for (const SqlToken& token : tokens) {
                if (!IsSignificant(token)) continue;
                if (token.kind == SqlTokenKind::Word) {
                    const std::string lower = AsciiLower(token.text);
                    if (afterAs) aliases.emplace(lower, std::string(token.text));
                    words.emplace(lower, std::string(token.text));
                }
                afterAs = IsWord(token, "as");
            }
            words.emplace("", "");  // marks the statement as read
        }
        if (auto found = aliases.find(name); found != aliases.end()) return found->second;
        const auto& schema = SchemaSpelling();
        if (auto found = schema.find(name); found != schema.end()) return found->second;
        if (auto found = words.find(name); found != words.end()) return found->second;
        return name;
    }

    Connection m_conn;
    bool m_readOnly;
    int m_depth = 0;
    bool m_pending = false;
    // Begun at the outermost level, not yet sent: it goes with the first statement.
    bool m_beginQueued = false;
    static constexpr size_t MaxPreparedStatements = 200;
    std::unordered_map<std::string, std::string> m_prepared;
    uint64_t m_preparedCount = 0;
};

void IgnoreNotice(void*, const char*) {}

// What replaces the location's own login: the role, and the password once asked.
struct LoginOverride {
    std::string role;
    std::optional<std::string> password;
};

Connection Connect(const std::string& location, const char* databaseOverride, const LoginOverride& login = {}) {
    std::vector<const char*> keys = {"connect_timeout", "application_name", "dbname"};
    std::vector<const char*> values = {ConnectTimeoutSeconds, "tolm", location.c_str()};
    if (databaseOverride != nullptr) {
        keys.push_back("dbname");
        values.push_back(databaseOverride);
    }
    if (!login.role.empty()) {
        keys.push_back("user");
        values.push_back(login.role.c_str());
    }
    if (login.password) {
        keys.push_back("password");
        values.push_back(login.password->c_str());
    }
    keys.push_back("client_encoding");
    values.push_back("UTF8");
    keys.push_back(nullptr);
    values.push_back(nullptr);
    return Connection(PQconnectdbParams(keys.data(), values.data(), 1));
}

// The value of one key of a location, as libpq reads it; "" when not given.
std::string ConnectionValue(const std::string& location, std::string_view key) {
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(location.c_str(), &error);
    PQfreemem(error);
    if (options == nullptr) return {};
    std::string value;
    for (PQconninfoOption* option = options; option->keyword != nullptr; ++option) {
        if (option->val != nullptr && key == option->keyword) value = option->val;
    }
    PQconninfoFree(options);
    return value;
}

// The database a location names, as libpq would choose it.
std::string DatabaseNameOf(const std::string& location) {
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(location.c_str(), &error);
    PQfreemem(error);
    if (options == nullptr) return {};
    std::string dbname;
    std::string user;
    for (PQconninfoOption* option = options; option->keyword != nullptr; ++option) {
        if (option->val == nullptr) continue;
        if (std::string_view(option->keyword) == "dbname") dbname = option->val;
        if (std::string_view(option->keyword) == "user") user = option->val;
    }
    PQconninfoFree(options);
    if (dbname.empty() && std::getenv("PGDATABASE") != nullptr) dbname = std::getenv("PGDATABASE");
    return dbname.empty() ? user : dbname;
}

// Creates the database the location names on its server, when the server is there
// and the database is not, logged in as `login` says; returns whether it did.
bool CreateMissingDatabase(const std::string& location, const LoginOverride& login) {
    const std::string name = DatabaseNameOf(location);
    if (name.empty()) return false;
    Connection maintenance = Connect(location, "postgres", login);
    if (PQstatus(maintenance.get()) != CONNECTION_OK) return false;
    const char* values[] = {name.c_str()};
    Result exists(PQexecParams(maintenance.get(), "SELECT 1 FROM pg_database WHERE datname = $1", 1, nullptr, values,
                               nullptr, nullptr, 0));
    if (PQresultStatus(exists.get()) != PGRES_TUPLES_OK || PQntuples(exists.get()) != 0) return false;
    char* quoted = PQescapeIdentifier(maintenance.get(), name.c_str(), name.size());
    if (quoted == nullptr) return false;
    const std::string sql = std::string("CREATE DATABASE ") + quoted;
    PQfreemem(quoted);
    Result created(PQexec(maintenance.get(), sql.c_str()));
    if (PQresultStatus(created.get()) != PGRES_COMMAND_OK) {
        Fail("Cannot create the database " + name + " on the server: " +
             FirstLine(PQresultErrorField(created.get(), PG_DIAG_MESSAGE_PRIMARY)));
    }
    return true;
}

// A database with tables but no schema bookkeeping belongs to some other program.
void CheckOwnership(Database& db) {
    auto rows = db.Query(
        "SELECT count(*) AS n, count(*) FILTER (WHERE lower(table_name) = 't_schemaversion') AS own"
        " FROM information_schema.tables WHERE table_schema = current_schema() AND table_type = 'BASE TABLE'",
        {});
    if (rows->Field("n").ToLong() > 0 && rows->Field("own").ToLong() == 0) {
        Fail("The database " + db.Location().name + " belongs to another program (it has no schema version table)");
    }
}

}  // namespace

std::string PostgresDisplayName(const std::string& location) {
    std::string name = DatabaseNameOf(location);
    if (name.empty()) name = "(default database)";
    const std::string host = ConnectionValue(location, "host");
    if (!host.empty() && host.front() != '/') name += " on " + host;
    const std::string port = ConnectionValue(location, "port");
    if (!host.empty() && host.front() != '/' && !port.empty()) name += ":" + port;
    return name;
}

std::string PostgresRoleOf(const std::string& location) { return ConnectionValue(location, "user"); }

std::shared_ptr<Database> OpenPostgres(const std::string& location, OpenMode mode, const ServerLogin& login) {
    LoginOverride override{login.role, std::nullopt};
    Connection conn = Connect(location, nullptr, override);
    if (PQstatus(conn.get()) != CONNECTION_OK && PQconnectionNeedsPassword(conn.get()) && login.password) {
        override.password = login.password();
        if (override.password) conn = Connect(location, nullptr, override);
    }
    if (PQstatus(conn.get()) != CONNECTION_OK && mode == OpenMode::CreateIfMissing &&
        CreateMissingDatabase(location, override)) {
        conn = Connect(location, nullptr, override);
    }
    if (PQstatus(conn.get()) != CONNECTION_OK) {
        const std::string reason = FirstLine(PQerrorMessage(conn.get()));
        // The server answered and refused whom it was given: told apart from a server
        // that cannot be reached, which the person mends elsewhere.
        if (PQconnectionNeedsPassword(conn.get()) || PQconnectionUsedPassword(conn.get()) ||
            reason.find("role \"") != std::string::npos || reason.find("authentication") != std::string::npos ||
            reason.find("permission denied") != std::string::npos) {
            Fail(DatabaseFault::Login, "The database server refused the login: " + reason);
        }
        Fail(DatabaseFault::ConnectionLost, "Cannot connect to the database server: " + reason);
    }
    PQsetNoticeProcessor(conn.get(), IgnoreNotice, nullptr);
    Result settings(PQexec(conn.get(), (std::string("SET DateStyle = 'ISO, YMD'; SET lock_timeout = '") + LockTimeout +
                                        "'; SET client_min_messages = warning" +
                                        (mode == OpenMode::ReadOnly ? "; SET default_transaction_read_only = on" : ""))
                                           .c_str()));
    if (PQresultStatus(settings.get()) != PGRES_COMMAND_OK) throw ErrorOf(settings.get(), conn.get());
    auto db = std::make_shared<PostgresDatabase>(std::move(conn), mode == OpenMode::ReadOnly);
    CheckOwnership(*db);
    return db;
}

}  // namespace hub

extern "C" __attribute__((visibility("default"))) const hub::PostgresBackend* tolm_postgres_backend() {
    static const hub::PostgresBackend backend{hub::PostgresBackendVersion, &hub::OpenPostgres, &hub::PostgresRoleOf,
                                              &hub::PostgresDisplayName};
    return &backend;
}
