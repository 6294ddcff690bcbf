#include "cli/record_output.h"

#include <algorithm>
#include <ostream>

#include "base/text_util.h"

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
            return tolm::FormatDateText(value.ToDate());
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
    if (value.Type() == tolm::VarType::Date) return tolm::FormatDateText(value.ToDate());
    return value.ToText();
}

void PrintJson(std::ostream& out, const nlohmann::ordered_json& value) {
    out << value.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << "\n";
}

std::string PadToWidth(const std::string& text, size_t width) {
    const size_t used = DisplayWidth(text);
    return used >= width ? text : text + std::string(width - used, ' ');
}

void PrintTable(std::ostream& out, const std::vector<std::vector<std::string>>& rows) {
    std::vector<size_t> widths;
    for (const auto& row : rows) {
        if (widths.size() < row.size()) widths.resize(row.size(), 0);
        for (size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], DisplayWidth(row[i]));
    }
    for (const auto& row : rows) {
        std::string line;
        for (size_t i = 0; i < row.size(); ++i) line += i + 1 < row.size() ? PadToWidth(row[i], widths[i] + 2) : row[i];
        // An empty last cell would otherwise leave the padding of the one before it.
        line.erase(line.find_last_not_of(' ') + 1);
        out << line << "\n";
    }
}

void PrintFields(std::ostream& out, const std::string& indent,
                 const std::vector<std::pair<std::string, std::string>>& fields) {
    size_t labelWidth = 0;
    for (const auto& field : fields) labelWidth = std::max(labelWidth, DisplayWidth(field.first));
    for (const auto& [label, value] : fields) {
        std::string line = indent + PadToWidth(label, labelWidth + 2) + value;
        line.erase(line.find_last_not_of(' ') + 1);
        out << line << "\n";
    }
}

const char* CountTemplate(int64_t count, const char* one, const char* many) { return count == 1 ? one : many; }

}  // namespace hub::cli
