// The plug-in's SQL as it is written, made runnable on the host's database.
//
// The plug-in writes for a server dialect: a batch is several statements separated
// by line breaks without semicolons, "select top N" limits a result, and "exec
// <procedure> <args>" runs a stored procedure. The bridge splits, translates and
// classifies that text; DataAccess (data_access.h) runs it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "db/dialect.h"

namespace hub {

// One statement of a batch, as the bridge understands it.
struct BridgeStatement {
    enum class Kind { Sql, Procedure };
    Kind kind = Kind::Sql;
    // Kind::Sql: the statement translated for the host's database.
    std::string sql;
    // Kind::Procedure: the procedure's name and its arguments (quotes removed).
    std::string procedure;
    std::vector<std::string> args;
};

// Splits a batch into statements. A line break (CR LF or LF) ends a statement only
// when it lies outside quotes, comments and parentheses and the next line starts
// with a statement keyword (select, insert, update, delete, exec, execute, create,
// drop, with, ...) that cannot continue the statement before it ("insert into t (a)"
// followed by "select ..." is one statement, as is "... union" followed by
// "select ..."). Other lines continue the current statement, so a condition may
// span lines. Semicolons are not separators: a statement that carries one is
// refused by the database, which keeps text pasted into a template from
// smuggling in a statement of its own. Blank and comment-only statements are dropped.
std::vector<std::string> SplitBatch(std::string_view batch);

// Translates one statement:
//  * "select top N ..." (also "select distinct top N", "top (N)") becomes
//    "select ... limit N", the limit placed at the end of that select (inside the
//    parentheses of a subquery); "top ... percent", "with ties", and top on a select
//    that also has union/except/intersect or its own limit raise HostError(err::Database)
//    rather than change the meaning of the query;
//  * a string literal that is exactly a date written year first with '-' or '/'
//    and month and day with or without leading zeros ('2024-3-1', '2024/03/01',
//    optionally with a time) becomes the dialect's date literal ('2024-03-01' on
//    the embedded database, which stores dates as text): a condition built from
//    the machine's date format must compare with stored dates in date order.
//  * a quoted name ("FID", [FID], `FID`) is written as the dialect quotes it, so
//    that it names what the same name unquoted names (the server folds unquoted
//    names to lower case, and so the quoted ones are folded as well).
//  * "not (a > x or b < y)", parentheses holding only plain comparisons of names,
//    quoted names, strings and numbers joined by "or", becomes "(a <= x and b >= y)":
//    the same condition, which an index can serve as ranges.
// Everything else stays as written.
std::string TranslateStatement(std::string_view statement, const Dialect& dialect);

// Classifies and translates one statement of a batch. "exec name 'a', b" (also
// "execute", a schema-qualified name "dbo.name", or [name]) becomes a procedure call
// with the arguments "a" and "b": quoted arguments lose their quotes ('' read as
// one quote), unquoted ones are taken as written, trimmed.
BridgeStatement ParseStatement(std::string_view statement, const Dialect& dialect);

}  // namespace hub
