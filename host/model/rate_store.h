// The exchange rates. A rate is two rows sharing one id: its header in
// t_ExchangeRate (level 2, under its type) and its entry in t_ExchangeRateEntry
// (currency, rate, validity, audit). Both are written here and nowhere else.
//
// Layer: model (host/model), above db. The stores own the SQL the host itself
// writes; windows, services, the command line and the company set-up call them.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "db/database.h"
#include "tolm/host_library.h"

namespace hub {

// What is stored of a rate.
struct RateValues {
    int32_t typeId = 0;
    int32_t currencyId = 0;
    double rate = 0;
    // Units of the currency per unit of the home currency; nothing leaves it to be
    // worked out later (the editor's follow-up writes it).
    std::optional<double> reverseRate;
    tolm::DateTime begin{};
    tolm::DateTime end{};
    std::string number;  // the code
    std::string name;
    int32_t auditorId = 0;  // 0 while not audited
    std::optional<tolm::DateTime> checkDate;
};

// The id for a new row of t_ExchangeRate / t_ExchangeRateEntry: a rate's header and
// entry share one id, so a new id is one above the highest of both tables; a type's
// id is at least tolm::FirstUserTypeId. Call it inside the transaction that inserts
// the row, so no other writer can take the same id in between.
int64_t NewExchangeRateId(Database& db, bool forType);

// Stores a new rate (header and entry, the header taking its type's precision) under
// a new id, all or nothing; returns the id. Raises Overflow when no id is left, and
// InvalidProcedureCall, storing nothing, when the rate or its reverse rate is not a
// finite number above 0 (so do InsertRateWithId and UpdateRate).
int32_t InsertRate(Database& db, const RateValues& values);

// Stores a new rate under `id`, which the caller took from NewExchangeRateId inside
// the same transaction (a caller storing many rates counts up from there), without
// a transaction of its own.
void InsertRateWithId(Database& db, int32_t id, const RateValues& values);

enum class RateUpdate {
    Saved,
    Missing,          // the rate does not exist (any more)
    Audited,          // it was audited since it was loaded
    ChangedMeanwhile  // someone else saved it since it was loaded
};

// Overwrites what the editor changes of rate `rateId` (type, currency, rate,
// validity, code, name), all or nothing, but only while its version is still
// `loadedVersion` and it is not audited: a change made since by someone else is not
// lost without a word. The auditor is not the editor's to write. A reverse rate
// that no longer matches the rate is dropped rather than kept wrong.
RateUpdate UpdateRate(Database& db, int32_t rateId, const RateValues& values, int64_t loadedVersion);

// Whether the rate is whole: its header and its entry exist and the entry has its
// reverse rate, not 0 (what the editor's follow-up writes after a save).
bool RateIsComplete(Database& db, int32_t rateId);

// The rate with that id, as one row of RateRows (EOF when there is none).
std::shared_ptr<tolm::MemoryRecordset> RateRow(Database& db, int32_t rateId);
// The rates with those ids (at most MaxIdsPerRead), as rows of RateRows in no
// particular order; an id without a rate gives no row.
inline constexpr size_t MaxIdsPerRead = 500;
std::shared_ptr<tolm::MemoryRecordset> RateRowsWithIds(Database& db, const std::vector<int32_t>& rateIds);

// The rates of every type, or of one, as the rate list shows them: the rows of the
// types' records (not the home currency's native rates), ordered by type code,
// currency code, first day and id. Columns: the stored FID, FNumber, FName, FCyTo,
// FExchangeRateType, FExchangeRate, FReverseExRate, FBegDate, FEndDate, FChkUserID,
// FVersion, and beside them FCurrencyNumber, FCurrencyName, FTypeNumber, FTypeName,
// FTypeDigits and FAuditorName.
std::shared_ptr<tolm::MemoryRecordset> RateRows(Database& db, std::optional<int32_t> typeId = std::nullopt);

// The rows of the exchange-rate list of one type: the two tables joined under their
// own names, so that `condition` and `sort` (SQL text of the list's attached class,
// run through the dialect bridge) name their columns as "t_ExchangeRate.F..." and
// "t_ExchangeRateEntry.F...". An empty condition or sort adds nothing. Columns:
// FID, FNumber, FName, FCyTo, FExchangeRate, FReverseExRate, FBegDate, FEndDate,
// FChkUserID, FDeleted, and beside them FCurrencyNumber and FAuditorName.
std::shared_ptr<tolm::MemoryRecordset> ListRateRows(Database& db, int32_t typeId, const std::string& condition,
                                                    const std::string& sort);

// Deletes the rate (header and entry). False, with nothing changed, when it is
// audited or does not exist.
bool DeleteUnauditedRate(Database& db, int32_t rateId);
// Marks the rate disabled or in use again. False, with nothing changed, when a
// rate to disable is audited or the rate does not exist.
bool SetRateDisabled(Database& db, int32_t rateId, bool disabled);

// Whether another rate of the type and currency (not `exceptId`) is valid on a day
// between `begin` and `end`, both included.
bool RateOverlaps(Database& db, int32_t typeId, int32_t currencyId, tolm::DateTime begin, tolm::DateTime end,
                  int32_t exceptId = 0);

// The audit state of a rate: its code and its auditor (0 while not audited).
struct RateAudit {
    std::string number;
    int32_t auditorId = 0;
};
std::optional<RateAudit> FindRateAudit(Database& db, int32_t rateId);
// The audit state of each of the rates that exist, by id; a few statements for
// thousands of rates.
std::unordered_map<int32_t, RateAudit> FindRateAudits(Database& db, const std::vector<int32_t>& rateIds);
// Marks the rates audited by the user on that day, or (auditorId 0) not audited.
void SetRatesAudit(Database& db, const std::vector<int32_t>& rateIds, int32_t auditorId,
                   std::optional<tolm::DateTime> day);

}  // namespace hub
