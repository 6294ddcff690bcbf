// The SQLite backend: one statement per call, values in and out, nested
// transactions, and what it refuses to open.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include "db/database.h"
#include "support/temp_dir.h"
#include "tolm/variant.h"

namespace hub {
namespace {

using tolm::Variant;
using tolm::VarType;

int64_t Count(Database& db, const std::string& table) {
    return db.Query("SELECT count(*) AS n FROM " + table)->Field("n").ToLong();
}

TEST(SqliteDatabase, RefusesASecondStatementAndRunsNeitherPart) {
    auto db = OpenDatabase(":memory:");
    db->Execute("CREATE TABLE t (v INTEGER)");
    db->Execute("INSERT INTO t VALUES (1)");

    try {
        db->Execute("INSERT INTO t VALUES (2); DELETE FROM t");
        FAIL() << "a second statement was accepted";
    } catch (const tolm::HostError& error) {
        EXPECT_EQ(error.Number(), tolm::err::Database);
        EXPECT_NE(error.Description().find("Only one statement is allowed"), std::string::npos);
        EXPECT_NE(error.Description().find("DELETE FROM t"), std::string::npos);
    }
    EXPECT_THROW(db->Query("SELECT v FROM t; DROP TABLE t"), tolm::HostError);
    EXPECT_EQ(Count(*db, "t"), 1);

    // What may follow a statement: blanks, semicolons and comments.
    EXPECT_EQ(db->Execute("INSERT INTO t VALUES (3);  -- the third\n /* done */ ;"), 1);
    EXPECT_EQ(Count(*db, "t"), 2);
    EXPECT_THROW(db->Execute("   -- nothing but a comment"), tolm::HostError);
}

// A query with its values in its text (as the plug-in writes them) answers as
// written, whatever else has been compiled since, and keeps its columns' names.
TEST(SqliteDatabase, AQueryWithValuesInItsTextAnswersAsWritten) {
    auto db = OpenDatabase(":memory:");
    db->Execute("CREATE TABLE r (FCode TEXT, FDay DATE, FRate REAL)");
    db->Execute("INSERT INTO r VALUES ('A''1', '2024-01-05', 1.5), ('B', '2024-02-05', 2.5), ('?1', '2024-03-05', 3.5)");
    const struct {
        const char* sql;
        std::vector<std::string> codes;
    } cases[] = {
        {"SELECT FCode FROM r WHERE FDay >= '2024-02-01' ORDER BY FCode", {"?1", "B"}},
        {"SELECT FCode FROM r WHERE FDay >= '2024-03-01' ORDER BY FCode", {"?1"}},
        {"SELECT FCode FROM r WHERE FCode = 'A''1'", {"A'1"}},
        {"SELECT FCode FROM r WHERE FCode = '?1'", {"?1"}},
        {"SELECT FCode FROM r WHERE NOT (FDay > '2024-01-31' OR FDay < '2024-01-01')", {"A'1"}},
        {"SELECT FCode FROM r WHERE FCode <> 'B' AND FRate > 2", {"?1"}},
    };
    for (int round = 0; round < 2; ++round) {
        for (const auto& c : cases) {
            std::vector<std::string> codes;
            for (auto rows = db->Query(c.sql); !rows->IsEOF(); rows->MoveNext()) codes.push_back(rows->Field("FCode").ToText());
            EXPECT_EQ(codes, c.codes) << c.sql;
        }
        // Many other texts in between: the kept statements make room.
        for (int i = 0; i < 300; ++i) db->Query("SELECT " + std::to_string(i) + " AS n FROM r WHERE FCode = 'x'");
    }
    auto named = db->Query("SELECT FCode = 'B' FROM r WHERE FCode = 'B'");
    EXPECT_EQ(named->Field("FCode = 'B'").ToLong(), 1);
    // A text with parameters of its own is run as given.
    EXPECT_EQ(db->Query("SELECT FRate FROM r WHERE FCode = ?1 AND FDay > '2024-01-01'", {Variant("B")})
                  ->Field("FRate")
                  .ToDouble(),
              2.5);
}

TEST(SqliteDatabase, ValuesGoInAsStoredFormsAndComeBackTyped) {
    auto db = OpenDatabase(":memory:");
    db->Execute("CREATE TABLE v (FDay DATE, FMoment DATETIME, FText TEXT, FInt INTEGER, FReal REAL, FFlag)");
    auto day = tolm::MakeDate(2024, 3, 1);
    auto moment = tolm::MakeDate(2024, 3, 1) + std::chrono::hours(13) + std::chrono::minutes(5) + std::chrono::seconds(9);
    db->Execute("INSERT INTO v VALUES (?1, ?2, ?3, ?4, ?5, ?6)", {Variant(day), Variant(moment), Variant("x"),
                                                                 Variant(int64_t{5'000'000'000}), Variant(2.5), Variant(true)});
    db->Execute("INSERT INTO v VALUES (?1, ?2, ?3, ?4, ?5, ?6)", {Variant("not a date"), Variant(), Variant::Null(),
                                                                 Variant(int32_t{7}), Variant(int16_t{3}), Variant(false)});

    // The stored text is what SQL comparisons see.
    auto raw = db->Query("SELECT FDay || '' AS d, FMoment || '' AS m, FFlag, typeof(FFlag) AS ft FROM v WHERE rowid = 1");
    EXPECT_EQ(raw->Field("d").ToString(), "2024-03-01");
    EXPECT_EQ(raw->Field("m").ToString(), "2024-03-01 13:05:09");
    EXPECT_EQ(raw->Field("ft").ToString(), "integer");
    EXPECT_EQ(raw->Field("FFlag"), Variant(int32_t{1}));

    auto rows = db->Query("SELECT FDay, FMoment, FText, FInt, FReal FROM v ORDER BY rowid");
    ASSERT_EQ(rows->RecordCount(), 2);
    EXPECT_EQ(rows->Field("FDay"), Variant(day));
    EXPECT_EQ(rows->Field("FMoment"), Variant(moment));
    EXPECT_EQ(rows->Field("FInt").Type(), VarType::Double);  // beyond 32 bits
    EXPECT_EQ(rows->Field("FInt").ToDouble(), 5e9);
    EXPECT_EQ(rows->Field("FReal").Type(), VarType::Double);
    rows->MoveNext();
    EXPECT_EQ(rows->Field("FDay"), Variant("not a date"));
    EXPECT_TRUE(rows->Field("FMoment").IsNull());
    EXPECT_TRUE(rows->Field("FText").IsNull());
    EXPECT_EQ(rows->Field("FInt"), Variant(int32_t{7}));

    EXPECT_THROW(db->Execute("INSERT INTO v (FInt) VALUES (?1)", {}), tolm::HostError);
    EXPECT_THROW(db->Execute("INSERT INTO v (FInt) VALUES (?1)", {Variant(1), Variant(2)}), tolm::HostError);
}

TEST(SqliteDatabase, NestedTransactionsCommitOnlyAtTheOutermostLevel) {
    auto db = OpenDatabase(":memory:");
    db->Execute("CREATE TABLE t (v INTEGER)");

    db->Begin();
    db->Execute("INSERT INTO t VALUES (1)");
    {
        Transaction inner(*db);
        db->Execute("INSERT INTO t VALUES (2)");
        // Left without Commit: only the inner work is undone.
    }
    {
        Transaction inner(*db);
        db->Execute("INSERT INTO t VALUES (3)");
        inner.Commit();
    }
    EXPECT_TRUE(db->InTransaction());
    db->Rollback();
    EXPECT_FALSE(db->InTransaction());
    EXPECT_EQ(Count(*db, "t"), 0) << "an inner commit must not store anything on its own";

    {
        Transaction outer(*db);
        db->Execute("INSERT INTO t VALUES (4)");
        {
            Transaction inner(*db);
            db->Execute("INSERT INTO t VALUES (5)");
            inner.Commit();
        }
        outer.Commit();
    }
    EXPECT_EQ(Count(*db, "t"), 2);
    EXPECT_THROW(db->Commit(), tolm::HostError);
}

TEST(SqliteDatabase, ARefusedCommitLeavesNothingAndTheConnectionUsable) {
    auto db = OpenDatabase(":memory:");
    db->Execute("CREATE TABLE parent (id INTEGER PRIMARY KEY)");
    db->Execute("CREATE TABLE child (id INTEGER REFERENCES parent (id) DEFERRABLE INITIALLY DEFERRED)");

    Transaction transaction(*db);
    db->Execute("INSERT INTO child VALUES (9)");
    EXPECT_THROW(transaction.Commit(), tolm::HostError);
    EXPECT_FALSE(db->InTransaction());
    EXPECT_EQ(Count(*db, "child"), 0);

    db->Execute("INSERT INTO parent VALUES (9)");
    EXPECT_EQ(Count(*db, "parent"), 1);
}

// SQLite may end the whole transaction by itself (OR ROLLBACK here; a full disk or
// an I/O error in the field). Whatever the caller runs after that must not be
// stored statement by statement behind its back.
TEST(SqliteDatabase, ATransactionTheDatabaseEndedRefusesEverythingUntilRolledBack) {
    auto db = OpenDatabase(":memory:");
    db->Execute("CREATE TABLE t (v INTEGER UNIQUE)");
    db->Execute("INSERT INTO t VALUES (1)");

    auto expectRefused = [&](auto&& action, const char* what) {
        try {
            action();
            ADD_FAILURE() << what << " ran in a transaction the database had ended";
        } catch (const tolm::HostError& error) {
            EXPECT_EQ(error.Number(), tolm::err::Database) << what;
            EXPECT_NE(error.Description().find("rolled back"), std::string::npos) << error.Description();
        }
    };

    db->Begin();
    db->Execute("INSERT INTO t VALUES (2)");
    try {
        db->Execute("INSERT OR ROLLBACK INTO t VALUES (1)");
        FAIL() << "a duplicate was stored";
    } catch (const tolm::HostError& error) {
        EXPECT_NE(error.Description().find("whole transaction"), std::string::npos) << error.Description();
    }
    expectRefused([&] { db->Execute("INSERT INTO t VALUES (3)"); }, "an insert");
    expectRefused([&] { db->Query("SELECT v FROM t"); }, "a query");
    expectRefused([&] { db->ExecuteScript("INSERT INTO t VALUES (4)"); }, "a script");
    expectRefused([&] { db->Begin(); }, "an inner level");
    EXPECT_TRUE(db->InTransaction());
    db->Rollback();
    EXPECT_FALSE(db->InTransaction());
    EXPECT_EQ(Count(*db, "t"), 1) << "nothing after the loss was stored on its own";

    // Nested: the inner levels end one by one, and only the outermost ending frees
    // the connection; a commit on the way says that nothing was stored.
    {
        Transaction outer(*db);
        {
            Transaction inner(*db);
            db->Execute("INSERT INTO t VALUES (5)");
            EXPECT_THROW(db->Execute("INSERT OR ROLLBACK INTO t VALUES (1)"), tolm::HostError);
            EXPECT_THROW(inner.Commit(), tolm::HostError);
        }
        expectRefused([&] { db->Execute("INSERT INTO t VALUES (6)"); }, "an insert after the inner level");
        EXPECT_THROW(outer.Commit(), tolm::HostError);
    }
    EXPECT_FALSE(db->InTransaction());
    EXPECT_EQ(Count(*db, "t"), 1);

    // The connection works normally again.
    {
        Transaction transaction(*db);
        db->Execute("INSERT INTO t VALUES (7)");
        transaction.Commit();
    }
    EXPECT_EQ(Count(*db, "t"), 2);
}

TEST(SqliteDatabase, NewFileGetsWriteAheadLogAndForeignKeys) {
    test::TempDir dir;
    auto db = OpenDatabase(dir / "company.db");
    EXPECT_EQ(db->Query("PRAGMA journal_mode")->Field("journal_mode").ToString(), "wal");
    EXPECT_EQ(db->Query("PRAGMA foreign_keys")->Field("foreign_keys").ToLong(), 1);
    EXPECT_EQ(db->SqlDialect().Name(), "sqlite");

    // An empty file is a new database, not a foreign one.
    test::WriteFile(dir / "empty.db", "");
    EXPECT_NO_THROW(OpenDatabase(dir / "empty.db"));
}

TEST(SqliteDatabase, RefusesFilesThatAreNotOursAndLeavesThemAlone) {
    test::TempDir dir;
    auto text = dir / "notes.db";
    std::string content = "FNumber,FName\r\n01,公司汇率\r\n";
    test::WriteFile(text, content);
    try {
        OpenDatabase(text);
        FAIL() << "a text file was opened as a database";
    } catch (const tolm::HostError& error) {
        EXPECT_EQ(error.Number(), tolm::err::Database);
        EXPECT_NE(error.Description().find("not an SQLite file"), std::string::npos);
    }
    EXPECT_EQ(test::ReadFile(text), content);

    // A genuine SQLite database of some other program.
    auto foreign = dir / "other.sqlite";
    {
        sqlite3* raw = nullptr;
        ASSERT_EQ(sqlite3_open(foreign.string().c_str(), &raw), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(raw, "CREATE TABLE customers (id INTEGER); INSERT INTO customers VALUES (1)", nullptr,
                               nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(raw);
    }
    std::string before = test::ReadFile(foreign);
    try {
        OpenDatabase(foreign);
        FAIL() << "another program's database was taken over";
    } catch (const tolm::HostError& error) {
        EXPECT_NE(error.Description().find("another program"), std::string::npos);
    }
    EXPECT_EQ(test::ReadFile(foreign), before);
    EXPECT_FALSE(std::filesystem::exists(foreign.string() + "-wal"));
}

}  // namespace
}  // namespace hub
