// What the command line prints: stored rows, tables and labelled values.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tolm/recordset.h"
#include "tolm/variant.h"

namespace hub::cli {

// A stored value in JSON: Empty and Null give null, dates their stored text
// ("yyyy-MM-dd", with the time when there is one), numbers and text as they are.
nlohmann::ordered_json ValueToJson(const tolm::Variant& value);

// The current row of a record set as an object keyed by the given columns, in that
// order (JSON objects keep the order they are written in).
nlohmann::ordered_json RowToJson(const tolm::IRecordset& rows, const std::vector<std::string>& columns);

// A stored value as a person reads it: dates as stored, Null as "".
std::string ValueToText(const tolm::Variant& value);

// Indented JSON and a line break; text that is not UTF-8 is replaced, not refused.
void PrintJson(std::ostream& out, const nlohmann::ordered_json& value);

// The text followed by spaces up to `width` columns; as it is when already as wide.
std::string PadToWidth(const std::string& text, size_t width);

// Rows of cells, the first being the headings, in columns two spaces apart, each
// as wide on screen as its widest cell. Lines carry no trailing blanks.
void PrintTable(std::ostream& out, const std::vector<std::vector<std::string>>& rows);

// One "label value" line per field after `indent`, the values lined up two
// columns after the widest label.
void PrintFields(std::ostream& out, const std::string& indent,
                 const std::vector<std::pair<std::string, std::string>>& fields);

// The message template for `count` things: `one`, which writes the number out,
// for 1 and `many` otherwise. Chinese has no plural, so the English forms can
// only differ when the Chinese texts do.
const char* CountTemplate(int64_t count, const char* one, const char* many);

}  // namespace hub::cli
