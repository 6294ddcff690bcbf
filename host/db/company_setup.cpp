#include "company_setup.h"

#include <array>
#include <chrono>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "date_text.h"
#include "migrations.h"
#include "user_rights.h"

namespace hub {

namespace {

using namespace std::chrono;
using tolm::Variant;

struct CurrencySeed {
    const char* number;
    const char* name;
};

// The home currency first: it must get id 1.
constexpr std::array<CurrencySeed, 12> Currencies = {{
    {"CNY", "人民币"},
    {"USD", "美元"},
    {"EUR", "欧元"},
    {"JPY", "日元"},
    {"HKD", "港币"},
    {"GBP", "英镑"},
    {"TWD", "新台币"},
    {"AUD", "澳大利亚元"},
    {"CAD", "加拿大元"},
    {"CHF", "瑞士法郎"},
    {"SGD", "新加坡元"},
    {"KRW", "韩元"},
}};

struct TypeSeed {
    int32_t id;  // 0: the next free id from FirstUserTypeId up
    const char* number;
    const char* name;
    int32_t digits;
};

constexpr std::array<TypeSeed, 2> PresetTypes = {{{1, "01", "公司汇率", 4}, {2, "02", "预算汇率", 4}}};
constexpr std::array<TypeSeed, 2> DemoTypes = {{{0, "03", "月末汇率", 6}, {0, "04", "海关汇率", 2}}};

struct RateSeed {
    const char* currency;
    double base;   // CNY per unit
    double phase;  // shifts the monthly movement so the currencies do not move in step
};

constexpr std::array<RateSeed, 4> DemoRates = {{
    {"USD", 7.1, 0.0},
    {"EUR", 7.8, 1.3},
    {"JPY", 0.048, 2.1},
    {"HKD", 0.91, 0.4},
}};

constexpr const char* DemoMachine = "DEMO-PC";
constexpr const char* DemoAddress = "192.168.1.10";

bool Exists(Database& db, const std::string& sql, const Params& params) { return !db.Query(sql, params)->IsEOF(); }

int64_t MaxPlusOne(Database& db, const std::string& sql) {
    auto rows = db.Query(sql);
    return rows->IsEOF() || rows->Field("FMax").IsNull() ? 1 : static_cast<int64_t>(rows->Field("FMax").ToDouble()) + 1;
}

year_month_day Today() { return year_month_day{floor<days>(LocalNow())}; }

void SeedCurrencies(Database& db) {
    for (size_t i = 0; i < Currencies.size(); ++i) {
        const CurrencySeed& seed = Currencies[i];
        if (Exists(db, "SELECT 1 FROM t_Currency WHERE FNumber = ?1", {Variant(seed.number)})) continue;
        int64_t id = static_cast<int64_t>(i) + 1;
        if (Exists(db, "SELECT 1 FROM t_Currency WHERE FCurrencyID = ?1", {Variant(id)}))
            id = MaxPlusOne(db, "SELECT MAX(FCurrencyID) AS FMax FROM t_Currency");
        db.Execute("INSERT INTO t_Currency (FCurrencyID, FNumber, FName) VALUES (?1, ?2, ?3)",
                   {Variant(id), Variant(seed.number), Variant(seed.name)});
    }
}

void SeedTypes(Database& db, const TypeSeed* begin, const TypeSeed* end) {
    for (const TypeSeed* seed = begin; seed != end; ++seed) {
        if (Exists(db, "SELECT 1 FROM t_ExchangeRate WHERE FLevels = 1 AND (FNumber = ?1 OR FName = ?2)",
                   {Variant(seed->number), Variant(seed->name)}))
            continue;
        int64_t id = seed->id;
        if (id == 0 || Exists(db, "SELECT 1 FROM t_ExchangeRate WHERE FID = ?1", {Variant(id)}))
            id = NewExchangeRateId(db, id == 0 || id >= FirstUserTypeId);
        db.Execute(
            "INSERT INTO t_ExchangeRate (FID, FNumber, FName, FDigits, FRemark, FLevels, FParentID, FIsNativeRate) "
            "VALUES (?1, ?2, ?3, ?4, '', 1, 0, 0)",
            {Variant(id), Variant(seed->number), Variant(seed->name), Variant(seed->digits)});
    }
}

int64_t EnsureUser(Database& db, const char* name, const char* description, bool admin, int64_t preferredId) {
    auto found = db.Query("SELECT FUserID FROM t_User WHERE FName = ?1", {Variant(name)});
    if (!found->IsEOF()) return static_cast<int64_t>(found->Field("FUserID").ToDouble());
    Variant id = Variant::Null();
    if (preferredId > 0 && !Exists(db, "SELECT 1 FROM t_User WHERE FUserID = ?1", {Variant(preferredId)}))
        id = Variant(preferredId);
    db.Execute("INSERT INTO t_User (FUserID, FName, FDescription, FIsAdmin) VALUES (?1, ?2, ?3, ?4)",
               {id, Variant(name), Variant(description), Variant(admin)});
    return db.LastInsertId();
}

void SeedProfile(Database& db, const char* category, const char* key, const std::string& value) {
    db.Execute(
        "INSERT INTO t_SystemProfile (FCategory, FKey, FValue) VALUES (?1, ?2, ?3) "
        "ON CONFLICT (FCategory, FKey) DO NOTHING",
        {Variant(category), Variant(key), Variant(value)});
}

void SeedBase(Database& db) {
    SeedCurrencies(db);
    SeedTypes(db, PresetTypes.data(), PresetTypes.data() + PresetTypes.size());
    db.Execute("INSERT INTO ICClassType (FID, FName) VALUES (?1, ?2) ON CONFLICT (FID) DO NOTHING",
               {Variant(ExchangeRateClassTypeId), Variant("汇率")});
    EnsureUser(db, "administrator", "系统管理员", true, 1);

    year_month_day today = Today();
    std::string year = std::to_string(static_cast<int>(today.year()));
    std::string month = std::to_string(static_cast<unsigned>(today.month()));
    SeedProfile(db, "BaseData", "CheckUser", "0");
    SeedProfile(db, "GL", "StartYear", year);
    SeedProfile(db, "GL", "StartPeriod", month);
    SeedProfile(db, "GL", "CurrentYear", year);
    SeedProfile(db, "GL", "CurrentPeriod", month);
}

struct TypeInfo {
    int64_t id;
    std::string number;
    std::string name;
    int32_t digits;
};

std::optional<TypeInfo> FindType(Database& db, const char* number) {
    auto row = db.Query("SELECT FID, FNumber, FName, FDigits FROM t_ExchangeRate WHERE FLevels = 1 AND FNumber = ?1",
                        {Variant(number)});
    if (row->IsEOF()) return std::nullopt;
    Variant digits = row->Field("FDigits");
    return TypeInfo{static_cast<int64_t>(row->Field("FID").ToDouble()), row->Field("FNumber").ToText(),
                    row->Field("FName").ToText(), digits.IsNull() ? 4 : digits.ToLong()};
}

// A rate's code and name: type, currency and first day, joined by points, as the
// rate editor composes them.
std::string RateKey(const std::string& type, const std::string& currency, sys_days begin) {
    return type + "." + currency + "." + tolm::FormatDate(tolm::DateTime(begin), "yyyyMMdd");
}

struct DemoUsers {
    int64_t accountant;
    int64_t auditor;
};

// Twelve monthly rates, ending with the current month, for each demo currency under
// the company type and the month-end type. The older half of the company rates has
// been audited. A month that already has a rate of that type and currency is left alone.
std::vector<std::string> SeedRates(Database& db, const DemoUsers& users) {
    std::vector<std::string> audited;
    std::optional<TypeInfo> company = FindType(db, "01");
    std::optional<TypeInfo> monthEnd = FindType(db, "03");
    year_month thisMonth = Today().year() / Today().month();
    for (const std::optional<TypeInfo>* candidate : {&company, &monthEnd}) {
        if (!*candidate) continue;
        const TypeInfo* type = &**candidate;
        bool isMonthEnd = candidate == &monthEnd;
        for (const RateSeed& seed : DemoRates) {
            auto currency = db.Query("SELECT FCurrencyID, FNumber, FName FROM t_Currency WHERE FNumber = ?1",
                                     {Variant(seed.currency)});
            if (currency->IsEOF()) continue;
            int64_t currencyId = static_cast<int64_t>(currency->Field("FCurrencyID").ToDouble());
            std::string currencyNumber = currency->Field("FNumber").ToText();
            std::string currencyName = currency->Field("FName").ToText();
            for (int m = 0; m < 12; ++m) {
                year_month month = thisMonth - months(11 - m);
                sys_days begin = sys_days(month / 1);
                sys_days end = sys_days(month / last);
                if (Exists(db,
                           "SELECT 1 FROM t_ExchangeRateEntry WHERE FExchangeRateType = ?1 AND FCyTo = ?2 "
                           "AND NOT (FBegDate > ?3 OR FEndDate < ?4)",
                           {Variant(type->id), Variant(currencyId), Variant(end), Variant(begin)}))
                    continue;
                double factor = 1.0 + 0.015 * std::sin(0.7 * m + seed.phase);
                if (isMonthEnd) factor *= 1.0 + 0.002 * std::cos(1.3 * m + seed.phase);
                double rate = tolm::RoundHalfEven(seed.base * factor, type->digits);
                double reverse = tolm::RoundHalfEven(1.0 / rate, type->digits);
                std::string number = RateKey(type->number, currencyNumber, begin);
                std::string name = RateKey(type->name, currencyName, begin);
                bool isAudited = !isMonthEnd && m < 6;
                int64_t id = NewExchangeRateId(db, false);
                db.Execute(
                    "INSERT INTO t_ExchangeRate (FID, FNumber, FName, FDigits, FRemark, FLevels, FParentID, "
                    "FIsNativeRate) VALUES (?1, ?2, ?3, ?4, '', 2, ?5, 0)",
                    {Variant(id), Variant(number), Variant(name), Variant(type->digits), Variant(type->id)});
                db.Execute(
                    "INSERT INTO t_ExchangeRateEntry (FID, FCyTo, FExchangeRateType, FExchangeRate, FReverseExRate, "
                    "FBegDate, FEndDate, FNumber, FName, FChkUserID, FCheckDate) "
                    "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11)",
                    {Variant(id), Variant(currencyId), Variant(type->id), Variant(rate), Variant(reverse),
                     Variant(begin), Variant(end), Variant(number), Variant(name),
                     Variant(isAudited ? users.auditor : int64_t{0}),
                     isAudited ? Variant(end) : Variant::Null()});
                if (isAudited && m == 0) audited.push_back(number);
            }
        }
    }
    return audited;
}

void SeedLog(Database& db, int64_t admin, const DemoUsers& users, const std::vector<std::string>& audited) {
    struct Entry {
        int64_t user;
        const char* function;
        std::string description;
        int daysAgo;
    };
    std::vector<Entry> entries = {
        {admin, "QEL1014002_mnuFileNewItem", "新增汇率类型完成-代码：[03] 名称：[月末汇率]", 3},
        {admin, "QEL1014002_mnuFileNewItem", "新增汇率类型完成-代码：[04] 名称：[海关汇率]", 3},
    };
    auto latest = db.Query(
        "SELECT e.FNumber, e.FExchangeRate, t.FDigits FROM t_ExchangeRateEntry e "
        "JOIN t_ExchangeRate t ON t.FID = e.FExchangeRateType "
        "JOIN t_Currency c ON c.FCurrencyID = e.FCyTo "
        "WHERE t.FNumber = '01' AND c.FNumber = 'USD' ORDER BY e.FBegDate DESC LIMIT 1");
    if (!latest->IsEOF()) {
        entries.push_back({users.accountant, "QEL1014002_mnuFileNewItem",
                           "新增汇率完成-代码：[" + latest->Field("FNumber").ToText() + "] 汇率：[" +
                               tolm::FormatFixed(latest->Field("FExchangeRate").ToDouble(),
                                                 latest->Field("FDigits").ToLong()) +
                               "]",
                           2});
    }
    if (!audited.empty()) {
        std::string codes;
        for (const std::string& code : audited) codes += (codes.empty() ? "" : ",") + code;
        entries.push_back({users.auditor, "QEL1014002_mnuCheck", "汇率审核完成-汇率代码：" + codes, 1});
    }
    tolm::DateTime now = floor<minutes>(LocalNow());
    for (const Entry& entry : entries) {
        if (Exists(db, "SELECT 1 FROM t_Log WHERE FFunctionID = ?1 AND FDescription = ?2",
                   {Variant(entry.function), Variant(entry.description)}))
            continue;
        db.Execute(
            "INSERT INTO t_Log (FDate, FUserID, FFunctionID, FOperateType, FDescription, FMachineName, FIPAddress) "
            "VALUES (?1, ?2, ?3, 5, ?4, ?5, ?6)",
            {Variant(now - days(entry.daysAgo)), Variant(entry.user), Variant(entry.function),
             Variant(entry.description), Variant(DemoMachine), Variant(DemoAddress)});
    }
}

void SeedDemo(Database& db) {
    int64_t admin = EnsureUser(db, "administrator", "系统管理员", true, 1);
    DemoUsers users{EnsureUser(db, "accountant", "会计", false, 0), EnsureUser(db, "auditor", "审核员", false, 0)};
    int64_t clerk = EnsureUser(db, "clerk", "职员", false, 0);

    using namespace rights;
    GrantRight(db, users.accountant, BaseDataSubsystem, BaseDataObject,
               View | New | Modify | Audit | ReverseAudit | Import | Export);
    GrantRight(db, users.accountant, LogSubsystem, LogObject, LogView | LogExport | LogPrint);
    GrantRight(db, users.auditor, BaseDataSubsystem, BaseDataObject, View | Audit | ReverseAudit);
    GrantRight(db, users.auditor, LogSubsystem, LogObject, LogView);
    GrantRight(db, clerk, BaseDataSubsystem, BaseDataObject, View);

    SeedTypes(db, DemoTypes.data(), DemoTypes.data() + DemoTypes.size());
    std::vector<std::string> audited = SeedRates(db, users);
    SeedLog(db, admin, users, audited);
}

}  // namespace

void InitCompany(Database& db, bool demo) {
    Migrate(db);
    Transaction transaction(db);
    SeedBase(db);
    if (demo) SeedDemo(db);
    transaction.Commit();
}

int64_t NewExchangeRateId(Database& db, bool forType) {
    int64_t id = MaxPlusOne(db,
                            "SELECT MAX(FMax) AS FMax FROM (SELECT MAX(FID) AS FMax FROM t_ExchangeRate "
                            "UNION ALL SELECT MAX(FID) FROM t_ExchangeRateEntry)");
    return forType && id < FirstUserTypeId ? FirstUserTypeId : id;
}

}  // namespace hub
