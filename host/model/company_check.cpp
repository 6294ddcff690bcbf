#include "model/company_check.h"

#include <utility>

namespace hub {

namespace {

// Each rule is one query for the rates that break it, with the same columns: the
// rate, the other rate of an overlap, the user an audit names.
struct RuleQuery {
    CompanyRule rule;
    const char* sql;
};

constexpr RuleQuery RuleQueries[] = {
    {CompanyRule::MissingHeader,
     "SELECT e.FID, e.FNumber, 0 AS FOtherID, '' AS FOtherNumber, 0 AS FUserID FROM t_ExchangeRateEntry e"
     " WHERE NOT EXISTS (SELECT 1 FROM t_ExchangeRate h WHERE h.FID = e.FID AND h.FLevels = 2) ORDER BY e.FID"},
    {CompanyRule::MissingEntry,
     "SELECT h.FID, h.FNumber, 0 AS FOtherID, '' AS FOtherNumber, 0 AS FUserID FROM t_ExchangeRate h"
     " WHERE h.FLevels = 2 AND NOT EXISTS (SELECT 1 FROM t_ExchangeRateEntry e WHERE e.FID = h.FID) ORDER BY h.FID"},
    // The upper bound is the largest finite double: infinity, and on the server NaN
    // (which it sorts above every number), fail it, as does text the embedded
    // database may hold in the column.
    {CompanyRule::BadReverseRate,
     "SELECT FID, FNumber, 0 AS FOtherID, '' AS FOtherNumber, 0 AS FUserID FROM t_ExchangeRateEntry"
     " WHERE FReverseExRate IS NULL OR NOT (FReverseExRate > 0 AND FReverseExRate <= 1.7976931348623157e308)"
     " ORDER BY FID"},
    // Of two overlapping periods, the one that begins later (or, beginning the same
    // day, has the higher id) begins within the other: each pair is found once, down
    // the period index rather than by comparing every pair of a currency's history.
    {CompanyRule::Overlap,
     "SELECT a.FID, a.FNumber, b.FID AS FOtherID, b.FNumber AS FOtherNumber, 0 AS FUserID"
     " FROM t_ExchangeRateEntry a JOIN t_ExchangeRateEntry b"
     " ON b.FExchangeRateType = a.FExchangeRateType AND b.FCyTo = a.FCyTo"
     " AND b.FBegDate >= a.FBegDate AND b.FBegDate <= a.FEndDate AND b.FID <> a.FID"
     " AND (b.FBegDate > a.FBegDate OR b.FID > a.FID)"
     " ORDER BY a.FID, b.FID"},
    {CompanyRule::UnknownAuditor,
     "SELECT e.FID, e.FNumber, 0 AS FOtherID, '' AS FOtherNumber, e.FChkUserID AS FUserID FROM t_ExchangeRateEntry e"
     " WHERE e.FChkUserID <> 0 AND NOT EXISTS (SELECT 1 FROM t_User u WHERE u.FUserID = e.FChkUserID)"
     " ORDER BY e.FID"},
};

}  // namespace

std::vector<CompanyFinding> CheckCompany(Database& db) {
    std::vector<CompanyFinding> findings;
    if (std::vector<std::string> problems = db.StorageProblems(); !problems.empty()) {
        CompanyFinding storage;
        storage.problems = std::move(problems);
        findings.push_back(std::move(storage));
        return findings;
    }
    for (const RuleQuery& query : RuleQueries) {
        for (auto rows = db.Query(query.sql); !rows->IsEOF(); rows->MoveNext()) {
            CompanyFinding finding;
            finding.rule = query.rule;
            finding.rateId = rows->Field("FID").ToLong();
            finding.rateCode = rows->Field("FNumber").ToText();
            finding.otherId = rows->Field("FOtherID").ToLong();
            finding.otherCode = rows->Field("FOtherNumber").ToText();
            finding.userId = rows->Field("FUserID").ToLong();
            findings.push_back(std::move(finding));
        }
    }
    return findings;
}

}  // namespace hub
