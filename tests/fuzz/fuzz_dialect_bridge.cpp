// The plug-in's SQL made runnable on either backend: translating a statement and
// reading a procedure call either succeed or raise HostError.
#include <algorithm>
#include <string>
#include <vector>

#include "db/dialect.h"
#include "db/dialect_bridge.h"
#include "db/sql_lexer.h"
#include "fuzz_support.h"
#include "tolm/host_error.h"

namespace {

// Whether a select of the text starts with "top" (after distinct or all): such a
// select had two tops, of which one pass takes one.
bool HasTop(std::string_view sql) {
    std::vector<hub::SqlToken> words;
    for (const auto& token : hub::LexSql(sql)) {
        if (hub::IsSignificant(token)) words.push_back(token);
    }
    for (size_t i = 0; i + 1 < words.size(); ++i) {
        if (!hub::IsWord(words[i], "select")) continue;
        size_t next = i + 1;
        if (hub::IsWord(words[next], "distinct") || hub::IsWord(words[next], "all")) ++next;
        if (next < words.size() && hub::IsWord(words[next], "top")) return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view statement(reinterpret_cast<const char*>(data), size);
    // Text ending inside a quote has no second reading to agree with: the database
    // refuses it whatever the bridge makes of it.
    const auto tokens = hub::LexSql(statement);
    const bool complete = std::none_of(tokens.begin(), tokens.end(), [](const hub::SqlToken& t) { return t.unterminated; });
    for (const hub::Dialect* dialect : {&hub::SqliteDialect(), &hub::PostgresDialect()}) {
        try {
            const std::string translated = hub::TranslateStatement(statement, *dialect);
            // What was translated is in the dialect's form already: a second pass
            // changes nothing (or refuses what the first pass exposed).
            if (complete && !HasTop(translated)) {
                try {
                    fuzz::Require(hub::TranslateStatement(translated, *dialect) == translated,
                                  "a translated statement translates to itself");
                } catch (const tolm::HostError&) {
                }
            }
        } catch (const tolm::HostError&) {
        }
        try {
            hub::ParseStatement(statement, *dialect);
        } catch (const tolm::HostError&) {
        }
    }
    return 0;
}
