#include "services/sql_condition.h"

namespace hub {

std::optional<std::string> ConditionFault(std::string_view condition) {
    int depth = 0;
    for (size_t i = 0; i < condition.size(); ++i) {
        const char c = condition[i];
        if (c == '\'' || c == '"' || c == '[') {
            const char close = c == '[' ? ']' : c;
            size_t j = i + 1;
            for (;; ++j) {
                if (j >= condition.size()) return std::string("引号未闭合。");
                if (condition[j] != close) continue;
                // A doubled quote stands for itself and the text goes on; a bracketed
                // name has no such escape, so its first "]" ends it.
                if (close != ']' && j + 1 < condition.size() && condition[j + 1] == close) {
                    ++j;
                    continue;
                }
                break;
            }
            i = j;
            continue;
        }
        switch (c) {
            case '\0': return std::string("条件中不能有空字符。");
            case ';': return std::string("条件中不能有多条语句（;）。");
            case '-':
                if (i + 1 < condition.size() && condition[i + 1] == '-') return std::string("条件中不能有注释。");
                break;
            case '/':
                if (i + 1 < condition.size() && condition[i + 1] == '*') return std::string("条件中不能有注释。");
                break;
            case '(': ++depth; break;
            case ')':
                if (--depth < 0) return std::string("括号不配对。");
                break;
            default: break;
        }
    }
    if (depth != 0) return std::string("括号不配对。");
    return std::nullopt;
}

}  // namespace hub
