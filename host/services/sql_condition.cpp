#include "services/sql_condition.h"

#include "db/sql_lexer.h"

namespace hub {

std::optional<std::string> ConditionFault(std::string_view condition) {
    // SQLite reads text only up to a NUL, so what follows one would never be seen
    // by the checks below.
    if (condition.find('\0') != std::string_view::npos) return std::string("条件中不能有空字符。");
    // Read with the same tokenizer the database layer uses to find where a statement
    // ends, so the two can never disagree about what is quoted.
    int depth = 0;
    for (const SqlToken& token : LexSql(condition)) {
        if (token.unterminated) {
            return std::string(token.kind == SqlTokenKind::Comment ? "条件中不能有注释。" : "引号未闭合。");
        }
        if (token.kind == SqlTokenKind::Comment) return std::string("条件中不能有注释。");
        if (IsSymbol(token, ';')) return std::string("条件中不能有多条语句（;）。");
        if (IsSymbol(token, '(')) ++depth;
        if (IsSymbol(token, ')') && --depth < 0) return std::string("括号不配对。");
    }
    if (depth != 0) return std::string("括号不配对。");
    return std::nullopt;
}

}  // namespace hub
