// Stored rows as the command line prints them.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

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

}  // namespace hub::cli
