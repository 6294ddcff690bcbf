// Audit of rates and the exchange-rate types, as any client of the component
// meets them.
#include <sqlite3.h>

#include <chrono>
#include <filesystem>

#include "base/clock.h"
#include "model/user_store.h"
#include "services/services_fixture.h"
#include "support/temp_dir.h"
#include "tolm/host_error.h"
#include "tolm/host_library.h"

namespace {

using hub::test::ServicesTest;
namespace rights = hub::rights;
using tolm::Variant;

class ExRateUpdateTest : public ServicesTest {
protected:
    std::shared_ptr<tolm::IExRateUpdate> Service() {
        return tolm::CreateObject<tolm::IExRateUpdate>(tolm::classname::ExRateUpdate);
    }

    // Ids (decimal text) of the rates meeting a condition, by id.
    std::vector<std::string> RateIds(const std::string& condition, int limit) {
        auto rows = m_db->Query("SELECT FID FROM t_ExchangeRateEntry WHERE " + condition + " ORDER BY FID LIMIT " +
                                std::to_string(limit));
        std::vector<std::string> ids;
        for (; !rows->IsEOF(); rows->MoveNext()) ids.push_back(rows->Field("FID").ToText());
        return ids;
    }

    bool Check(const std::vector<std::string>& ids, bool audit) {
        auto batch = std::make_shared<tolm::Collection>();
        for (const std::string& id : ids) batch->Add(Variant(id));
        return Service()->ExchangeRateCheck(Props(), batch, audit).ToBool();
    }

    int32_t Auditor(const std::string& id) {
        return Count("SELECT FChkUserID FROM t_ExchangeRateEntry WHERE FID = ?1", {Variant(id)});
    }

    std::string Code(const std::string& id) {
        return Scalar("SELECT FNumber FROM t_ExchangeRateEntry WHERE FID = ?1", {Variant(id)}).ToText();
    }

    static std::shared_ptr<tolm::NameValueRecord> Type(const std::string& number, const std::string& name,
                                                       Variant digits, int32_t id = 0, const std::string& remark = {}) {
        auto record = std::make_shared<tolm::NameValueRecord>();
        record->SetValue("FNumber", Variant(number));
        record->SetValue("FName", Variant(name));
        record->SetValue("FDigits", digits);
        record->SetValue("FRemark", Variant(remark));
        record->SetValue("FID", Variant(id));
        return record;
    }

    int32_t TypeId(const std::string& number) {
        return Count("SELECT FID FROM t_ExchangeRate WHERE FLevels = 1 AND FNumber = ?1", {Variant(number)});
    }

    // The refusal's message, or "" when the call went through.
    template <class F>
    std::string Refusal(F&& call) {
        try {
            call();
        } catch (const tolm::HostError& error) {
            EXPECT_EQ(error.Number(), tolm::err::Refused) << error.Description();
            return error.Description();
        }
        return {};
    }
};

// ---- audit ---------------------------------------------------------------------------------

TEST_F(ExRateUpdateTest, AuditRecordsTheAuditorAndTodaysDate) {
    SetRights("auditor", rights::BaseDataSubsystem, rights::View | rights::Audit);
    LogIn("auditor");
    const auto ids = RateIds("FChkUserID = 0", 2);
    ASSERT_EQ(ids.size(), 2u);

    EXPECT_TRUE(Check(ids, true));
    const std::string today = tolm::FormatDate(std::chrono::floor<std::chrono::days>(hub::LocalNow()), "yyyy-MM-dd");
    for (const std::string& id : ids) {
        EXPECT_EQ(Auditor(id), UserId("auditor"));
        EXPECT_EQ(tolm::FormatDate(Scalar("SELECT FCheckDate FROM t_ExchangeRateEntry WHERE FID = ?1", {Variant(id)})
                                       .ToDate(),
                                   "yyyy-MM-dd"),
                  today);
    }
    EXPECT_TRUE(m_platform->MessageBoxes().empty());
}

TEST_F(ExRateUpdateTest, AuditIsAllOrNothing) {
    SetRights("auditor", rights::BaseDataSubsystem, rights::Audit);
    LogIn("auditor");
    const auto open = RateIds("FChkUserID = 0", 2);
    const auto done = RateIds("FChkUserID <> 0", 1);
    ASSERT_EQ(done.size(), 1u);

    EXPECT_FALSE(Check({open[0], done[0], open[1]}, true));
    EXPECT_EQ(Auditor(open[0]), 0) << "the rate before the refused one is left as it was";
    EXPECT_EQ(Auditor(open[1]), 0);
    EXPECT_EQ(Prompts(), std::vector<std::string>{"汇率[" + Code(done[0]) + "]已审核，不能重复审核。"});

    EXPECT_FALSE(Check({open[0], "999999"}, true));
    EXPECT_EQ(Auditor(open[0]), 0);
    EXPECT_EQ(Prompts().back(), "汇率[999999]不存在。");
}

TEST_F(ExRateUpdateTest, AuditAndReverseAuditEachNeedTheirRight) {
    SetRights("clerk", rights::BaseDataSubsystem, rights::View);
    SetRights("accountant", rights::BaseDataSubsystem, rights::View | rights::Audit);
    const auto open = RateIds("FChkUserID = 0", 1);
    const auto done = RateIds("FChkUserID <> 0", 1);

    LogIn("clerk", "en");
    EXPECT_FALSE(Check(open, true));
    EXPECT_EQ(Auditor(open[0]), 0);
    EXPECT_EQ(Prompts().back(), "Sorry, you do not have the right to audit exchange rates.");

    LogIn("accountant", "en");
    EXPECT_FALSE(Check(done, false));
    EXPECT_NE(Auditor(done[0]), 0);
    EXPECT_EQ(Prompts().back(), "Sorry, you do not have the right to unaudit exchange rates.");
}

TEST_F(ExRateUpdateTest, ReverseAuditRefusesRatesNotAudited) {
    LogIn("administrator");
    const auto open = RateIds("FChkUserID = 0", 1);
    const auto done = RateIds("FChkUserID <> 0", 1);
    EXPECT_FALSE(Check({done[0], open[0]}, false));
    EXPECT_NE(Auditor(done[0]), 0);
    EXPECT_EQ(Prompts().back(), "汇率[" + Code(open[0]) + "]未审核，不能反审核。");

    EXPECT_TRUE(Check(done, false));
    EXPECT_EQ(Auditor(done[0]), 0);
    EXPECT_TRUE(Scalar("SELECT FCheckDate FROM t_ExchangeRateEntry WHERE FID = ?1", {Variant(done[0])}).IsNull());
}

TEST_F(ExRateUpdateTest, SameUserOptionLeavesReverseAuditToTheAuditor) {
    SetRights("auditor", rights::BaseDataSubsystem, rights::Audit | rights::ReverseAudit);
    SetRights("accountant", rights::BaseDataSubsystem, rights::Audit | rights::ReverseAudit);
    const auto byAuditor = RateIds("FChkUserID = " + std::to_string(UserId("auditor")), 2);
    ASSERT_EQ(byAuditor.size(), 2u);
    m_db->Execute("UPDATE t_SystemProfile SET FValue = '1' WHERE FCategory = 'BaseData' AND FKey = 'CheckUser'");

    LogIn("accountant");
    EXPECT_FALSE(Check(byAuditor, false));
    EXPECT_EQ(Auditor(byAuditor[0]), UserId("auditor"));
    EXPECT_EQ(Prompts().back(), "汇率[" + Code(byAuditor[0]) + "]由其他用户审核，只有审核人才能反审核。");

    LogIn("auditor");
    EXPECT_TRUE(Check({byAuditor[0]}, false));
    EXPECT_EQ(Auditor(byAuditor[0]), 0);

    m_db->Execute("UPDATE t_SystemProfile SET FValue = '0' WHERE FCategory = 'BaseData' AND FKey = 'CheckUser'");
    LogIn("accountant");
    EXPECT_TRUE(Check({byAuditor[1]}, false)) << "without the option anyone with the right may reverse";
}

// A person may leave a message box open for minutes; meanwhile other clients must
// be able to write. Each refusal is told after its transaction is rolled back.
TEST_F(ExRateUpdateTest, RefusalsAreToldOnlyAfterTheWriteLockIsReleased) {
    hub::test::TempDir dir;
    const std::filesystem::path file = dir / "company.db";
    m_db = hub::OpenDatabase(file);
    hub::InitCompany(*m_db, true);
    SetRights("auditor", rights::BaseDataSubsystem, rights::Audit);

    struct Moment {
        bool inTransaction;
        int otherWriterResult;
    };
    std::vector<Moment> moments;
    m_platform->SetMessageBoxObserver([&](const hub::MessageBoxRecord&) {
        sqlite3* other = nullptr;
        int result = sqlite3_open(file.c_str(), &other);
        if (result == SQLITE_OK) result = sqlite3_exec(other, "BEGIN IMMEDIATE; ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(other);
        moments.push_back({m_db->InTransaction(), result});
    });

    LogIn("auditor");
    const auto open = RateIds("FChkUserID = 0", 1);
    const auto done = RateIds("FChkUserID <> 0", 1);
    EXPECT_FALSE(Check({open[0], done[0]}, true));
    EXPECT_FALSE(Check({open[0], "999999"}, true));
    EXPECT_FALSE(Check(done, false)) << "no reverse-audit right";
    EXPECT_EQ(Auditor(open[0]), 0);

    ASSERT_EQ(moments.size(), 3u);
    for (const Moment& moment : moments) {
        EXPECT_FALSE(moment.inTransaction);
        EXPECT_EQ(moment.otherWriterResult, SQLITE_OK) << "another client could not write while the message showed";
    }
    m_platform->SetMessageBoxObserver(nullptr);
    // The file goes with `dir`: nothing may hold it open then.
    hub::UnregisterServices();
    m_session.reset();
    m_db.reset();
}

TEST_F(ExRateUpdateTest, RepeatedIdsCountOnceAndMalformedIdsAreErrors) {
    LogIn("administrator");
    const auto open = RateIds("FChkUserID = 0", 1);
    EXPECT_TRUE(Check({open[0], " " + open[0] + " "}, true));
    EXPECT_EQ(Auditor(open[0]), UserId("administrator"));
    EXPECT_THROW(Check({"12abc"}, true), tolm::HostError);
    EXPECT_FALSE(Check({}, true));
}

// ---- exchange-rate types -------------------------------------------------------------------

TEST_F(ExRateUpdateTest, NewTypeGetsAnIdAboveEveryRateAndAtLeast1000) {
    LogIn("administrator");
    const double highest = Scalar(
                               "SELECT MAX(m) FROM (SELECT MAX(FID) AS m FROM t_ExchangeRate"
                               " UNION ALL SELECT MAX(FID) FROM t_ExchangeRateEntry)")
                               .ToDouble();
    auto record = Type("  CUS-2 ", " 海关汇率二 ", Variant(3), 0, " 备注 ");
    const int32_t id = Service()->CreateExchangeRateType(Props(), record).ToLong();

    EXPECT_GE(id, 1000);
    EXPECT_GT(id, highest);
    EXPECT_EQ(record->GetValue("FID").ToLong(), id) << "the caller learns the id through the record";
    auto row = m_db->Query("SELECT FNumber, FName, FDigits, FRemark, FLevels FROM t_ExchangeRate WHERE FID = ?1",
                           {Variant(id)});
    ASSERT_FALSE(row->IsEOF());
    EXPECT_EQ(row->Field("FNumber").ToText(), "CUS-2");
    EXPECT_EQ(row->Field("FName").ToText(), "海关汇率二");
    EXPECT_EQ(row->Field("FDigits").ToLong(), 3);
    EXPECT_EQ(row->Field("FRemark").ToText(), "备注");
    EXPECT_EQ(row->Field("FLevels").ToLong(), 1);
}

TEST_F(ExRateUpdateTest, CodesAndNamesAreUniqueIgnoringLetterCase) {
    LogIn("administrator");
    auto first = Type("ab-1", "Spot", Variant(4));
    Service()->CreateExchangeRateType(Props(), first);
    const int32_t types = Count("SELECT COUNT(*) FROM t_ExchangeRate WHERE FLevels = 1");

    auto sameCode = Type("AB-1", "Other", Variant(4));
    EXPECT_EQ(Refusal([&] { Service()->CreateExchangeRateType(Props(), sameCode); }), "汇率类型代码[AB-1]已存在。");
    auto sameName = Type("ab-2", "SPOT", Variant(4));
    EXPECT_EQ(Refusal([&] { Service()->CreateExchangeRateType(Props(), sameName); }), "汇率类型名称[SPOT]已存在。");
    auto presetName = Type("99", "公司汇率", Variant(4));
    EXPECT_FALSE(Refusal([&] { Service()->CreateExchangeRateType(Props(), presetName); }).empty());
    EXPECT_EQ(Count("SELECT COUNT(*) FROM t_ExchangeRate WHERE FLevels = 1"), types);

    auto renamed = Type("04", "Spot", Variant(2), TypeId("04"));
    EXPECT_EQ(Refusal([&] { Service()->UpdateExchangeRateType(Props(), renamed); }), "汇率类型名称[Spot]已存在。");
    auto unchanged = Type("AB-1", "spot", Variant(5), first->GetValue("FID").ToLong());
    EXPECT_EQ(Refusal([&] { Service()->UpdateExchangeRateType(Props(), unchanged); }), "")
        << "a type may change the letter case of its own code and name";
}

TEST_F(ExRateUpdateTest, FieldsOutsideTheirLimitsAreRefused) {
    LogIn("administrator", "en");
    struct Case {
        std::shared_ptr<tolm::NameValueRecord> record;
        std::string message;
    };
    std::vector<Case> cases = {
        {Type("  ", "Name", Variant(4)), "The code cannot be empty!"},
        {Type("X1", "", Variant(4)), "The name cannot be empty!"},
        {Type("X1", "Name", Variant(11)), "The rate precision must be a whole number from 0 to 10."},
        {Type("X1", "Name", Variant(-1)), "The rate precision must be a whole number from 0 to 10."},
        {Type("X1", "Name", Variant("four")), "The rate precision must be a whole number from 0 to 10."},
        {Type("X1", "Name", Variant(2.5)), "The rate precision must be a whole number from 0 to 10."},
        {Type("X.1", "Name", Variant(4)), "The code may contain only letters, digits and \"-\"."},
        {Type("X1", "It's", Variant(4)), "The name cannot contain single or double quotation marks."},
        {Type(std::string(21, 'X'), "Name", Variant(4)), "The code cannot be longer than 20 characters."},
    };
    for (auto& item : cases) {
        EXPECT_EQ(Refusal([&] { Service()->CreateExchangeRateType(Props(), item.record); }), item.message);
    }
    // Limits count characters: forty Chinese characters are a name of full length.
    std::string fortyCharacters;
    for (int i = 0; i < 40; ++i) fortyCharacters += "汇";
    auto widest = Type(std::string(20, 'X'), fortyCharacters, Variant(10));
    EXPECT_EQ(Refusal([&] { Service()->CreateExchangeRateType(Props(), widest); }), "");
    auto tooWide = Type("X2", fortyCharacters + "率", Variant(10));
    EXPECT_EQ(Refusal([&] { Service()->CreateExchangeRateType(Props(), tooWide); }),
              "The name cannot be longer than 40 characters.");
}

TEST_F(ExRateUpdateTest, PresetsKeepCodeAndNameAndAreNeverDeleted) {
    LogIn("administrator");
    auto renamed = Type("01", "公司汇率（新）", Variant(4), 1);
    EXPECT_EQ(Refusal([&] { Service()->UpdateExchangeRateType(Props(), renamed); }),
              "系统预设汇率类型的代码和名称不允许修改。");
    auto recoded = Type("X1", "公司汇率", Variant(4), 1);
    EXPECT_FALSE(Refusal([&] { Service()->UpdateExchangeRateType(Props(), recoded); }).empty());
    EXPECT_EQ(Scalar("SELECT FName FROM t_ExchangeRate WHERE FID = 1").ToText(), "公司汇率");

    auto remarked = Type("01", "公司汇率", Variant(6), 1, "每日更新");
    EXPECT_EQ(Refusal([&] { Service()->UpdateExchangeRateType(Props(), remarked); }), "");
    EXPECT_EQ(Scalar("SELECT FRemark FROM t_ExchangeRate WHERE FID = 1").ToText(), "每日更新");

    int32_t preset = 2;
    EXPECT_EQ(Refusal([&] { Service()->DeleteExchangeRateType(Props(), preset); }), "系统预设汇率类型不允许删除。");
    EXPECT_EQ(Count("SELECT COUNT(*) FROM t_ExchangeRate WHERE FID = 2"), 1);
}

TEST_F(ExRateUpdateTest, TypeWithRatesIsNotDeletedNorItsPrecisionLowered) {
    LogIn("administrator");
    const int32_t monthEnd = TypeId("03");
    ASSERT_GT(Count("SELECT COUNT(*) FROM t_ExchangeRate WHERE FParentID = ?1", {Variant(monthEnd)}), 0);

    int32_t id = monthEnd;
    EXPECT_EQ(Refusal([&] { Service()->DeleteExchangeRateType(Props(), id); }),
              "当前汇率类型下存在汇率记录，不允许删除！");
    auto lowered = Type("03", "月末汇率", Variant(5), monthEnd);
    EXPECT_EQ(Refusal([&] { Service()->UpdateExchangeRateType(Props(), lowered); }),
              "已存在汇率记录，修改后的汇率精度不能小于当前汇率精度。");
    auto raised = Type("03", "月末汇率", Variant(8), monthEnd);
    EXPECT_EQ(Refusal([&] { Service()->UpdateExchangeRateType(Props(), raised); }), "");
    EXPECT_EQ(Count("SELECT FDigits FROM t_ExchangeRate WHERE FID = ?1", {Variant(monthEnd)}), 8);

    const int32_t customs = TypeId("04");
    auto customsLowered = Type("04", "海关汇率", Variant(0), customs);
    EXPECT_EQ(Refusal([&] { Service()->UpdateExchangeRateType(Props(), customsLowered); }), "")
        << "without rates the precision may go down";
}

TEST_F(ExRateUpdateTest, TypeWithOnlyNativeRatesIsDeletedWithThem) {
    LogIn("administrator");
    const int32_t customs = TypeId("04");
    m_db->Execute(
        "INSERT INTO t_ExchangeRate (FID, FNumber, FName, FLevels, FParentID, FIsNativeRate)"
        " VALUES (900001, 'N', 'N', 2, ?1, 1)",
        {Variant(customs)});
    m_db->Execute(
        "INSERT INTO t_ExchangeRateEntry (FID, FCyTo, FExchangeRateType, FExchangeRate, FBegDate, FEndDate)"
        " VALUES (900001, 2, ?1, 1, '2024-01-01', '2024-12-31')",
        {Variant(customs)});

    int32_t id = customs;
    EXPECT_TRUE(Service()->DeleteExchangeRateType(Props(), id).ToBool());
    EXPECT_EQ(Count("SELECT COUNT(*) FROM t_ExchangeRate WHERE FID IN (?1, 900001)", {Variant(customs)}), 0);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM t_ExchangeRateEntry WHERE FID = 900001"), 0);

    EXPECT_EQ(Refusal([&] { Service()->DeleteExchangeRateType(Props(), id); }),
              "汇率类型[" + std::to_string(customs) + "]不存在。");
}

TEST_F(ExRateUpdateTest, TypeChangesNeedTheBaseDataRights) {
    SetRights("clerk", rights::BaseDataSubsystem, rights::View);
    LogIn("clerk");
    auto record = Type("C1", "Clerk type", Variant(4));
    EXPECT_THROW(Service()->CreateExchangeRateType(Props(), record), tolm::HostError);
    int32_t customs = TypeId("04");
    EXPECT_THROW(Service()->DeleteExchangeRateType(Props(), customs), tolm::HostError);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM t_ExchangeRate WHERE FID = ?1", {Variant(customs)}), 1);

    SetRights("clerk", rights::BaseDataSubsystem, rights::New);
    EXPECT_GE(Service()->CreateExchangeRateType(Props(), record).ToLong(), 1000);
}

}  // namespace
