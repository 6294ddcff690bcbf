// The operation log: writing records, and deleting those a filter selects without
// letting the filter do anything else.
#include "base/clock.h"
#include "model/user_store.h"
#include "services/services_fixture.h"
#include "services/sql_condition.h"
#include "tolm/host_error.h"

namespace {

using hub::test::ServicesTest;
namespace rights = hub::rights;
using tolm::Variant;

class LogServerTest : public ServicesTest {
protected:
    std::shared_ptr<tolm::ILogServer> Log() { return tolm::CreateObject<tolm::ILogServer>(tolm::classname::LogServer); }

    bool Write(const std::string& key, const std::string& text, const std::string& machine = {},
               const std::string& address = {}) {
        int32_t kind = 5;
        return Log()->WriteLog(Props(), key, kind, text, machine, address).ToBool();
    }

    bool Delete(std::string filter) { return Log()->DelLogByFilter(Props(), filter).ToBool(); }

    int32_t Records() { return Count("SELECT COUNT(*) FROM t_Log"); }
};

TEST_F(LogServerTest, WriteStoresOneRecordOfTheSessionsUserAndMachine) {
    auto session = LogIn("accountant");
    const int32_t before = Records();
    ASSERT_TRUE(Write("QEL1014002_mnuCheck", "汇率审核完成-汇率代码：01.USD.20240101"));

    auto row = m_db->Query(
        "SELECT FDate, FUserName, FFunctionID, FOperateType, FDescription, FMachineName, FIPAddress"
        " FROM v_BASE_LogForQEL ORDER BY FID DESC LIMIT 1");
    EXPECT_EQ(Records(), before + 1);
    EXPECT_EQ(row->Field("FUserName").ToText(), "accountant");
    EXPECT_EQ(row->Field("FFunctionID").ToText(), "QEL1014002_mnuCheck");
    EXPECT_EQ(row->Field("FOperateType").ToLong(), 5);
    EXPECT_EQ(row->Field("FDescription").ToText(), "汇率审核完成-汇率代码：01.USD.20240101");
    EXPECT_EQ(row->Field("FMachineName").ToText(), session->MachineName());
    EXPECT_EQ(row->Field("FIPAddress").ToText(), session->IpAddress());
    const auto age = hub::LocalNow() - row->Field("FDate").ToDate();
    EXPECT_LE(std::chrono::abs(age), std::chrono::seconds(5)) << "stamped with the local time";

    ASSERT_TRUE(Write("QEL1014002_mnuEditDel", "删除汇率类型[X]完成", "PC-7", "10.0.0.7"));
    row = m_db->Query("SELECT FMachineName, FIPAddress FROM t_Log ORDER BY FID DESC LIMIT 1");
    EXPECT_EQ(row->Field("FMachineName").ToText(), "PC-7");
    EXPECT_EQ(row->Field("FIPAddress").ToText(), "10.0.0.7");
}

TEST_F(LogServerTest, AMachineNameOrAnAddressGivenAloneIsKept) {
    auto session = LogIn("accountant");
    auto last = [&] { return m_db->Query("SELECT FMachineName, FIPAddress FROM t_Log ORDER BY FID DESC LIMIT 1"); };

    ASSERT_TRUE(Write("QEL1014002_mnuCheck", "machine only", "PC-7", ""));
    auto row = last();
    EXPECT_EQ(row->Field("FMachineName").ToText(), "PC-7");
    EXPECT_EQ(row->Field("FIPAddress").ToText(), session->IpAddress());

    ASSERT_TRUE(Write("QEL1014002_mnuCheck", "address only", "", "10.0.0.7"));
    row = last();
    EXPECT_EQ(row->Field("FMachineName").ToText(), session->MachineName());
    EXPECT_EQ(row->Field("FIPAddress").ToText(), "10.0.0.7");
}

TEST_F(LogServerTest, DeleteRemovesOnlyTheRowsTheConditionSelects) {
    LogIn("administrator");
    Write("QEL1014002_mnuCheck", "keep me");
    Write("QEL1014002_mnuEditDel", "delete me");
    Write("QEL1014002_mnuEditDel", "delete me too");
    const int32_t before = Records();

    EXPECT_TRUE(Delete("FFunctionID = 'QEL1014002_mnuEditDel' AND FUserName = 'administrator'"));
    EXPECT_EQ(Records(), before - 2);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM t_Log WHERE FDescription = 'keep me'"), 1);

    EXPECT_FALSE(Delete("FFunctionID = 'no such key'")) << "nothing matched, nothing removed";
    EXPECT_EQ(Records(), before - 2);

    m_db->Execute(
        "INSERT INTO t_Log (FDate, FUserID, FFunctionID, FDescription) VALUES ('2030-05-02 10:00:00', 1, 'K', 'May')");
    EXPECT_TRUE(Delete("FDate >= '2030-5-1' AND FDate < '2030-5-3'")) << "dates as a person writes them";
    EXPECT_EQ(Count("SELECT COUNT(*) FROM t_Log WHERE FDescription = 'May'"), 0);

    EXPECT_TRUE(Delete("   "));
    EXPECT_EQ(Records(), 0) << "an empty condition selects every record";
}

TEST_F(LogServerTest, ConditionsThatAreNotOneExpressionDeleteNothing) {
    LogIn("administrator", "en");
    Write("QEL1014002_mnuCheck", "codes 01;02");
    const int32_t before = Records();

    const char* hostile[] = {
        "1=1; DROP TABLE t_Log",
        "FDescription = 'open",
        "1=1 -- and more",
        "1=1 /* comment */",
        "(1=1",
        "1=1) OR (1=1",
        "FNoSuchColumn = 1",
        "1=1 OR",
    };
    for (const char* condition : hostile) {
        EXPECT_THROW(Delete(condition), tolm::HostError) << condition;
        EXPECT_EQ(Records(), before) << condition;
    }
    try {
        Delete("1=1; DROP TABLE t_Log");
    } catch (const tolm::HostError& error) {
        EXPECT_EQ(error.Description(),
                  "Invalid log filter condition: The condition cannot contain more than one statement (;).");
    }
    EXPECT_TRUE(Delete("FDescription LIKE '%;%' OR FDescription = 'it''s -- (not a comment'"))
        << "quoted text may hold anything";
    EXPECT_EQ(Records(), before - 1);
}

TEST_F(LogServerTest, DeletingNeedsTheLogDeleteRight) {
    SetRights("auditor", rights::LogSubsystem, rights::LogView);
    LogIn("auditor");
    const int32_t before = Records();
    EXPECT_THROW(Delete(""), tolm::HostError);
    EXPECT_EQ(Records(), before);

    SetRights("auditor", rights::LogSubsystem, rights::LogView | rights::LogDelete);
    EXPECT_TRUE(Delete(""));
}

TEST(ConditionCheck, TellsQuotedTextFromTheExpressionAroundIt) {
    EXPECT_EQ(hub::ConditionFault("FUserName = 'o''brien' AND (FOperateType = 5)"), std::nullopt);
    EXPECT_EQ(hub::ConditionFault("\"FUserName\" = 'a;b' AND [FDate] >= '2024-01-01'"), std::nullopt);
    EXPECT_EQ(hub::ConditionFault("FDescription = ')'"), std::nullopt);
    EXPECT_NE(hub::ConditionFault("FDescription = 'x'; DELETE FROM t_User"), std::nullopt);
    EXPECT_NE(hub::ConditionFault("[a]];DROP TABLE t_Log"), std::nullopt) << "a bracketed name has no escape";
    EXPECT_NE(hub::ConditionFault("'it''s"), std::nullopt);
    EXPECT_NE(hub::ConditionFault(std::string("1=1\0 OR 1=1", 11)), std::nullopt);
    EXPECT_NE(hub::ConditionFault(std::string("FDescription = 'a\0'; DELETE FROM t_User", 39)), std::nullopt)
        << "the database would stop reading at the NUL";
}

// The condition is read as the database layer reads statements: a name quoted
// with backticks is one name, whatever it holds.
TEST(ConditionCheck, ReadsQuotesAsTheDatabaseDoes) {
    EXPECT_EQ(hub::ConditionFault("`FUser;Name` = 'a' AND `it's` = 1"), std::nullopt);
    EXPECT_NE(hub::ConditionFault("`FUserName = 1"), std::nullopt);
    EXPECT_NE(hub::ConditionFault("FUserName = 'x' /* open"), std::nullopt);
}

}  // namespace
