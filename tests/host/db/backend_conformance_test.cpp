// What every database backend must do alike: the migrations, the schema's rules, the
// stores, the plug-in's SQL through the bridge, and two clients writing at once.
// Each case runs on SQLite and on the throwaway PostgreSQL cluster.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <barrier>
#include <thread>

#include "db/company_copy.h"
#include "db/data_access.h"
#include "db/migrations.h"
#include "model/company_setup.h"
#include "model/log_store.h"
#include "model/profile_store.h"
#include "model/rate_store.h"
#include "model/rate_transfer_store.h"
#include "model/type_store.h"
#include "model/user_store.h"
#include "i18n/catalogue.h"
#include "services/person_text.h"
#include "support/scratch_database.h"
#include "tolm/base_data.h"

namespace hub {
namespace {

using test::Backend;
using tolm::Variant;

class Conformance : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        m_scratch = std::make_unique<test::ScratchDatabase>(GetParam());
        m_db = m_scratch->Open();
        InitCompany(*m_db, false);
    }

    int64_t Scalar(const std::string& sql, const Params& params = {}) {
        return static_cast<int64_t>(m_db->Query(sql, params)->Field("n").ToDouble());
    }

    RateValues Rate(int32_t currency, tolm::DateTime begin, tolm::DateTime end, int32_t type = 1) {
        RateValues rate;
        rate.typeId = type;
        rate.currencyId = currency;
        rate.rate = 7.1;
        rate.begin = begin;
        rate.end = end;
        return rate;
    }

    std::unique_ptr<test::ScratchDatabase> m_scratch;
    std::shared_ptr<Database> m_db;
};

std::string NameOf(const ::testing::TestParamInfo<Backend>& info) { return test::BackendName(info.param); }

TEST_P(Conformance, MigratingAgainChangesNothingAndANewerSchemaIsRefused) {
    EXPECT_EQ(SchemaVersion(*m_db), CurrentSchemaVersion());
    InitCompany(*m_db, true);
    const CompanyCounts first = CountCompany(*m_db);
    InitCompany(*m_db, true);
    const CompanyCounts second = CountCompany(*m_db);
    EXPECT_EQ(second.rates, first.rates);
    EXPECT_EQ(second.users, 4);
    EXPECT_EQ(second.logRecords, first.logRecords);
    EXPECT_TRUE(m_db->TableExists("V_BASE_LOGFORQEL"));
    EXPECT_TRUE(m_db->TableExists("T_SCHEMAVERSION"));
    EXPECT_FALSE(m_db->TableExists("t_NoSuchTable"));

    m_db->Execute("INSERT INTO t_SchemaVersion (FVersion, FApplied) VALUES (?1, ?2)",
                  {Variant(CurrentSchemaVersion() + 1), Variant(tolm::MakeDate(2030, 1, 1))});
    EXPECT_THROW(Migrate(*m_db), tolm::HostError);
    EXPECT_FALSE(m_db->InTransaction());
}

TEST_P(Conformance, ValuesComeBackWithTheirTypesAndTheSchemasSpelling) {
    const auto moment = tolm::MakeDate(2024, 3, 1) + std::chrono::hours(13) + std::chrono::seconds(9);
    WriteLogRecord(*m_db, LogRecord{moment, 1, "QEL1014002_mnuCheck", 5, "审核", "PC", "10.0.0.1"});
    auto log = m_db->Query("SELECT * FROM v_BASE_LogForQEL");
    EXPECT_EQ(log->Field("FDate"), Variant(moment));
    EXPECT_EQ(log->Field("FUserName").ToText(), "administrator");
    EXPECT_EQ(log->Field("FOperateType"), Variant(int32_t{5}));

    // --json output is keyed by the column names: an alias as written, a column as
    // the schema spells it.
    auto rows = m_db->Query("SELECT FCurrencyID, fnumber, FName AS fName FROM t_Currency WHERE FCurrencyID = ?1",
                            {Variant(2)});
    EXPECT_EQ(rows->Columns(), (std::vector<std::string>{"FCurrencyID", "FNumber", "fName"}));
    EXPECT_EQ(m_db->Query("SELECT * FROM ICClassType")->Columns(),
              (std::vector<std::string>{"FID", "FName", "FVersion"}));

    WriteProfile(*m_db, "BaseData", "CheckUser", Variant(true));
    EXPECT_EQ(ReadProfile(*m_db, "BaseData", "CheckUser"), Variant(int32_t{1}));
    WriteProfile(*m_db, "BaseData", "CheckUser", Variant());
    EXPECT_TRUE(ReadProfile(*m_db, "BaseData", "CheckUser").IsNull());
}

TEST_P(Conformance, UsersAreFoundWithoutRegardToLetterCaseAndRightsAccumulate) {
    const int64_t id = EnsureUser(*m_db, "Accountant", "会计", false, 0);
    EXPECT_EQ(EnsureUser(*m_db, "ACCOUNTANT", "", false, 0), id);
    GrantRight(*m_db, id, 1, 2, 0x4);
    GrantRight(*m_db, id, 1, 2, static_cast<int32_t>(0x80000000u));
    EXPECT_TRUE(UserHasRight(*m_db, id, 1, 2, static_cast<int32_t>(0x80000004u)));
    EXPECT_FALSE(UserHasRight(*m_db, id, 1, 2, 0x8));
}

// Rows read one at a time give each value as asked, and refuse a date that is none.
TEST_P(Conformance, ARowReadOneAtATimeGivesEachValueAsAsked) {
    InsertRate(*m_db, Rate(2, tolm::MakeDate(2024, 2, 29), tolm::MakeDate(2024, 3, 31)));
    int rows = 0;
    m_db->QueryEach("SELECT FCyTo, FExchangeRate, FBegDate, FEndDate, FNumber, FCheckDate FROM t_ExchangeRateEntry",
                    {}, [&](const ResultRow& row) {
                        ++rows;
                        EXPECT_EQ(row.Integer(0), 2);
                        EXPECT_EQ(row.Number(1), 7.1);
                        EXPECT_EQ(row.Date(2), tolm::MakeDate(2024, 2, 29));
                        EXPECT_EQ(row.Date(3), tolm::MakeDate(2024, 3, 31));
                        for (int notADate : {4, 5}) {
                            EXPECT_THROW(row.Date(notADate), tolm::HostError) << notADate;
                        }
                    });
    EXPECT_EQ(rows, 1);
}

// The transfer steps over every stored rate once, in id order and across its pages,
// and gives out those in use: not disabled, not native, of a type not disabled.
TEST_P(Conformance, TheTransferGivesOutTheRatesInUseAndStepsOverTheRest) {
    using tolm::MakeDate;
    const int32_t retired = InsertType(*m_db, TypeValues{"R-1", "停用类型", 4, ""});
    const int32_t given = InsertRate(*m_db, Rate(2, MakeDate(2024, 3, 1), MakeDate(2024, 3, 31)));
    const int32_t disabled = InsertRate(*m_db, Rate(3, MakeDate(2024, 3, 1), MakeDate(2024, 3, 31)));
    const int32_t native = InsertRate(*m_db, Rate(4, MakeDate(2024, 3, 1), MakeDate(2024, 3, 31)));
    InsertRate(*m_db, Rate(2, MakeDate(2024, 3, 1), MakeDate(2024, 3, 31), retired));
    const int32_t last = InsertRate(*m_db, Rate(5, MakeDate(1899, 1, 1), MakeDate(9999, 12, 31)));
    m_db->Execute("UPDATE t_ExchangeRate SET FDeleted = 1 WHERE FID IN (?1, ?2)",
                  {Variant(disabled), Variant(retired)});
    m_db->Execute("UPDATE t_ExchangeRate SET FIsNativeRate = 1 WHERE FID = ?1", {Variant(native)});

    std::vector<std::string> seen;
    ForEachTransferRate(*m_db, 2, [&](const TransferRate* rate) {
        seen.push_back(rate == nullptr ? "-"
                                       : std::to_string(rate->id) + " " + rate->typeNumber + " " +
                                             rate->currencyNumber + " " + Variant(rate->rate).ToText() +
                                             " " + tolm::FormatDateText(rate->begin) + " " +
                                             tolm::FormatDateText(rate->end));
    });
    const std::string fields = " 01 USD 7.1 2024-03-01 2024-03-31";
    EXPECT_EQ(seen, (std::vector<std::string>{std::to_string(given) + fields, "-", "-", "-",
                                              std::to_string(last) + " 01 HKD 7.1 1899-01-01 9999-12-31"}));
    EXPECT_EQ(CountStoredRates(*m_db), static_cast<int64_t>(seen.size()));
}

// The rule holds in the database, whoever writes: both ends of a validity count.
struct OverlapCase {
    const char* what;
    tolm::DateTime begin;
    tolm::DateTime end;
    int32_t currency;
    int32_t type;
    bool refused;
};

TEST_P(Conformance, TheDatabaseRefusesOverlappingValidity) {
    using tolm::MakeDate;
    InsertRate(*m_db, Rate(2, MakeDate(2024, 3, 1), MakeDate(2024, 3, 31)));
    const OverlapCase cases[] = {
        {"touching the last day", MakeDate(2024, 3, 31), MakeDate(2024, 4, 30), 2, 1, true},
        {"touching the first day", MakeDate(2024, 2, 1), MakeDate(2024, 3, 1), 2, 1, true},
        {"around it", MakeDate(2024, 1, 1), MakeDate(2024, 12, 31), 2, 1, true},
        {"the day after", MakeDate(2024, 4, 1), MakeDate(2024, 4, 30), 2, 1, false},
        {"another currency", MakeDate(2024, 3, 15), MakeDate(2024, 3, 20), 3, 1, false},
        {"another type", MakeDate(2024, 3, 15), MakeDate(2024, 3, 20), 2, 2, false},
    };
    for (const OverlapCase& c : cases) {
        SCOPED_TRACE(c.what);
        try {
            InsertRate(*m_db, Rate(c.currency, c.begin, c.end, c.type));
            EXPECT_FALSE(c.refused);
        } catch (const DatabaseError& error) {
            EXPECT_TRUE(c.refused) << error.Description();
            EXPECT_EQ(error.Fault(), DatabaseFault::Overlap);
        }
    }
    // A rate may move within its own period, but not grow into its neighbour.
    const Params april = {Variant(tolm::MakeDate(2024, 4, 1))};
    EXPECT_EQ(m_db->Execute("UPDATE t_ExchangeRateEntry SET FEndDate = '2024-04-29' WHERE FBegDate = ?1", april), 1);
    EXPECT_THROW(m_db->Execute("UPDATE t_ExchangeRateEntry SET FBegDate = '2024-03-31' WHERE FBegDate = ?1", april),
                 DatabaseError);
    EXPECT_EQ(Scalar("SELECT count(*) AS n FROM t_ExchangeRate WHERE FLevels = 2"), 4) << "no header without its entry";
    EXPECT_EQ(Scalar("SELECT count(*) AS n FROM t_ExchangeRateEntry"), 4);
}

TEST_P(Conformance, PresetsVersionsAndReferencesHoldAsOnEveryBackend) {
    const int32_t id = InsertRate(*m_db, Rate(2, tolm::MakeDate(2024, 3, 1), tolm::MakeDate(2024, 3, 31)));
    EXPECT_THROW(m_db->Execute("DELETE FROM t_ExchangeRate WHERE FID = 2"), DatabaseError);
    EXPECT_THROW(m_db->Execute("UPDATE t_ExchangeRate SET FName = 'x' WHERE FID = 1"), DatabaseError);
    EXPECT_EQ(m_db->Execute("UPDATE t_ExchangeRate SET FDigits = 6 WHERE FID = 1"), 1);
    EXPECT_THROW(m_db->Execute("DELETE FROM t_ExchangeRate WHERE FID = 1"), DatabaseError) << "a type with rates";

    m_db->Execute("UPDATE t_ExchangeRateEntry SET FVersion = 0 WHERE FID = ?1", {Variant(id)});
    m_db->Execute("UPDATE t_ExchangeRateEntry SET FChkUserID = FChkUserID WHERE FID = ?1", {Variant(id)});
    EXPECT_EQ(Scalar("SELECT FVersion AS n FROM t_ExchangeRateEntry WHERE FID = ?1", {Variant(id)}), 2);

    m_db->Execute("DELETE FROM t_ExchangeRate WHERE FID = ?1", {Variant(id)});
    EXPECT_EQ(Scalar("SELECT count(*) AS n FROM t_ExchangeRateEntry"), 0) << "the entry goes with its header";
    try {
        RunTransaction(*m_db, [&] {
            m_db->Execute("INSERT INTO t_ExchangeRateEntry (FID, FCyTo, FExchangeRateType, FExchangeRate, FBegDate,"
                          " FEndDate) VALUES (9000, 2, 1, 7.1, '2024-05-01', '2024-05-31')");
        });
        ADD_FAILURE() << "an entry without its header was stored";
    } catch (const DatabaseError& error) {
        EXPECT_EQ(error.Fault(), DatabaseFault::Reference);
    }
    EXPECT_FALSE(m_db->InTransaction());
}

TEST_P(Conformance, AnInnerLevelRolledBackLeavesTheOuterUsable) {
    Transaction outer(*m_db);
    WriteProfile(*m_db, "A", "kept", Variant("1"));
    m_db->Begin();
    EXPECT_THROW(m_db->Execute("UPDATE t_ExchangeRate SET FName = 'x' WHERE FID = 1"), DatabaseError);
    m_db->Rollback();
    WriteProfile(*m_db, "A", "after", Variant("2"));
    outer.Commit();
    EXPECT_EQ(Scalar("SELECT count(*) AS n FROM t_SystemProfile WHERE FCategory = 'A'"), 2);

    EXPECT_THROW(m_db->Execute("DELETE FROM t_Log; DELETE FROM t_User"), tolm::HostError);
    EXPECT_THROW(m_db->Execute("DELETE FROM t_Log WHERE FID = ?1", {}), tolm::HostError);
    EXPECT_EQ(Scalar("SELECT count(*) AS n FROM t_User"), 1);
}

TEST_P(Conformance, ATransactionBegunAtTheFirstWriteHoldsNothingBeforeIt) {
    auto other = m_scratch->Open();
    {
        Transaction waiting(*m_db, TransactionStart::AtFirstWrite);
        EXPECT_EQ(Scalar("SELECT count(*) AS n FROM t_SystemProfile WHERE FCategory = 'A'"), 0);
        // Another client writes while this one has only read (a question is open).
        RunTransaction(*other, [&] { WriteProfile(*other, "A", "other", Variant("1")); });
        WriteProfile(*m_db, "A", "mine", Variant("2"));
        waiting.Commit();
    }
    {
        Transaction undone(*m_db, TransactionStart::AtFirstWrite);
        m_db->Begin();
        WriteProfile(*m_db, "A", "undone", Variant("3"));
        m_db->Commit();
    }
    { Transaction nothingWritten(*m_db, TransactionStart::AtFirstWrite); }
    EXPECT_FALSE(m_db->InTransaction());
    EXPECT_EQ(Scalar("SELECT count(*) AS n FROM t_SystemProfile WHERE FCategory = 'A'"), 2);
}

TEST_P(Conformance, AReadOnlyConnectionReadsAndItsWritesAreRefusedAsSuch) {
    auto reader = OpenDatabase(m_scratch->Location(), OpenMode::ReadOnly);
    EXPECT_TRUE(reader->ReadOnly());
    EXPECT_EQ(reader->Query("SELECT count(*) AS n FROM t_User")->Field("n").ToLong(), 1);
    try {
        RunTransaction(*reader, [&] { WriteProfile(*reader, "A", "x", Variant("1")); });
        ADD_FAILURE() << "a read-only connection wrote";
    } catch (const DatabaseError& error) {
        EXPECT_EQ(error.Fault(), DatabaseFault::ReadOnly);
    }
}

// What the person reads is the rule, whichever backend refused and however the
// error travelled (the plug-in's traps keep a plain copy of it).
TEST_P(Conformance, EachRefusalIsToldAsTheRuleItBroke) {
    const int32_t rate = InsertRate(*m_db, Rate(2, tolm::MakeDate(2024, 3, 1), tolm::MakeDate(2024, 3, 31)));
    m_db->Execute("INSERT INTO t_ExchangeRate (FID, FNumber, FName, FLevels) VALUES (1001, 'T1', 'T1', 1)");
    const Params id = {Variant(rate)};
    const struct {
        std::string sql;
        Params params;
        const char* rule;
    } cases[] = {
        {"UPDATE t_ExchangeRateEntry SET FExchangeRate = 0 WHERE FID = ?1", id, "汇率值无效，请输入大于0的数值！"},
        {"UPDATE t_ExchangeRateEntry SET FCyTo = 1 WHERE FID = ?1", id, "不允许录入本位币汇率，请选择其它币别。"},
        {"UPDATE t_ExchangeRate SET FNumber = (SELECT FNumber FROM t_ExchangeRate WHERE FID = 1) WHERE FID = 1001", {},
         "汇率类型代码已存在，请换一个代码。"},
        {"UPDATE t_ExchangeRate SET FName = (SELECT FName FROM t_ExchangeRate WHERE FID = 1) WHERE FID = 1001", {},
         "汇率类型名称已存在，请换一个名称。"},
        {"UPDATE t_ExchangeRate SET FDigits = 11 WHERE FID = 1001", {}, "汇率精度应为0到10之间的整数。"},
        {"UPDATE t_ExchangeRate SET FName = 'x' WHERE FID = 1", {}, "系统预设汇率类型的代码和名称不允许修改。"},
        {"DELETE FROM t_ExchangeRate WHERE FID = 2", {}, "系统预设汇率类型不允许删除。"},
        {"INSERT INTO t_ExchangeRateEntry (FID, FCyTo, FExchangeRateType, FExchangeRate, FBegDate, FEndDate)"
         " VALUES (9000, 2, 1, 7.1, '2025-05-01', '2025-05-31')",
         {}, "数据仍被其他记录使用，或所用的记录已不存在，未保存。"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sql);
        try {
            RunTransaction(*m_db, [&] { m_db->Execute(c.sql, c.params); });
            ADD_FAILURE() << "not refused";
        } catch (const DatabaseError& error) {
            EXPECT_EQ(PersonText(tolm::HostError(error), "en"), Translate("en", c.rule)) << error.Description();
        }
    }
    try {
        InsertRate(*m_db, Rate(2, tolm::MakeDate(2024, 3, 31), tolm::MakeDate(2024, 4, 30)));
        ADD_FAILURE() << "an overlap was stored";
    } catch (const DatabaseError& error) {
        EXPECT_EQ(PersonText(error, "en"), Translate("en", "已存在同一汇率类型、同一币别、同一日期的汇率数据。"));
    }
}

// The plug-in's SQL, exactly as it writes it, through the data-access object.
TEST_P(Conformance, ThePluginsSqlRunsThroughTheBridge) {
    DataAccess access(m_db);
    InsertRate(*m_db, Rate(2, tolm::MakeDate(2024, 3, 1), tolm::MakeDate(2024, 3, 31)));
    InsertRate(*m_db, Rate(3, tolm::MakeDate(2024, 3, 1), tolm::MakeDate(2024, 3, 31)));

    auto overlap = access.Query(
        "select 1 from t_exchangerateEntry where FID<>0 and FCyTo=2 and FExchangeRateType=1  and NOT "
        "(FBegDate>'2024/3/20' or FEndDate<'2024/3/5' )");
    EXPECT_FALSE(overlap->IsEOF());
    auto top = access.Query("select top 1 fid, [FCyTo] from T_EXCHANGERATEENTRY order by FID desc");
    ASSERT_EQ(top->RecordCount(), 1);
    EXPECT_EQ(top->Field("FCyTo").ToLong(), 3);

    const int64_t before = Scalar("SELECT FVersion AS n FROM ICClassType WHERE FID = 1014002");
    access.Execute(
        "update t_ExchangeRateEntry set FNumber='01.USD.20240301',FReverseExRate=0.1408 where FID=" +
        std::to_string(top->Field("fid").ToLong()) + "\r\nupdate ICClassType set fid = fid  where FID = 1014002");
    EXPECT_EQ(Scalar("SELECT FVersion AS n FROM ICClassType WHERE FID = 1014002"), before + 1);

    access.Execute("exec p_BASE_CreateLogView 'S1_2'");
    m_db->Execute("DROP VIEW v_BASE_LogForQEL");
    access.Query("exec p_BASE_CreateLogView 'S1_2'");
    EXPECT_TRUE(access.Query("select * from v_BASE_LogForQEL where FDate >= '2024-1-1'")->IsEOF());

    // A batch is all or nothing.
    EXPECT_THROW(access.Execute("update t_Currency set FName = 'x' where FCurrencyID = 2\r\n"
                                "update t_ExchangeRateEntry set FExchangeRate = 0"),
                 tolm::HostError);
    EXPECT_EQ(m_db->Query("SELECT FName FROM t_Currency WHERE FCurrencyID = 2")->Field("FName").ToText(), "美元");
}

// Two clients at the same moment: each checked before the other saved.
TEST_P(Conformance, LogCriteriaSelectTheSameRecordsAndDeleteOnlyThose) {
    const struct {
        int day;
        const char* description;
    } records[] = {{1, "it's 50%_off"}, {2, "it's 50x off"}, {2, "IT'S 50%_OFF"}, {3, "plain"}};
    for (const auto& record : records) {
        WriteLogRecord(*m_db, LogRecord{tolm::MakeDate(2025, 3, static_cast<unsigned>(record.day)) + std::chrono::hours(23),
                                        1, "K", 5, record.description, "PC", "10.0.0.1"});
    }
    auto criteria = [](std::optional<int> from, std::optional<int> to, std::optional<std::string> contains) {
        LogCriteria c;
        if (from) c.from = tolm::MakeDate(2025, 3, static_cast<unsigned>(*from));
        if (to) c.to = tolm::MakeDate(2025, 3, static_cast<unsigned>(*to));
        c.contains = std::move(contains);
        return c;
    };
    const struct {
        LogCriteria criteria;
        int32_t shown;
    } cases[] = {{criteria(2, 2, std::nullopt), 2},
                 {criteria(std::nullopt, 1, std::nullopt), 1},
                 {criteria(std::nullopt, std::nullopt, "'s 50%_"), 2},
                 {criteria(2, std::nullopt, "50"), 2}};
    for (const auto& c : cases) {
        const std::string condition = LogCondition(c.criteria);
        EXPECT_EQ(LogRowsWhere(*m_db, condition, LogOrderBy(""))->RecordCount(), c.shown) << condition;
    }
    EXPECT_EQ(DeleteLogRecordsWhere(*m_db, LogCondition(criteria(std::nullopt, std::nullopt, "'s 50%_"))), 2);
    EXPECT_EQ(Scalar("SELECT count(*) AS n FROM t_Log"), 2);
}

TEST_P(Conformance, OfTwoCollidingSavesExactlyOneIsStored) {
    std::barrier checked(2);
    std::atomic<int> stored{0};
    std::atomic<int> overlaps{0};
    auto client = [&](int day) {
        auto db = m_scratch->Open();
        const RateValues rate = Rate(2, tolm::MakeDate(2024, 5, day), tolm::MakeDate(2024, 5, 20));
        const bool free = !RateOverlaps(*db, 1, 2, rate.begin, rate.end);
        checked.arrive_and_wait();
        if (!free) return;
        try {
            InsertRate(*db, rate);
            ++stored;
        } catch (const DatabaseError& error) {
            if (error.Fault() == DatabaseFault::Overlap) ++overlaps;
        }
    };
    std::thread first(client, 1);
    std::thread second(client, 10);
    first.join();
    second.join();
    EXPECT_EQ(stored, 1);
    EXPECT_EQ(overlaps, 1);
    EXPECT_EQ(Scalar("SELECT count(*) AS n FROM t_ExchangeRate WHERE FLevels = 2"), 1);
}

TEST_P(Conformance, TwoClientsAuditingTheSameRatesLeaveOneLogRecordPerStoredBatch) {
    const int32_t a = InsertRate(*m_db, Rate(2, tolm::MakeDate(2024, 3, 1), tolm::MakeDate(2024, 3, 31)));
    const int32_t b = InsertRate(*m_db, Rate(3, tolm::MakeDate(2024, 3, 1), tolm::MakeDate(2024, 3, 31)));
    const std::string ids = std::to_string(a) + "," + std::to_string(b);
    std::barrier start(2);
    std::atomic<int> failures{0};
    auto client = [&](int auditor) {
        DataAccess access(m_scratch->Open());
        start.arrive_and_wait();
        try {
            access.Execute("update t_ExchangeRateEntry set FChkUserID=" + std::to_string(auditor) +
                           " where FID in (" + ids + ") and FChkUserID=0\r\n"
                           "insert into t_Log (FDate, FUserID, FFunctionID, FDescription) values ('2024-03-02', " +
                           std::to_string(auditor) + ", 'QEL1014002_mnuCheck', 'audit')");
        } catch (const tolm::HostError&) {
            ++failures;
        }
    };
    std::thread first(client, 7);
    std::thread second(client, 8);
    first.join();
    second.join();
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(Scalar("SELECT count(DISTINCT FChkUserID) AS n FROM t_ExchangeRateEntry"), 1)
        << "each rate audited by whoever came first, both by the same";
    EXPECT_EQ(Scalar("SELECT count(*) AS n FROM t_Log WHERE FFunctionID = 'QEL1014002_mnuCheck'"), 2);
}

// A company moved to the other backend and back arrives whole, ids kept.
TEST_P(Conformance, ACompanyCopiedToTheOtherBackendAndBackArrivesWhole) {
    InitCompany(*m_db, true);
    const Backend other = GetParam() == Backend::Sqlite ? Backend::Postgres : Backend::Sqlite;
    test::ScratchDatabase there(other);
    auto destination = there.Open();
    for (const CopiedTable& table : CopyCompany(*m_db, *destination, false)) {
        EXPECT_EQ(table.destinationRows, table.sourceRows) << table.table;
    }
    auto before = RateRows(*m_db);
    auto after = RateRows(*destination);
    ASSERT_EQ(after->RecordCount(), before->RecordCount());
    EXPECT_EQ(after->Rows(), before->Rows());
    EXPECT_EQ(m_db->Query("SELECT * FROM v_BASE_LogForQEL ORDER BY FID")->Rows(),
              destination->Query("SELECT * FROM v_BASE_LogForQEL ORDER BY FID")->Rows());

    // The destination goes on giving ids above the copied ones.
    const int64_t highest = static_cast<int64_t>(
        destination->Query("SELECT MAX(FID) AS n FROM t_Log")->Field("n").ToDouble());
    WriteLogRecord(*destination, LogRecord{tolm::MakeDate(2024, 1, 1), 1, "QEL1014002_mnuCheck", 5, "x", "", ""});
    EXPECT_EQ(static_cast<int64_t>(destination->Query("SELECT MAX(FID) AS n FROM t_Log")->Field("n").ToDouble()),
              highest + 1);

    EXPECT_THROW(CopyCompany(*m_db, *destination, false), tolm::HostError) << "a company is never overwritten unasked";
    CopyCompany(*m_db, *destination, true);
    EXPECT_EQ(CountCompany(*destination).logRecords, CountCompany(*m_db).logRecords);
}

INSTANTIATE_TEST_SUITE_P(Backends, Conformance, ::testing::Values(Backend::Sqlite, Backend::Postgres), NameOf);

// A real deadlock on the server: another program holds one row and waits for the row
// the host holds; the host's transaction closes the circle, is chosen to give way, and
// runs again once the other has finished.
TEST(RunTransaction, TheLoserOfARealDeadlockRunsAgainAndIsStored) {
    test::ScratchDatabase scratch(Backend::Postgres);
    auto host = scratch.Open();
    InitCompany(*host, false);
    WriteProfile(*host, "D", "1", Variant("0"));
    WriteProfile(*host, "D", "2", Variant("0"));
    auto other = scratch.Open();
    other->ExecuteScript("SET deadlock_timeout = '5s'; BEGIN; UPDATE t_SystemProfile SET FValue = 'other' WHERE FKey = '2'");
    std::thread waiting;
    int attempts = 0;
    RunTransaction(*host, [&] {
        ++attempts;
        host->Execute("UPDATE t_SystemProfile SET FValue = 'host' WHERE FCategory = 'D' AND FKey = '1'");
        if (attempts == 1) {
            waiting = std::thread([&] {
                other->ExecuteScript("UPDATE t_SystemProfile SET FValue = 'other' WHERE FKey = '1'; COMMIT");
            });
            std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the other now waits for row 1
        }
        host->Execute("UPDATE t_SystemProfile SET FValue = 'host' WHERE FCategory = 'D' AND FKey = '2'");
    });
    waiting.join();
    EXPECT_EQ(attempts, 2);
    EXPECT_EQ(host->Query("SELECT count(*) AS n FROM t_SystemProfile WHERE FCategory = 'D' AND FValue = 'host'")
                  ->Field("n").ToLong(),
              2);
}

// A transaction's first statement carries its BEGIN and the company lock: when the
// lock is not granted in time, the writer is told the company is busy, nothing is
// stored, and the connection serves the next transaction.
TEST(RunTransaction, AWriterKeptFromTheCompanyIsToldItIsBusyAndCarriesOn) {
    test::ScratchDatabase scratch(Backend::Postgres);
    auto host = scratch.Open();
    InitCompany(*host, false);
    host->ExecuteScript("SET lock_timeout = '200ms'");
    auto other = scratch.Open();
    other->Begin();
    WriteProfile(*other, "L", "other", Variant("1"));
    try {
        RunTransaction(*host, [&] { WriteProfile(*host, "L", "host", Variant("1")); });
        ADD_FAILURE() << "the write went through while another held the company";
    } catch (const DatabaseError& error) {
        EXPECT_EQ(error.Fault(), DatabaseFault::Busy);
    }
    EXPECT_FALSE(host->InTransaction());
    other->Commit();
    RunTransaction(*host, [&] { WriteProfile(*host, "L", "host", Variant("2")); });
    EXPECT_EQ(host->Query("SELECT count(*) AS n FROM t_SystemProfile WHERE FCategory = 'L'")->Field("n").ToLong(), 2);
}

TEST(RunTransaction, RetriesWorkGivenUpForAnothersSakeAndThenSaysSo) {
    auto db = OpenDatabase(":memory:");
    db->Execute("CREATE TABLE t (v INTEGER)");
    int attempts = 0;
    RunTransaction(*db, [&] {
        db->Execute("INSERT INTO t VALUES (1)");
        if (++attempts < 3) throw DatabaseError(DatabaseFault::Retryable, "deadlock");
    });
    EXPECT_EQ(attempts, 3);
    EXPECT_EQ(db->Query("SELECT count(*) AS n FROM t")->Field("n").ToLong(), 1) << "the failed attempts left nothing";

    attempts = 0;
    try {
        RunTransaction(*db, [&] {
            ++attempts;
            throw DatabaseError(DatabaseFault::Retryable, "serialization failure");
        });
        FAIL() << "endless retries";
    } catch (const DatabaseError& error) {
        EXPECT_EQ(attempts, MaxTransactionAttempts);
        EXPECT_NE(error.Description().find("nothing was stored"), std::string::npos);
    }
    attempts = 0;
    EXPECT_THROW(RunTransaction(*db, [&] {
        ++attempts;
        throw DatabaseError(DatabaseFault::Rule, "refused");
    }), DatabaseError);
    EXPECT_EQ(attempts, 1) << "a refusal is final";
}

}  // namespace
}  // namespace hub
