// A tokenizer for the SQL the plug-in and the host write: enough to find statement
// boundaries, keywords, quoted text and parentheses without being fooled by a
// keyword, a quote or a line break inside a string literal or a comment.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace hub {

enum class SqlTokenKind {
    Word,        // a name or keyword: letters, digits, _ @ # $ and any non-ASCII byte
    Number,      // 12, 1.5, 1e-3, .5
    String,      // '...' with '' standing for one quote
    QuotedName,  // "..." [...] `...`
    Symbol,      // any other single character
    Space,       // blanks, tabs and line breaks
    Comment,     // -- to the end of the line, or /* ... */
};

struct SqlToken {
    SqlTokenKind kind;
    std::string_view text;  // points into the lexed text
    size_t offset;          // where the token starts in the lexed text
    // A quote or a /* comment that was never closed and ran to the end of the text.
    bool unterminated = false;
};

// The tokens of `sql`, covering every byte of it in order. Unterminated quotes and
// comments run to the end of the text.
std::vector<SqlToken> LexSql(std::string_view sql);

// Blanks and comments carry no meaning.
bool IsSignificant(const SqlToken& token);

// Whether the token is the given keyword; `lowerWord` is written in lower case,
// the token may be in any case.
bool IsWord(const SqlToken& token, std::string_view lowerWord);

bool IsSymbol(const SqlToken& token, char symbol);

// The text of a '...' literal without its quotes, '' read as one quote.
std::string UnquoteString(std::string_view literal);

// `text` as a '...' literal.
std::string QuoteString(std::string_view text);

// `name` as a "..." name, a '"' in it doubled.
std::string QuoteIdentifier(std::string_view name);

// The name inside a quoted name token ("x", [x] or `x`), its doubled quote read as one.
std::string UnquoteName(std::string_view quoted);

}  // namespace hub
