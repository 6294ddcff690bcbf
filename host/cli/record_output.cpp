#include "cli/record_output.h"

#include <ostream>

#include "db/date_text.h"

namespace hub::cli {

nlohmann::ordered_json ValueToJson(const tolm::Variant& value) {
    switch (value.Type()) {
        case tolm::VarType::Empty:
        case tolm::VarType::Null:
        case tolm::VarType::Object:
            return nullptr;
        case tolm::VarType::Boolean:
            return value.ToBool();
        case tolm::VarType::Integer:
        case tolm::VarType::Long:
            return value.ToLong();
        case tolm::VarType::Double:
            return value.ToDouble();
        case tolm::VarType::Date:
            return FormatDateText(value.ToDate());
        case tolm::VarType::String:
            return value.ToString();
    }
    return nullptr;
}

nlohmann::ordered_json RowToJson(const tolm::IRecordset& rows, const std::vector<std::string>& columns) {
    nlohmann::ordered_json row = nlohmann::ordered_json::object();
    for (const std::string& column : columns) row[column] = ValueToJson(rows.Field(column));
    return row;
}

std::string ValueToText(const tolm::Variant& value) {
    if (value.Type() == tolm::VarType::Date) return FormatDateText(value.ToDate());
    return value.ToText();
}

void PrintJson(std::ostream& out, const nlohmann::ordered_json& value) {
    out << value.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << "\n";
}

}  // namespace hub::cli
