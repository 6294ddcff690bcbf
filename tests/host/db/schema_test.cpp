// The embedded company schema: what only SQLite needs checking (dates stored as
// text, its triggers); what every backend keeps is in backend_conformance_test.cpp.
#include <gtest/gtest.h>

#include "model/company_setup.h"
#include "tolm/base_data.h"
#include "model/rate_store.h"
#include "db/migrations.h"
#include "support/temp_dir.h"

namespace hub {
namespace {

using tolm::Variant;

int64_t Scalar(Database& db, const std::string& sql, const Params& params = {}) {
    return static_cast<int64_t>(db.Query(sql, params)->Field("n").ToDouble());
}

TEST(Migrations, ADatabaseOfANewerProgramIsRefusedAndKept) {
    test::TempDir dir;
    auto path = dir / "company.db";
    {
        auto db = OpenDatabase(path);
        Migrate(*db);
        db->Execute("INSERT INTO t_SchemaVersion (FVersion, FApplied) VALUES (?1, '2030-01-01 00:00:00')",
                    {Variant(CurrentSchemaVersion() + 1)});
        db->Execute("DROP VIEW v_BASE_LogForQEL");
    }
    auto db = OpenDatabase(path);
    try {
        Migrate(*db);
        FAIL() << "a newer database was accepted";
    } catch (const tolm::HostError& error) {
        EXPECT_EQ(error.Number(), tolm::err::Database);
        std::string expected = "version " + std::to_string(CurrentSchemaVersion() + 1) + " is newer than this program (" +
                               std::to_string(CurrentSchemaVersion()) + ")";
        EXPECT_NE(error.Description().find(expected), std::string::npos) << error.Description();
    }
    EXPECT_FALSE(db->InTransaction());
    EXPECT_EQ(Scalar(*db, "SELECT count(*) AS n FROM sqlite_master WHERE name = 'v_BASE_LogForQEL'"), 0)
        << "nothing may be written to a newer database";
}

class RateRules : public ::testing::Test {
protected:
    void SetUp() override {
        m_db = OpenDatabase(":memory:");
        InitCompany(*m_db, false);
    }

    // Header and entry under one id, as a saved rate is stored.
    int64_t AddRate(int64_t currency, const std::string& begin, const std::string& end, int64_t type = 1) {
        Transaction transaction(*m_db);
        int64_t id = NewExchangeRateId(*m_db, false);
        m_db->Execute("INSERT INTO t_ExchangeRate (FID, FLevels, FParentID) VALUES (?1, 2, ?2)", {Variant(id), Variant(type)});
        m_db->Execute(
            "INSERT INTO t_ExchangeRateEntry (FID, FCyTo, FExchangeRateType, FExchangeRate, FBegDate, FEndDate) "
            "VALUES (?1, ?2, ?3, 7.1, ?4, ?5)",
            {Variant(id), Variant(currency), Variant(type), Variant(begin), Variant(end)});
        transaction.Commit();
        return id;
    }

    std::shared_ptr<Database> m_db;
};

TEST_F(RateRules, ChangingARatesIdDoesNotMakeItOverlapItself) {
    int64_t march = AddRate(2, "2024-03-01", "2024-03-31");
    Transaction transaction(*m_db);
    m_db->Execute("UPDATE t_ExchangeRate SET FID = 5000 WHERE FID = ?1", {Variant(march)});
    EXPECT_EQ(m_db->Execute("UPDATE t_ExchangeRateEntry SET FID = 5000, FEndDate = '2024-03-30' WHERE FID = ?1",
                            {Variant(march)}),
              1);
    transaction.Commit();
}

TEST_F(RateRules, ValidityMustBeRealDaysInOrder) {
    EXPECT_THROW(AddRate(2, "2024-3-1", "2024-03-31"), tolm::HostError);
    EXPECT_THROW(AddRate(2, "2024-02-30", "2024-03-31"), tolm::HostError);
    EXPECT_THROW(AddRate(2, "2024-03-31", "2024-03-01"), tolm::HostError);
    EXPECT_THROW(AddRate(2, "2024-03-01 00:00:00", "2024-03-31"), tolm::HostError);
    AddRate(2, "2024-03-01", "2024-03-01");

    auto rows = m_db->Query("SELECT FBegDate, FEndDate, FCheckDate FROM t_ExchangeRateEntry");
    EXPECT_EQ(rows->Field("FBegDate"), Variant(tolm::MakeDate(2024, 3, 1)));
    EXPECT_TRUE(rows->Field("FCheckDate").IsNull());
}

TEST_F(RateRules, ARateBelongsToItsHeaderAndAnExistingType) {
    int64_t id = AddRate(2, "2024-03-01", "2024-03-31");

    // A type with rates cannot go; deleting the header takes the entry along.
    EXPECT_THROW(m_db->Execute("DELETE FROM t_ExchangeRate WHERE FID = 1"), tolm::HostError);
    m_db->Execute("DELETE FROM t_ExchangeRate WHERE FID = ?1", {Variant(id)});
    EXPECT_EQ(Scalar(*m_db, "SELECT count(*) AS n FROM t_ExchangeRateEntry"), 0);

    // An entry without its header is refused when the transaction ends.
    EXPECT_THROW(m_db->Execute("INSERT INTO t_ExchangeRateEntry (FID, FCyTo, FExchangeRateType, FExchangeRate, "
                               "FBegDate, FEndDate) VALUES (9000, 2, 1, 7.1, '2024-05-01', '2024-05-31')"),
                 tolm::HostError);
    // And a rate of a type that does not exist.
    EXPECT_THROW(AddRate(2, "2024-05-01", "2024-05-31", 777), tolm::HostError);
}

TEST_F(RateRules, ARateIsAboveZeroAndNeverInTheHomeCurrency) {
    auto insert = [&](int64_t currency, double rate, const std::string& begin = "2024-03-01") {
        Transaction transaction(*m_db);
        const int64_t id = NewExchangeRateId(*m_db, false);
        m_db->Execute("INSERT INTO t_ExchangeRate (FID, FLevels, FParentID) VALUES (?1, 2, 1)", {Variant(id)});
        m_db->Execute(
            "INSERT INTO t_ExchangeRateEntry (FID, FCyTo, FExchangeRateType, FExchangeRate, FBegDate, FEndDate) "
            "VALUES (?1, ?2, 1, ?3, ?4, '2024-03-31')",
            {Variant(id), Variant(currency), Variant(rate), Variant(begin)});
        transaction.Commit();
        return id;
    };
    EXPECT_THROW(insert(2, 0), tolm::HostError);
    EXPECT_THROW(insert(2, -3), tolm::HostError);
    EXPECT_THROW(insert(tolm::HomeCurrencyId, 1), tolm::HostError);
    EXPECT_THROW(insert(2, 7.1, "0099-03-01"), tolm::HostError) << "a year no program date can hold";
    EXPECT_EQ(Scalar(*m_db, "SELECT count(*) AS n FROM t_ExchangeRate WHERE FLevels = 2"), 0)
        << "each refusal took its header along";

    const int64_t id = insert(2, 0.0001);
    EXPECT_THROW(m_db->Execute("UPDATE t_ExchangeRateEntry SET FExchangeRate = 0 WHERE FID = ?1", {Variant(id)}),
                 tolm::HostError);
    EXPECT_THROW(m_db->Execute("UPDATE t_ExchangeRateEntry SET FCyTo = 1 WHERE FID = ?1", {Variant(id)}),
                 tolm::HostError);
    auto row = m_db->Query("SELECT FCyTo, FExchangeRate FROM t_ExchangeRateEntry WHERE FID = ?1", {Variant(id)});
    EXPECT_EQ(row->Field("FCyTo").ToLong(), 2);
    EXPECT_DOUBLE_EQ(row->Field("FExchangeRate").ToDouble(), 0.0001);
}

TEST_F(RateRules, EveryChangeOfARateCountsOnItsVersion) {
    const int64_t id = AddRate(2, "2024-03-01", "2024-03-31");
    const int64_t other = AddRate(3, "2024-03-01", "2024-03-31");
    auto version = [&](int64_t rate) {
        return Scalar(*m_db, "SELECT FVersion AS n FROM t_ExchangeRateEntry WHERE FID = ?1", {Variant(rate)});
    };
    EXPECT_EQ(version(id), 0);
    m_db->Execute("UPDATE t_ExchangeRateEntry SET FExchangeRate = 7.2 WHERE FID = ?1", {Variant(id)});
    EXPECT_EQ(version(id), 1);
    m_db->Execute("UPDATE t_ExchangeRateEntry SET FChkUserID = FChkUserID WHERE FID = ?1", {Variant(id)});
    EXPECT_EQ(version(id), 2) << "an update to the same values counts too";
    m_db->Execute("UPDATE t_ExchangeRateEntry SET FVersion = 0 WHERE FID = ?1", {Variant(id)});
    EXPECT_EQ(version(id), 3) << "the count cannot be wound back";
    EXPECT_EQ(version(other), 0) << "only the changed row counts";
}

// The presets 01 and 02 (ids 1 and 2) against a type a user added.
class PresetTypes : public RateRules {
protected:
    void SetUp() override {
        RateRules::SetUp();
        m_db->Execute(
            "INSERT INTO t_ExchangeRate (FID, FNumber, FName, FDigits, FLevels) VALUES (1000, '05', 'Own', 4, 1)");
    }
    std::string TypeText(int64_t id) {
        auto row = m_db->Query("SELECT FNumber, FName, FDeleted FROM t_ExchangeRate WHERE FID = ?1", {Variant(id)});
        return row->IsEOF() ? "" : row->Field("FNumber").ToText() + " " + row->Field("FName").ToText() + " " +
                                       row->Field("FDeleted").ToText();
    }
};

TEST_F(PresetTypes, APresetIsNeverDeletedNorRenamed) {
    EXPECT_THROW(m_db->Execute("DELETE FROM t_ExchangeRate WHERE FID = 2"), tolm::HostError);
    EXPECT_THROW(m_db->Execute("DELETE FROM t_ExchangeRate WHERE FLevels = 1"), tolm::HostError)
        << "not even among others";
    EXPECT_THROW(m_db->Execute("UPDATE t_ExchangeRate SET FNumber = '09' WHERE FID = 1"), tolm::HostError);
    EXPECT_THROW(m_db->Execute("UPDATE t_ExchangeRate SET FName = '公司汇率 ' WHERE FID = 1"), tolm::HostError);
    // Nor deleted by another name.
    EXPECT_THROW(m_db->Execute("UPDATE t_ExchangeRate SET FDeleted = 1 WHERE FID = 1"), tolm::HostError);
    EXPECT_THROW(m_db->Execute("UPDATE t_ExchangeRate SET FLevels = 2 WHERE FID = 1"), tolm::HostError);
    EXPECT_THROW(m_db->Execute("UPDATE t_ExchangeRate SET FID = 1001 WHERE FID = 2"), tolm::HostError);
    EXPECT_EQ(TypeText(1), "01 公司汇率 0");
    EXPECT_EQ(TypeText(2), "02 预算汇率 0");
    EXPECT_EQ(TypeText(1000), "05 Own 0") << "the refused statements changed nothing";
}

TEST_F(PresetTypes, APresetsPrecisionAndRemarkMayChangeAndUserTypesAreFree) {
    EXPECT_EQ(m_db->Execute("UPDATE t_ExchangeRate SET FDigits = 6, FRemark = 'six places' WHERE FID = 1"), 1);
    EXPECT_EQ(m_db->Execute("UPDATE t_ExchangeRate SET FNumber = FNumber, FName = FName WHERE FID = 2"), 1)
        << "writing the same code and name is no rename";
    EXPECT_EQ(m_db->Execute("UPDATE t_ExchangeRate SET FNumber = '06', FName = 'Mine' WHERE FID = 1000"), 1);
    EXPECT_EQ(TypeText(1000), "06 Mine 0");
    EXPECT_EQ(m_db->Execute("DELETE FROM t_ExchangeRate WHERE FID = 1000"), 1);
    EXPECT_EQ(Scalar(*m_db, "SELECT FDigits AS n FROM t_ExchangeRate WHERE FID = 1"), 6);

    // A company set up again keeps its presets and its changes.
    InitCompany(*m_db, true);
    EXPECT_EQ(TypeText(1), "01 公司汇率 0");
    EXPECT_EQ(Scalar(*m_db, "SELECT FDigits AS n FROM t_ExchangeRate WHERE FID = 1"), 6);
    EXPECT_EQ(Scalar(*m_db, "SELECT count(*) AS n FROM t_ExchangeRate WHERE FLevels = 1"), 4);
}

}  // namespace
}  // namespace hub
