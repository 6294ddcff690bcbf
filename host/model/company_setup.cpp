#include "model/company_setup.h"

#include <array>
#include <chrono>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "base/clock.h"
#include "db/migrations.h"
#include "model/currency_store.h"
#include "model/log_store.h"
#include "model/profile_store.h"
#include "model/rate_store.h"
#include "model/type_store.h"
#include "model/user_store.h"
#include "tolm/base_data.h"

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

year_month_day Today() { return year_month_day{floor<days>(LocalNow())}; }

void SeedTypes(Database& db, const TypeSeed* begin, const TypeSeed* end) {
    for (const TypeSeed* seed = begin; seed != end; ++seed) {
        if (FindTypeIdByNumber(db, seed->number) || OtherTypeWithName(db, seed->name, 0)) continue;
        InsertType(db, TypeValues{seed->number, seed->name, seed->digits, ""}, seed->id);
    }
}

void SeedBase(Database& db) {
    for (size_t i = 0; i < Currencies.size(); ++i) {
        EnsureCurrency(db, Currencies[i].number, Currencies[i].name, static_cast<int32_t>(i) + 1);
    }
    SeedTypes(db, PresetTypes.data(), PresetTypes.data() + PresetTypes.size());
    db.Execute("INSERT INTO ICClassType (FID, FName) VALUES (?1, ?2) ON CONFLICT (FID) DO NOTHING",
               {Variant(tolm::ExchangeRateClassTypeId), Variant("汇率")});
    EnsureUser(db, "administrator", "系统管理员", true, 1);

    year_month_day today = Today();
    std::string year = std::to_string(static_cast<int>(today.year()));
    std::string month = std::to_string(static_cast<unsigned>(today.month()));
    AddProfileDefault(db, "BaseData", "CheckUser", "0");
    AddProfileDefault(db, "GL", "StartYear", year);
    AddProfileDefault(db, "GL", "StartPeriod", month);
    AddProfileDefault(db, "GL", "CurrentYear", year);
    AddProfileDefault(db, "GL", "CurrentPeriod", month);
}

struct TypeInfo {
    int32_t id;
    TypeValues values;
};

std::optional<TypeInfo> FindTypeByNumber(Database& db, const char* number) {
    const std::optional<int32_t> id = FindTypeIdByNumber(db, number);
    if (!id) return std::nullopt;
    return TypeInfo{*id, *FindType(db, *id, 4)};
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
    std::optional<TypeInfo> company = FindTypeByNumber(db, "01");
    std::optional<TypeInfo> monthEnd = FindTypeByNumber(db, "03");
    year_month thisMonth = Today().year() / Today().month();
    for (const std::optional<TypeInfo>* candidate : {&company, &monthEnd}) {
        if (!*candidate) continue;
        const TypeInfo* type = &**candidate;
        bool isMonthEnd = candidate == &monthEnd;
        for (const RateSeed& seed : DemoRates) {
            const std::optional<CurrencyRecord> currency = FindCurrencyByCode(db, seed.currency);
            if (!currency) continue;
            for (int m = 0; m < 12; ++m) {
                year_month month = thisMonth - months(11 - m);
                sys_days begin = sys_days(month / 1);
                sys_days end = sys_days(month / last);
                if (RateOverlaps(db, type->id, currency->id, begin, end)) continue;
                double factor = 1.0 + 0.015 * std::sin(0.7 * m + seed.phase);
                if (isMonthEnd) factor *= 1.0 + 0.002 * std::cos(1.3 * m + seed.phase);
                const int32_t digits = type->values.digits;
                RateValues rate;
                rate.typeId = type->id;
                rate.currencyId = currency->id;
                rate.rate = tolm::RoundHalfEven(seed.base * factor, digits);
                rate.reverseRate = tolm::RoundHalfEven(1.0 / rate.rate, digits);
                rate.begin = begin;
                rate.end = end;
                rate.number = RateKey(type->values.number, currency->number, begin);
                rate.name = RateKey(type->values.name, currency->name, begin);
                bool isAudited = !isMonthEnd && m < 6;
                if (isAudited) {
                    rate.auditorId = static_cast<int32_t>(users.auditor);
                    rate.checkDate = tolm::DateTime(end);
                }
                InsertRate(db, rate);
                const std::string& number = rate.number;
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
    // The newest USD rate of the company type, as its editor would have logged it.
    if (const std::optional<int32_t> companyType = FindTypeIdByNumber(db, "01")) {
        auto rates = RateRows(db, *companyType);
        std::optional<std::string> latest;
        tolm::DateTime latestBegin{};
        for (; !rates->IsEOF(); rates->MoveNext()) {
            if (rates->Field("FCurrencyNumber").ToText() != "USD" || (latest && rates->Field("FBegDate").ToDate() <= latestBegin))
                continue;
            latestBegin = rates->Field("FBegDate").ToDate();
            latest = "新增汇率完成-代码：[" + rates->Field("FNumber").ToText() + "] 汇率：[" +
                     tolm::FormatFixed(rates->Field("FExchangeRate").ToDouble(), rates->Field("FTypeDigits").ToLong()) +
                     "]";
        }
        if (latest) entries.push_back({users.accountant, "QEL1014002_mnuFileNewItem", *latest, 2});
    }
    if (!audited.empty()) {
        std::string codes;
        for (const std::string& code : audited) codes += (codes.empty() ? "" : ",") + code;
        entries.push_back({users.auditor, "QEL1014002_mnuCheck", "汇率审核完成-汇率代码：" + codes, 1});
    }
    tolm::DateTime now = floor<minutes>(LocalNow());
    for (const Entry& entry : entries) {
        if (LogRecordExists(db, entry.function, entry.description)) continue;
        WriteLogRecord(db, LogRecord{now - days(entry.daysAgo), entry.user, entry.function, 5, entry.description,
                                     DemoMachine, DemoAddress});
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

void InitCompany(Database& db, bool demo, const std::string& osAccount) {
    Migrate(db);
    Transaction transaction(db);
    SeedBase(db);
    if (demo) SeedDemo(db);
    // The account that set the company up may act as its administrator (and as the
    // demonstration's users) without a password; a link made before stays.
    std::vector<std::string> linked{"administrator"};
    if (demo) linked.insert(linked.end(), {"accountant", "auditor", "clerk"});
    for (const std::string& name : linked) {
        db.Execute("UPDATE t_User SET FOsAccount = ?2 WHERE FName = ?1 AND FOsAccount IS NULL",
                   {Variant(name), Variant(osAccount)});
    }
    transaction.Commit();
}

CompanyCounts CountCompany(Database& db) {
    CompanyCounts counts;
    // A database that was never migrated has none of the tables yet.
    if (SchemaVersion(db) == 0) return counts;
    auto number = [&](const char* sql) { return db.Query(sql)->Field("n").ToLong(); };
    counts.types = number("SELECT COUNT(*) AS n FROM t_ExchangeRate WHERE FLevels = 1");
    counts.rates = number("SELECT COUNT(*) AS n FROM t_ExchangeRateEntry");
    counts.users = number("SELECT COUNT(*) AS n FROM t_User");
    counts.logRecords = number("SELECT COUNT(*) AS n FROM t_Log");
    return counts;
}

}  // namespace hub
