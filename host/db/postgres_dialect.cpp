// The server backend's dialect. It needs no connection, so it stays in the host
// (the bridge translates for it before any server is reached) while the backend
// itself lives in its module.
#include "dialect.h"

#include "sql_lexer.h"
#include "base/text_util.h"

namespace hub {

namespace {

class PostgresDialectImpl final : public Dialect {
public:
    std::string_view Name() const override { return "postgresql"; }
    // Created by the schema: equal when only letter case differs (ICU, strength 2).
    std::string_view NoCaseCollation() const override { return "COLLATE nocase"; }
    // An untyped literal takes the type of what it is compared with (date or text).
    std::string DateLiteral(tolm::DateTime value) const override { return "'" + tolm::FormatDateText(value) + "'"; }
    std::string_view MomentType() const override { return "TIMESTAMP(0)"; }
    std::string QuotedName(std::string_view name) const override { return QuoteIdentifier(AsciiLower(name)); }
    bool InsertsInWithClause() const override { return true; }
};

}  // namespace

const Dialect& PostgresDialect() {
    static const PostgresDialectImpl dialect;
    return dialect;
}

}  // namespace hub
