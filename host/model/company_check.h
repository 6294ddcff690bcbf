// The company's rules checked over what is stored, for `tolm db check`. Every write
// of this program keeps them; a damaged file, another program or a change made by
// hand may not have.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "db/database.h"

namespace hub {

enum class CompanyRule {
    // The database's own check of its storage found problems.
    Storage,
    // A rate's entry (t_ExchangeRateEntry) has no header (t_ExchangeRate with
    // FLevels = 2 under the same id): the rate list never shows it.
    MissingHeader,
    // A rate's header has no entry.
    MissingEntry,
    // A rate's reverse rate is missing, not a finite number, or not above 0.
    BadReverseRate,
    // Two rates of one type and currency are valid on a common day.
    Overlap,
    // An audited rate (FChkUserID <> 0) names an auditor who is no user.
    UnknownAuditor,
};

struct CompanyFinding {
    CompanyRule rule = CompanyRule::Storage;
    // The rate concerned, by id and code; 0 and "" for Storage.
    int32_t rateId = 0;
    std::string rateCode;
    // Overlap: the other rate, whose id is the higher of the two.
    int32_t otherId = 0;
    std::string otherCode;
    // UnknownAuditor: the user id the rate names.
    int32_t userId = 0;
    // Storage: each problem in the database's own words (for the debug log).
    std::vector<std::string> problems;
};

// Reads the whole company and returns what breaks a rule: first what the database's
// own check finds (Database::StorageProblems), then each rule of CompanyRule in its
// order, each by rate id. Storage problems are returned alone: rows read from
// damaged storage prove nothing. Nothing when all is sound. Writes nothing; raises
// what the database raises when it cannot be read at all.
std::vector<CompanyFinding> CheckCompany(Database& db);

}  // namespace hub
