// Company administration: setting a company up and moving a whole company from one
// database to another. Whoever asks (the command line today), the decision is taken
// here: a company in use is changed by its administrators only, a company is replaced
// only when the person says so, and a copy is recorded in the operation log of the
// company it made, in the same transaction.
#pragma once

#include <string>
#include <vector>

#include "db/company_copy.h"
#include "model/company_setup.h"
#include "services/session.h"
#include "services/unit_of_work.h"

namespace hub {

// The sentence refusing to change the company `displayName` of schema `version`,
// newer than this program's, in `language`.
std::string NewerCompanyRefusal(const std::string& displayName, int version, const std::string& language);

struct CompanyCopyRequest {
    std::string source;       // a database location (OpenDatabase)
    std::string destination;
    bool replace = false;     // a company the destination holds may be replaced
    std::string userName;     // who asks ("": the user linked to the credentials' account)
    Credentials credentials;  // the proof of it
    std::string language;     // of the reasons and the question
};

struct CompanyCopyResult {
    Outcome outcome;                   // told: false; the caller shows the reason
    std::vector<CopiedTable> tables;   // when done
};

// Copies the company. Refused (nothing changed) when source and destination are the
// same database, the source holds no company, the destination holds one and
// `replace` was not given, or the credentials do not prove the person an enabled
// administrator of the source and (when it holds a company) of the destination. Before a company is replaced the
// person is asked through the platform's message box; No is Unchanged. A copy that
// cannot be finished is Failed and leaves the destination as it was.
CompanyCopyResult CopyCompanyAsAdministrator(const CompanyCopyRequest& request);

struct CompanySetupResult {
    Outcome outcome;         // told: false; the caller shows the reason
    int versionBefore = 0;   // 0: there was no company
    CompanyCounts before;
    CompanyCounts after;     // when done
};

// Creates the company in `db`, or brings it to this program's schema version and
// adds the base data it lacks; with `demo` also the demonstration data. Refused
// (nothing changed) for a company of a newer program, for a company in use when
// `userName` is not an enabled administrator of it, and for demonstration data
// asked of a company that holds more than its base data. The administrator is the
// one the credentials prove (Authenticate); the credentials' operating-system
// account is linked as InitCompany links it. Failed when it cannot be
// finished; the database is then as it was.
CompanySetupResult SetUpCompanyAsAdministrator(Database& db, const std::string& userName,
                                               const Credentials& credentials, bool demo,
                                               const std::string& displayName, const std::string& language);

}  // namespace hub
