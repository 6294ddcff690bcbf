#include "sql_lexer.h"

#include "base/text_util.h"

namespace hub {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsWordStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '@' || c == '#' ||
           static_cast<unsigned char>(c) >= 0x80;
}

bool IsWordPart(char c) { return IsWordStart(c) || IsDigit(c) || c == '$'; }

// The end of a quoted run that starts at `pos` with `open` and ends with `close`;
// a doubled closing character stands for itself and does not end the run. npos when
// the run is never closed.
size_t QuotedEnd(std::string_view sql, size_t pos, char close) {
    size_t i = pos + 1;
    while (i < sql.size()) {
        if (sql[i] == close) {
            if (close != ']' && i + 1 < sql.size() && sql[i + 1] == close) {
                i += 2;
                continue;
            }
            return i + 1;
        }
        ++i;
    }
    return std::string_view::npos;
}

}  // namespace

std::vector<SqlToken> LexSql(std::string_view sql) {
    std::vector<SqlToken> tokens;
    // About one token in four characters, counting the blanks between them.
    tokens.reserve(sql.size() / 4 + 1);
    size_t pos = 0;
    while (pos < sql.size()) {
        char c = sql[pos];
        char next = pos + 1 < sql.size() ? sql[pos + 1] : '\0';
        SqlTokenKind kind;
        size_t end;
        bool unterminated = false;
        if (IsBlank(c)) {
            kind = SqlTokenKind::Space;
            end = pos;
            while (end < sql.size() && IsBlank(sql[end])) ++end;
        } else if (c == '-' && next == '-') {
            kind = SqlTokenKind::Comment;
            end = sql.find('\n', pos);
            if (end == std::string_view::npos) end = sql.size();
            // A CR LF ending belongs to the line break, not to the comment.
            if (end > pos && end < sql.size() && sql[end - 1] == '\r') --end;
        } else if (c == '/' && next == '*') {
            kind = SqlTokenKind::Comment;
            end = sql.find("*/", pos + 2);
            unterminated = end == std::string_view::npos;
            end = unterminated ? sql.size() : end + 2;
        } else if (c == '\'' || c == '"' || c == '`' || c == '[') {
            kind = c == '\'' ? SqlTokenKind::String : SqlTokenKind::QuotedName;
            end = QuotedEnd(sql, pos, c == '[' ? ']' : c);
            unterminated = end == std::string_view::npos;
            if (unterminated) end = sql.size();
        } else if (IsDigit(c) || (c == '.' && IsDigit(next))) {
            kind = SqlTokenKind::Number;
            end = pos + 1;
            while (end < sql.size()) {
                char d = sql[end];
                if ((d == 'e' || d == 'E') && end + 1 < sql.size() && (sql[end + 1] == '+' || sql[end + 1] == '-')) {
                    end += 2;
                } else if (IsDigit(d) || d == '.' || IsWordPart(d)) {
                    ++end;
                } else {
                    break;
                }
            }
        } else if (IsWordStart(c)) {
            kind = SqlTokenKind::Word;
            end = pos + 1;
            while (end < sql.size() && IsWordPart(sql[end])) ++end;
        } else {
            kind = SqlTokenKind::Symbol;
            end = pos + 1;
        }
        tokens.push_back({kind, sql.substr(pos, end - pos), pos, unterminated});
        pos = end;
    }
    return tokens;
}

bool IsSignificant(const SqlToken& token) {
    return token.kind != SqlTokenKind::Space && token.kind != SqlTokenKind::Comment;
}

bool IsWord(const SqlToken& token, std::string_view lowerWord) {
    return token.kind == SqlTokenKind::Word && EqualsNoCase(token.text, lowerWord);
}

bool IsSymbol(const SqlToken& token, char symbol) {
    return token.kind == SqlTokenKind::Symbol && token.text.size() == 1 && token.text[0] == symbol;
}

std::string UnquoteString(std::string_view literal) {
    std::string text;
    if (literal.empty() || literal.front() != '\'') return std::string(literal);
    size_t end = literal.size();
    if (end >= 2 && literal.back() == '\'') --end;
    for (size_t i = 1; i < end; ++i) {
        text += literal[i];
        if (literal[i] == '\'' && i + 1 < end && literal[i + 1] == '\'') ++i;
    }
    return text;
}

std::string QuoteString(std::string_view text) {
    std::string literal = "'";
    for (char c : text) {
        literal += c;
        if (c == '\'') literal += '\'';
    }
    literal += '\'';
    return literal;
}

std::string QuoteIdentifier(std::string_view name) {
    std::string quoted = "\"";
    for (char c : name) {
        quoted += c;
        if (c == '"') quoted += '"';
    }
    quoted += '"';
    return quoted;
}

std::string UnquoteName(std::string_view quoted) {
    if (quoted.size() < 2) return std::string(quoted);
    const char open = quoted.front();
    const char close = open == '[' ? ']' : open;
    std::string_view inner = quoted.substr(1, quoted.back() == close ? quoted.size() - 2 : quoted.size() - 1);
    std::string name;
    for (size_t i = 0; i < inner.size(); ++i) {
        name += inner[i];
        if (inner[i] == close && i + 1 < inner.size() && inner[i + 1] == close) ++i;
    }
    return name;
}

}  // namespace hub
