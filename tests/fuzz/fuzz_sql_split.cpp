// The batch splitter: whatever the text, the pieces it cuts hold every meaningful
// token of the batch, in order, and nothing else.
#include <string>
#include <vector>

#include "db/dialect_bridge.h"
#include "db/sql_lexer.h"
#include "fuzz_support.h"
#include "tolm/text.h"

namespace {

// Meaningful tokens as text. Trailing blanks of an unclosed quote at the very end
// are dropped: the splitter trims a statement, and such a quote is refused anyway.
void AppendTokens(std::string_view sql, std::vector<std::string>& out) {
    for (const hub::SqlToken& token : hub::LexSql(sql)) {
        if (!hub::IsSignificant(token)) continue;
        out.emplace_back(token.unterminated ? tolm::text::Trim(token.text) : token.text);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view batch(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> statements = hub::SplitBatch(batch);

    std::vector<std::string> whole;
    AppendTokens(batch, whole);
    std::vector<std::string> rejoined;
    size_t from = 0;
    for (const std::string& statement : statements) {
        fuzz::Require(!tolm::text::IsBlank(statement), "no blank statement");
        const size_t at = batch.find(statement, from);
        fuzz::Require(at != std::string_view::npos, "statements are pieces of the batch, in order");
        from = at + statement.size();
        AppendTokens(statement, rejoined);
    }
    fuzz::Require(rejoined == whole, "the pieces rejoin to the batch's meaningful tokens");
    return 0;
}
