#include "dialect_bridge.h"

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

#include "sql_lexer.h"
#include "base/text_util.h"
#include "tolm/host_error.h"

namespace hub {

namespace {

[[noreturn]] void Fail(const std::string& message) {
    throw tolm::HostError(tolm::err::Database, message, "TolmHost.DataAccess");
}

bool IsOneOf(const SqlToken& token, std::initializer_list<std::string_view> words) {
    return std::any_of(words.begin(), words.end(), [&](std::string_view word) { return IsWord(token, word); });
}

bool HasLineBreak(const SqlToken& token) {
    return token.kind == SqlTokenKind::Space && token.text.find_first_of("\r\n") != std::string_view::npos;
}

size_t NextSignificant(const std::vector<SqlToken>& tokens, size_t from) {
    while (from < tokens.size() && !IsSignificant(tokens[from])) ++from;
    return from;
}

// Whether the line starting at tokens[i] starts a statement of its own.
bool StartsStatement(const std::vector<SqlToken>& tokens, size_t i) {
    const SqlToken& token = tokens[i];
    if (IsWord(token, "with")) {
        // "with name as (...)" opens a statement; "with (nolock)" is a table hint.
        size_t next = NextSignificant(tokens, i + 1);
        return next < tokens.size() && tokens[next].kind == SqlTokenKind::Word;
    }
    return IsOneOf(token, {"select", "insert", "update", "delete", "exec", "execute", "create", "drop", "alter"});
}

// What the splitter has seen of the statement it is collecting, enough to tell
// whether a line starting with a statement keyword still belongs to it.
class StatementShape {
public:
    void Add(const SqlToken& token, int depth) {
        if (!m_last) m_first = AsciiLower(token.text);
        m_last = token;
        if (depth == 0 && token.kind == SqlTokenKind::Word && m_count > 0) {
            if (IsOneOf(token, {"values", "select", "default"})) m_hasSource = true;
            if (IsOneOf(token, {"select", "insert", "update", "delete"})) m_hasMainStatement = true;
            if (IsWord(token, "trigger")) m_isTrigger = true;
        }
        ++m_count;
    }

    bool Empty() const { return !m_last; }

    bool NeedsContinuation() const {
        if (!m_last) return false;
        const SqlToken& last = *m_last;
        if (last.kind == SqlTokenKind::Symbol && std::string_view(",(=<>+-*/|&").find(last.text[0]) != std::string_view::npos)
            return true;
        if (IsOneOf(last, {"as", "union", "all", "except", "intersect", "in", "exists", "not", "and", "or", "then",
                           "else", "when", "on", "where", "from", "join", "by", "set", "into", "values", "select",
                           "distinct", "having", "like", "between", "is"}))
            return true;
        if ((m_first == "insert" || m_first == "replace") && !m_hasSource) return true;
        if (m_first == "with" && !m_hasMainStatement) return true;
        if (m_first == "create" && m_isTrigger && !IsWord(last, "end") && !IsSymbol(last, ';')) return true;
        return false;
    }

private:
    std::string m_first;
    std::optional<SqlToken> m_last;
    size_t m_count = 0;
    bool m_hasSource = false;
    bool m_hasMainStatement = false;
    bool m_isTrigger = false;
};

struct Edit {
    size_t offset;
    size_t length;
    std::string text;
};

std::string ApplyEdits(std::string_view text, std::vector<Edit> edits) {
    std::stable_sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) { return a.offset < b.offset; });
    // An edit inside text that another edit removes has nothing left to change (the
    // text moved elsewhere is translated where it goes).
    std::string result;
    size_t copied = 0;
    for (const Edit& edit : edits) {
        if (edit.offset < copied) continue;
        result.append(text.substr(copied, edit.offset - copied));
        result += edit.text;
        copied = edit.offset + edit.length;
    }
    result.append(text.substr(copied));
    return result;
}

// Parenthesis structure of a statement: the depth of every token and, for every
// token, the index of the ')' that closes its enclosing parentheses (or the token
// count at the top level).
struct Nesting {
    std::vector<int> depth;
    std::vector<size_t> scopeEnd;
    std::vector<size_t> match;  // for '(' the index of its ')', else the token count
};

Nesting Nest(const std::vector<SqlToken>& tokens) {
    size_t n = tokens.size();
    Nesting nesting{std::vector<int>(n, 0), std::vector<size_t>(n, n), std::vector<size_t>(n, n)};
    std::vector<size_t> open;
    std::vector<size_t> owner(n, n);  // the '(' enclosing each token
    for (size_t i = 0; i < n; ++i) {
        if (IsSymbol(tokens[i], ')') && !open.empty()) {
            nesting.match[open.back()] = i;
            open.pop_back();
        }
        nesting.depth[i] = static_cast<int>(open.size());
        owner[i] = open.empty() ? n : open.back();
        if (IsSymbol(tokens[i], '(')) open.push_back(i);
    }
    for (size_t i = 0; i < n; ++i) {
        if (owner[i] < n) nesting.scopeEnd[i] = nesting.match[owner[i]];
    }
    return nesting;
}

// "select [distinct|all] top N ..." -> "select [distinct|all] ... limit N".
void TranslateTop(std::string_view statement, const std::vector<SqlToken>& tokens, const Nesting& nesting,
                  size_t select, const Dialect& dialect, std::vector<Edit>& edits) {
    size_t n = tokens.size();
    size_t top = NextSignificant(tokens, select + 1);
    if (top < n && IsOneOf(tokens[top], {"distinct", "all"})) top = NextSignificant(tokens, top + 1);
    if (top >= n || !IsWord(tokens[top], "top")) return;

    size_t count = NextSignificant(tokens, top + 1);
    std::string limit;
    size_t countEnd;  // one past the last token of the count
    if (count < n && tokens[count].kind == SqlTokenKind::Number &&
        tokens[count].text.find_first_not_of("0123456789") == std::string_view::npos) {
        limit = std::string(tokens[count].text);
        countEnd = count + 1;
    } else if (count < n && IsSymbol(tokens[count], '(') && nesting.match[count] < n) {
        size_t close = nesting.match[count];
        limit = TranslateStatement(statement.substr(tokens[count].offset, tokens[close].offset + 1 - tokens[count].offset),
                                   dialect);
        countEnd = close + 1;
    } else {
        Fail("\"top\" must be followed by a number [in: " + std::string(statement) + "]");
    }

    size_t after = NextSignificant(tokens, countEnd);
    if (after < n && (IsWord(tokens[after], "percent") || IsWord(tokens[after], "with")))
        Fail("\"top ... percent\" and \"with ties\" are not supported [in: " + std::string(statement) + "]");

    size_t end = nesting.scopeEnd[select];
    for (size_t i = select + 1; i < end; ++i) {
        if (nesting.depth[i] == nesting.depth[select] && IsOneOf(tokens[i], {"union", "except", "intersect", "limit"}))
            Fail("\"top\" cannot be combined with " + AsciiLower(tokens[i].text) + " [in: " + std::string(statement) + "]");
    }
    // The limit goes after the last token of this select, before a closing ';'.
    size_t last = n;
    for (size_t i = end; i-- > countEnd;) {
        if (IsSignificant(tokens[i]) && !IsSymbol(tokens[i], ';')) {
            last = i;
            break;
        }
    }
    if (last == n) Fail("\"top\" without anything to select [in: " + std::string(statement) + "]");

    size_t removeEnd = after < n ? tokens[after].offset : statement.size();
    edits.push_back({tokens[top].offset, removeEnd - tokens[top].offset, ""});
    edits.push_back({tokens[last].offset + tokens[last].text.size(), 0, " limit " + limit});
}

// A comparison operator written as one or two adjacent symbols at tokens[i]: its
// text and the number of tokens it spans, or an empty text.
std::pair<std::string, size_t> ComparisonAt(const std::vector<SqlToken>& tokens, size_t i) {
    if (i >= tokens.size() || tokens[i].kind != SqlTokenKind::Symbol) return {"", 0};
    std::string op(tokens[i].text);
    if (i + 1 < tokens.size() && tokens[i + 1].kind == SqlTokenKind::Symbol) {
        const std::string two = op + std::string(tokens[i + 1].text);
        if (two == "<=" || two == ">=" || two == "<>" || two == "!=" || two == "==") return {two, 2};
    }
    if (op == "<" || op == ">" || op == "=") return {op, 1};
    return {"", 0};
}

// The comparison that holds exactly when `op` does not: also for NULL, where both
// are unknown.
std::string NegatedComparison(const std::string& op) {
    static const std::pair<const char*, const char*> Negations[] = {
        {"<", ">="}, {">", "<="}, {"<=", ">"}, {">=", "<"}, {"=", "<>"}, {"==", "<>"}, {"<>", "="}, {"!=", "="}};
    for (const auto& [from, to] : Negations) {
        if (op == from) return to;
    }
    return op;
}

// One operand of a plain comparison: a name (also "table.name"), a quoted name, a
// string or a number. Returns the index past it, or npos when there is none.
size_t PlainOperandEnd(const std::vector<SqlToken>& tokens, size_t i, size_t end) {
    if (i >= end) return std::string::npos;
    switch (tokens[i].kind) {
        case SqlTokenKind::String:
        case SqlTokenKind::Number:
        case SqlTokenKind::QuotedName:
            return i + 1;
        case SqlTokenKind::Word:
            if (i + 2 < end && IsSymbol(tokens[i + 1], '.') && tokens[i + 2].kind == SqlTokenKind::Word) return i + 3;
            return i + 1;
        default:
            return std::string::npos;
    }
}

// "not (a > x or b < y)" -> "(a <= x and b >= y)". The rate editor asks whether a
// period overlaps in the first form, which no index can serve; the second is the
// same condition (also where a value is NULL) written as ranges an index on the
// period can answer without reading the whole history of a currency. Only
// parentheses holding nothing but plain comparisons joined by "or" are rewritten.
void NegateComparison(const std::vector<SqlToken>& tokens, const Nesting& nesting, size_t notAt,
                      std::vector<Edit>& edits) {
    const size_t n = tokens.size();
    size_t before = notAt;
    while (before > 0 && !IsSignificant(tokens[before - 1])) --before;
    // "is not (...)" is no negation, and of "not not (...)" the outer one stays, so
    // that what is translated translates to itself.
    if (before > 0 && IsOneOf(tokens[before - 1], {"is", "not"})) return;
    const size_t open = NextSignificant(tokens, notAt + 1);
    if (open >= n || !IsSymbol(tokens[open], '(') || nesting.match[open] >= n) return;
    const size_t close = nesting.match[open];
    std::vector<Edit> rewritten{{tokens[notAt].offset, tokens[notAt].text.size(), ""}};
    size_t i = NextSignificant(tokens, open + 1);
    while (true) {
        i = PlainOperandEnd(tokens, i, close);
        if (i == std::string::npos) return;
        i = NextSignificant(tokens, i);
        const auto [op, width] = ComparisonAt(tokens, i);
        if (op.empty()) return;
        rewritten.push_back({tokens[i].offset, op.size(), NegatedComparison(op)});
        i = PlainOperandEnd(tokens, NextSignificant(tokens, i + width), close);
        if (i == std::string::npos) return;
        i = NextSignificant(tokens, i);
        if (i == close) break;
        if (i > close || !IsWord(tokens[i], "or")) return;
        rewritten.push_back({tokens[i].offset, tokens[i].text.size(), "and"});
        i = NextSignificant(tokens, i + 1);
    }
    edits.insert(edits.end(), rewritten.begin(), rewritten.end());
}

// Runs over the statement as the other translations left it: they may join what
// read as two names into one ("a"[b] becomes "a""b"), and a second translation must
// find nothing left to rewrite.
std::string NegateComparisons(std::string_view statement, const std::vector<SqlToken>& tokens, const Nesting& nesting,
                              std::vector<Edit> edits = {}) {
    for (size_t i = 0; i < tokens.size(); ++i) {
        if (IsWord(tokens[i], "not")) NegateComparison(tokens, nesting, i, edits);
    }
    return ApplyEdits(statement, std::move(edits));
}

}  // namespace

std::vector<std::string> SplitBatch(std::string_view batch) {
    // Only a line break ends a statement, so text on one line that does not start
    // with a comment is one statement as it stands; most of the plug-in's queries are.
    if (batch.find('\n') == std::string_view::npos && batch.find('\r') == std::string_view::npos) {
        const std::string_view trimmed = Trim(batch);
        if (trimmed.empty()) return {};
        if (!trimmed.starts_with("--") && !trimmed.starts_with("/*")) return {std::string(trimmed)};
    }
    std::vector<SqlToken> tokens = LexSql(batch);
    std::vector<std::string> statements;
    size_t start = 0;
    int depth = 0;
    StatementShape shape;
    auto flush = [&](size_t end) {
        if (!shape.Empty()) statements.emplace_back(Trim(batch.substr(start, end - start)));
    };
    for (size_t i = 0; i < tokens.size(); ++i) {
        const SqlToken& token = tokens[i];
        if (HasLineBreak(token) && depth == 0 && !shape.Empty()) {
            size_t next = NextSignificant(tokens, i + 1);
            if (next < tokens.size() && StartsStatement(tokens, next) && !shape.NeedsContinuation()) {
                flush(token.offset);
                start = token.offset + token.text.size();
                shape = StatementShape();
                continue;
            }
        }
        if (!IsSignificant(token)) continue;
        shape.Add(token, depth);
        if (IsSymbol(token, '(')) ++depth;
        if (IsSymbol(token, ')') && depth > 0) --depth;
    }
    flush(batch.size());
    return statements;
}

namespace {

// TranslateStatement on the statement's tokens, lexed once by the caller.
std::string Translate(std::string_view statement, const std::vector<SqlToken>& tokens, const Dialect& dialect) {
    const Nesting nesting = Nest(tokens);
    std::vector<Edit> edits;
    bool negations = false;
    // Whether every edit so far put one string literal in the place of another, which
    // leaves the tokens as they were lexed.
    bool tokensKept = true;
    for (size_t i = 0; i < tokens.size(); ++i) {
        const SqlToken& token = tokens[i];
        if (IsWord(token, "select")) {
            const size_t before = edits.size();
            TranslateTop(statement, tokens, nesting, i, dialect, edits);
            if (edits.size() != before) tokensKept = false;
        } else if (IsWord(token, "not")) {
            negations = true;
        } else if (token.kind == SqlTokenKind::QuotedName && !token.unterminated) {
            std::string name = dialect.QuotedName(UnquoteName(token.text));
            if (name != token.text) {
                edits.push_back({token.offset, token.text.size(), std::move(name)});
                tokensKept = false;
            }
        } else if (token.kind == SqlTokenKind::String) {
            std::string text = UnquoteString(token.text);
            if (auto date = tolm::ParseDate(text, tolm::DateForm::Written)) {
                std::string literal = dialect.DateLiteral(*date);
                if (literal != token.text) {
                    if (literal.size() < 2 || literal.front() != '\'' || literal.back() != '\'' ||
                        literal.find('\'', 1) != literal.size() - 1)
                        tokensKept = false;
                    edits.push_back({token.offset, token.text.size(), std::move(literal)});
                }
            }
        }
    }
    if (!negations) return ApplyEdits(statement, std::move(edits));
    // Most statements need no other change: their tokens still stand as lexed.
    if (tokensKept) return NegateComparisons(statement, tokens, nesting, std::move(edits));
    const std::string translated = ApplyEdits(statement, std::move(edits));
    const std::vector<SqlToken> translatedTokens = LexSql(translated);
    return NegateComparisons(translated, translatedTokens, Nest(translatedTokens));
}

}  // namespace

std::string TranslateStatement(std::string_view statement, const Dialect& dialect) {
    return Translate(statement, LexSql(statement), dialect);
}

BridgeStatement ParseStatement(std::string_view statement, const Dialect& dialect) {
    std::vector<SqlToken> tokens = LexSql(statement);
    size_t n = tokens.size();
    size_t first = NextSignificant(tokens, 0);
    BridgeStatement parsed;
    if (first >= n || !IsOneOf(tokens[first], {"exec", "execute"})) {
        parsed.sql = Translate(statement, tokens, dialect);
        return parsed;
    }

    parsed.kind = BridgeStatement::Kind::Procedure;
    // The name, possibly qualified by schema ("dbo.p_x"): the host has one schema.
    size_t i = NextSignificant(tokens, first + 1);
    auto isName = [&](size_t k) {
        return k < n && (tokens[k].kind == SqlTokenKind::Word || (tokens[k].kind == SqlTokenKind::QuotedName &&
                                                                  tokens[k].text.size() >= 2));
    };
    if (!isName(i)) Fail("\"exec\" must be followed by the name of a procedure [in: " + std::string(statement) + "]");
    for (;;) {
        const SqlToken& name = tokens[i];
        parsed.procedure = name.kind == SqlTokenKind::Word ? std::string(name.text)
                                                           : std::string(name.text.substr(1, name.text.size() - 2));
        ++i;
        if (i + 1 < n && IsSymbol(tokens[i], '.') && isName(i + 1)) {
            ++i;
            continue;
        }
        break;
    }

    // The arguments: comma-separated values at the top level, a closing ';' ignored.
    std::vector<std::vector<size_t>> args(1);
    int depth = 0;
    for (; i < n; ++i) {
        const SqlToken& token = tokens[i];
        if (!IsSignificant(token)) continue;
        if (IsSymbol(token, '(')) ++depth;
        if (IsSymbol(token, ')') && depth > 0) --depth;
        if (depth == 0 && IsSymbol(token, ',')) {
            args.emplace_back();
            continue;
        }
        args.back().push_back(i);
    }
    while (!args.back().empty() && IsSymbol(tokens[args.back().back()], ';')) args.back().pop_back();
    if (args.size() == 1 && args.front().empty()) return parsed;
    for (const auto& arg : args) {
        if (arg.empty()) {
            parsed.args.emplace_back();
        } else if (arg.size() == 1 && tokens[arg[0]].kind == SqlTokenKind::String) {
            parsed.args.push_back(UnquoteString(tokens[arg[0]].text));
        } else if (arg.size() == 2 && IsWord(tokens[arg[0]], "n") && tokens[arg[1]].kind == SqlTokenKind::String) {
            parsed.args.push_back(UnquoteString(tokens[arg[1]].text));
        } else {
            const SqlToken& from = tokens[arg.front()];
            const SqlToken& to = tokens[arg.back()];
            parsed.args.emplace_back(statement.substr(from.offset, to.offset + to.text.size() - from.offset));
        }
    }
    return parsed;
}

}  // namespace hub
