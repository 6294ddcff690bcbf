// The plug-in's SQL as it writes it, run through the data-access object on a real
// company database.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "model/company_setup.h"
#include "db/data_access.h"
#include "db/dialect_bridge.h"
#include "db/migrations.h"

namespace hub {
namespace {

using ::testing::ElementsAre;

// The three statements of the rate editor's save follow-up, as the plug-in joins them.
const std::string SaveFollowUp =
    "update t_ExchangeRateEntry set FNumber='01.USD.20240301',FName='公司汇率.美元.20240301',"
    "FReverseExRate=0.1471,FExchangeRateType=1 where FID=%ID%\r\n"
    "update t_ExchangeRate set FLevels=2, FDigits=4 where FID=%ID%\r\n"
    "update ICClassType set fid = fid  where FID = 1014002";

std::string WithId(std::string text, int64_t id) {
    for (size_t at; (at = text.find("%ID%")) != std::string::npos;) text.replace(at, 4, std::to_string(id));
    return text;
}

TEST(DialectBridge, SplitsABatchOnlyWhereANewStatementStarts) {
    EXPECT_EQ(SplitBatch(WithId(SaveFollowUp, 7)).size(), 3u);

    // A line break inside a literal, even one followed by a keyword, is text.
    EXPECT_THAT(SplitBatch("update t set FRemark='line one\r\nselect two' where FID=1\nupdate t set FDigits=2"),
                ElementsAre("update t set FRemark='line one\r\nselect two' where FID=1", "update t set FDigits=2"));
    EXPECT_EQ(SplitBatch("update t set FName='it''s\nselect' where FID=1").size(), 1u);

    // The list filter: one condition over two lines.
    std::string filter =
        "select count(*) from t_ExchangeRate where t_ExchangeRate.FIsNativeRate=0  \r\n"
        " AND t_ExchangeRateEntry.FCyTo IN (1,2)";
    EXPECT_THAT(SplitBatch(filter), ElementsAre(filter));

    // Lines that start with a keyword but cannot start a statement here.
    EXPECT_EQ(SplitBatch("insert into t (a)\r\nselect 1").size(), 1u);
    EXPECT_EQ(SplitBatch("select 1 union all\r\nselect 2").size(), 1u);
    EXPECT_EQ(SplitBatch("select * from t where FID in (\r\nselect FID from u)").size(), 1u);
    EXPECT_EQ(SplitBatch("with x as (select 1 as a)\nselect a from x").size(), 1u);

    EXPECT_THAT(SplitBatch("\r\n  \r\n-- only a remark\r\n"), ElementsAre());
    // Text on one line: blanks around it go, a remark alone is no statement.
    EXPECT_THAT(SplitBatch("\t select 1 /* a */ "), ElementsAre("select 1 /* a */"));
    EXPECT_THAT(SplitBatch("/* a */ -- b"), ElementsAre());
    EXPECT_THAT(SplitBatch("   "), ElementsAre());
}

TEST(DialectBridge, TurnsTopIntoLimitAtTheEndOfItsSelect) {
    EXPECT_EQ(TranslateStatement("select top 1 1 from t_ExchangeRate where FParentID=5 and FIsNativeRate<>1", SqliteDialect()),
              "select 1 from t_ExchangeRate where FParentID=5 and FIsNativeRate<>1 limit 1");
    EXPECT_EQ(TranslateStatement("SELECT DISTINCT TOP 10 FCyTo FROM t ORDER BY FCyTo", SqliteDialect()),
              "SELECT DISTINCT FCyTo FROM t ORDER BY FCyTo limit 10");
    EXPECT_EQ(TranslateStatement("select a from t where FID in (select top (2) FID from u order by FID) -- first two", SqliteDialect()),
              "select a from t where FID in (select FID from u order by FID limit (2)) -- first two");
    EXPECT_EQ(TranslateStatement("select 'top 5' from t", SqliteDialect()), "select 'top 5' from t");
    // What the count holds moves to the limit translated, and the text it leaves is
    // not edited twice.
    EXPECT_EQ(TranslateStatement("select top ([Number]) a from t where d > '2024-3-1'", PostgresDialect()),
              "select a from t where d > '2024-03-01' limit (\"number\")");

    EXPECT_THROW(TranslateStatement("select top 10 percent a from t", SqliteDialect()), tolm::HostError);
    EXPECT_THROW(TranslateStatement("select top 1 a from t union select b from u", SqliteDialect()), tolm::HostError);
}

TEST(DialectBridge, DateLiteralsInTheMachinesFormatCompareInDateOrder) {
    EXPECT_EQ(TranslateStatement("select 1 from t where FEndDate>='2024-3-1'", SqliteDialect()),
              "select 1 from t where FEndDate>='2024-03-01'");
    EXPECT_EQ(TranslateStatement("select 1 from t where FEndDate>='2024/03/01 8:30'", SqliteDialect()),
              "select 1 from t where FEndDate>='2024-03-01 08:30:00'");
    // Codes, invalid days and text are left alone.
    EXPECT_EQ(TranslateStatement("select '01.USD.20240301', '2024-2-30', '2024-03'", SqliteDialect()),
              "select '01.USD.20240301', '2024-2-30', '2024-03'");
}

TEST(DialectBridge, ANegatedChoiceOfComparisonsBecomesRanges) {
    const std::pair<const char*, const char*> cases[] = {
        // The rate editor's overlap check.
        {"select 1 from t_exchangerateEntry where FID<>0 and FCyTo=2  and NOT (FBegDate>'2024-3-31' or FEndDate<'2024-3-1' )",
         "select 1 from t_exchangerateEntry where FID<>0 and FCyTo=2  and  (FBegDate<='2024-03-31' and FEndDate>='2024-03-01' )"},
        {"select 1 where not (e.a = 1 OR \"b\" <> 'x' or c >= 2.5 or d <= e or f != g)",
         "select 1 where  (e.a <> 1 and \"b\" = 'x' and c < 2.5 and d > e and f = g)"},
        // Anything but plain comparisons joined by "or" stays as written.
        {"select 1 where not (a > 1 and b < 2)", nullptr},
        {"select 1 where not (f(a) > 1)", nullptr},
        {"select 1 where not (a > 1 or b)", nullptr},
        {"select 1 where not exists (select 1 from t where a > 1)", nullptr},
        {"select 1 where a is not (b > 1)", nullptr},
        {"select 1 where not not (b > 1)", nullptr},
        {"select 1 where not (a > (select 1))", nullptr},
    };
    for (const auto& [sql, expected] : cases) {
        EXPECT_EQ(TranslateStatement(sql, PostgresDialect()), expected != nullptr ? expected : sql) << sql;
    }
    // Two quoted names become one name as the server writes it: rewritten at once,
    // so that a second translation changes nothing.
    const std::string once = TranslateStatement("select 1 where not (a = \"x\"[b] or c > 1)", PostgresDialect());
    EXPECT_EQ(once, "select 1 where  (a <> \"x\"\"b\" and c <= 1)");
    EXPECT_EQ(TranslateStatement(once, PostgresDialect()), once);
}

TEST(DialectBridge, ReadsProcedureCalls) {
    BridgeStatement call = ParseStatement("exec p_BASE_CreateLogView 'S1_2'", SqliteDialect());
    EXPECT_EQ(call.kind, BridgeStatement::Kind::Procedure);
    EXPECT_EQ(call.procedure, "p_BASE_CreateLogView");
    EXPECT_THAT(call.args, ElementsAre("S1_2"));

    call = ParseStatement("EXECUTE dbo.[p_Other] 'it''s, quoted', 42 , N'文本', ;", SqliteDialect());
    EXPECT_EQ(call.procedure, "p_Other");
    EXPECT_THAT(call.args, ElementsAre("it's, quoted", "42", "文本", ""));

    EXPECT_TRUE(ParseStatement("exec p_NoArgs", SqliteDialect()).args.empty());
    EXPECT_THROW(ParseStatement("exec ('select 1')", SqliteDialect()), tolm::HostError);
    EXPECT_EQ(ParseStatement("select 1", SqliteDialect()).kind, BridgeStatement::Kind::Sql);
}

class DataAccessScenario : public ::testing::Test {
protected:
    void SetUp() override {
        m_db = OpenDatabase(":memory:");
        InitCompany(*m_db, true);
        m_access = std::make_shared<DataAccess>(m_db);
    }

    int64_t FirstRateId() {
        return m_db->Query("SELECT MIN(FID) AS id FROM t_ExchangeRateEntry")->Field("id").ToLong();
    }

    int32_t ClassTypeVersion() {
        return m_db->Query("SELECT FVersion FROM ICClassType WHERE FID = 1014002")->Field("FVersion").ToLong();
    }

    std::shared_ptr<Database> m_db;
    std::shared_ptr<DataAccess> m_access;
};

TEST_F(DataAccessScenario, TheSaveFollowUpRunsAsOneBatch) {
    int64_t id = FirstRateId();
    int32_t version = ClassTypeVersion();
    m_access->Execute(WithId(SaveFollowUp, id));

    auto entry = m_db->Query("SELECT FNumber, FReverseExRate FROM t_ExchangeRateEntry WHERE FID = ?1", {tolm::Variant(id)});
    EXPECT_EQ(entry->Field("FNumber").ToString(), "01.USD.20240301");
    EXPECT_DOUBLE_EQ(entry->Field("FReverseExRate").ToDouble(), 0.1471);
    EXPECT_EQ(ClassTypeVersion(), version + 1) << "touching the class type must register as a change";
}

TEST_F(DataAccessScenario, AFailingStatementTakesTheWholeBatchBack) {
    int64_t id = FirstRateId();
    int32_t version = ClassTypeVersion();
    std::string batch = WithId(
        "update t_ExchangeRateEntry set FNumber='changed' where FID=%ID%\r\n"
        "update t_NoSuchTable set FLevels=2 where FID=%ID%\r\n"
        "update ICClassType set fid = fid  where FID = 1014002",
        id);
    try {
        m_access->Execute(batch);
        FAIL() << "the batch went through";
    } catch (const tolm::HostError& error) {
        EXPECT_EQ(error.Number(), tolm::err::Database);
        EXPECT_NE(error.Description().find("t_NoSuchTable"), std::string::npos);
    }
    EXPECT_NE(m_db->Query("SELECT FNumber FROM t_ExchangeRateEntry WHERE FID = ?1", {tolm::Variant(id)})
                  ->Field("FNumber")
                  .ToString(),
              "changed");
    EXPECT_EQ(ClassTypeVersion(), version);
    EXPECT_FALSE(m_db->InTransaction());

    // A second statement smuggled in after a semicolon is refused with its batch.
    EXPECT_THROW(m_access->Execute("update t_ExchangeRate set FRemark='x' where FID=1; delete from t_Log"),
                 tolm::HostError);
    EXPECT_GT(m_db->Query("SELECT count(*) AS n FROM t_Log")->Field("n").ToLong(), 0);
}

TEST_F(DataAccessScenario, QueriesRunAsThePluginWritesThem) {
    // The type dialog's "does this type have rates" test.
    auto rates = m_access->Query("select top 1 1 from t_ExchangeRate where FParentID=1 and FIsNativeRate<>1");
    EXPECT_EQ(rates->RecordCount(), 1);
    auto none = m_access->Query("select top 1 1 from t_ExchangeRate where FParentID=2 and FIsNativeRate<>1");
    EXPECT_TRUE(none->IsEOF());

    // The list filter, appended to a list query, with a period start in the
    // machine's date format.
    auto latest = m_db->Query("SELECT MAX(FBegDate) AS d FROM t_ExchangeRateEntry")->Field("d").ToDate();
    std::chrono::year_month_day day{std::chrono::floor<std::chrono::days>(latest)};
    // As regional settings may write it: compared as text, '2024/3/1' would sort
    // after every stored date.
    std::string periodStart = std::to_string(static_cast<int>(day.year())) + "/" +
                              std::to_string(static_cast<unsigned>(day.month())) + "/1";
    auto listed = m_access->Query(
        "select count(*) as n from t_ExchangeRate join t_ExchangeRateEntry on t_ExchangeRateEntry.FID = t_ExchangeRate.FID "
        "where t_ExchangeRate.FIsNativeRate=0   AND t_ExchangeRateEntry.FEndDate>='" +
        periodStart + "'\r\n AND t_ExchangeRateEntry.FCyTo IN (2,3)");
    // USD and EUR, one rate each under the two demo types for the latest month.
    EXPECT_EQ(listed->Field("n").ToLong(), 4);

    EXPECT_THROW(m_access->Query("select 1\r\nselect 2"), tolm::HostError);
}

TEST_F(DataAccessScenario, TheEditorsOverlapCheckReadsOnlyThePeriodsEndingAfterTheNewBegin) {
    const auto check = [](const std::string& begin, const std::string& end) {
        return "select 1 from t_exchangerateEntry where FID<>0 and FCyTo=2 and FExchangeRateType=1  and NOT (FBegDate>'" +
               end + "' or FEndDate<'" + begin + "' )";
    };
    const std::string latest = m_db->Query("SELECT MAX(FEndDate) AS d FROM t_ExchangeRateEntry WHERE FCyTo = 2 AND "
                                           "FExchangeRateType = 1")->Field("d").ToText();
    EXPECT_FALSE(m_access->Query(check(latest, "9999-12-31"))->IsEOF());
    EXPECT_TRUE(m_access->Query(check("9000-1-1", "9000-1-31"))->IsEOF());
    // Not the whole history of the currency: a new period after it costs one step.
    const std::string plan =
        m_db->Query("EXPLAIN QUERY PLAN " + TranslateStatement(check("9000-1-1", "9000-1-31"), SqliteDialect()))
            ->Field("detail")
            .ToText();
    EXPECT_THAT(plan, ::testing::HasSubstr("ix_ExchangeRateEntry_PeriodEnd"));
    EXPECT_THAT(plan, ::testing::HasSubstr("FEndDate>?"));
}

TEST_F(DataAccessScenario, ExecRunsAHostProcedureInsideTheBatch) {
    std::string session = m_access->SessionText();
    m_db->Execute("DROP VIEW v_BASE_LogForQEL");
    m_access->Execute("exec p_BASE_CreateLogView '" + session + "'");

    auto log = m_access->Query("select FDate, FUserName from v_BASE_LogForQEL order by v_BASE_LogForQEL.FDate DESC");
    ASSERT_FALSE(log->IsEOF());
    EXPECT_EQ(log->Field("FDate").Type(), tolm::VarType::Date);

    // An unknown procedure fails, and the statement before it is undone.
    EXPECT_THROW(m_access->Execute("update t_ExchangeRate set FRemark='x' where FID=1\r\nexec p_Missing 1"),
                 tolm::HostError);
    EXPECT_EQ(m_db->Query("SELECT FRemark FROM t_ExchangeRate WHERE FID = 1")->Field("FRemark").ToString(), "");
}

TEST_F(DataAccessScenario, SessionHooksDefaultToSafeAnswers) {
    std::string extra;
    EXPECT_EQ(m_access->LookupText("查看", extra), "查看");
    EXPECT_FALSE(m_access->CheckRight(65000, 4, 0, true, "查看"));
    DataAccess other(m_db);
    EXPECT_EQ(m_access->SessionText(), m_access->SessionText());
    EXPECT_NE(m_access->SessionText(), other.SessionText());
    EXPECT_EQ(m_access->SessionText().find_first_not_of(
                  "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_"),
              std::string::npos);

    DataAccessHooks hooks;
    hooks.checkRight = [](int32_t object, int32_t access, int32_t, bool, const std::string&) {
        return object == 65000 && access == 4;
    };
    DataAccess granted(m_db, hooks);
    EXPECT_TRUE(granted.CheckRight(65000, 4, 0, true, "查看"));
    EXPECT_FALSE(granted.CheckRight(65000, 8, 0, true, "删除"));
}

}  // namespace
}  // namespace hub
