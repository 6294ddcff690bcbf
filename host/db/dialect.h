// What differs between the SQL of the database backends, for the SQL the host writes
// and for the bridge that runs the plug-in's.
#pragma once

#include <string>
#include <string_view>

#include "tolm/variant.h"

namespace hub {

class Dialect {
public:
    virtual ~Dialect();

    // The backend's name in lower-case letters: the folder of its migrations.
    virtual std::string_view Name() const = 0;
    // Parameters are written ?1, ?2, ... for every backend; a driver whose server
    // writes them otherwise rewrites them before the statement leaves the host.
    // The collation that compares text without regard to letter case, as written
    // after an expression ("FName COLLATE NOCASE").
    virtual std::string_view NoCaseCollation() const = 0;
    // A day (or a moment, when it has a time of day) as a literal of a statement.
    virtual std::string DateLiteral(tolm::DateTime value) const = 0;
    // The column type of a moment (a day with its time of day).
    virtual std::string_view MomentType() const = 0;
    // A name written quoted ("[FID]", "`FID`", "\"FID\"" in the plug-in's SQL) as this
    // backend finds the unquoted name: the server folds unquoted names to lower case,
    // so a quoted name must be folded too, or it would name nothing.
    virtual std::string QuotedName(std::string_view name) const = 0;
    // Whether "WITH x AS (INSERT ... RETURNING ...) INSERT ... SELECT ... FROM x" runs:
    // rows of two tables written by one statement, one round trip to a server.
    virtual bool InsertsInWithClause() const = 0;
};

// The embedded backend's dialect.
const Dialect& SqliteDialect();
// The server backend's dialect.
const Dialect& PostgresDialect();

}  // namespace hub
