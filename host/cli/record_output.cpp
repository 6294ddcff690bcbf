#include "cli/record_output.h"

#include <algorithm>
#include <iterator>
#include <ostream>


namespace hub::cli {
namespace {

struct CodePointRange {
    char32_t first;
    char32_t last;
};

// East Asian Wide and Fullwidth blocks.
constexpr CodePointRange WideRanges[] = {
    {0x1100, 0x115F},   {0x2E80, 0x303E},   {0x3041, 0x33FF},   {0x3400, 0x4DBF},   {0x4E00, 0x9FFF}, {0xA000, 0xA4CF},
    {0xAC00, 0xD7A3},   {0xF900, 0xFAFF},   {0xFE10, 0xFE19},   {0xFE30, 0xFE6F},   {0xFF00, 0xFF60}, {0xFFE0, 0xFFE6},
    {0x1F300, 0x1F64F}, {0x1F900, 0x1F9FF}, {0x20000, 0x2FFFD}, {0x30000, 0x3FFFD},
};

// Marks drawn onto the character before them.
constexpr CodePointRange ZeroWidthRanges[] = {
    {0x0300, 0x036F}, {0x200B, 0x200F}, {0x20D0, 0x20FF}, {0xFE00, 0xFE0F}, {0xFE20, 0xFE2F},
};

bool InRanges(char32_t codePoint, const auto& ranges) {
    return std::any_of(std::begin(ranges), std::end(ranges), [codePoint](const CodePointRange& range) {
        return codePoint >= range.first && codePoint <= range.last;
    });
}

// The code point starting at `text[position]` and its length in bytes; nothing
// (length 0) for a byte that does not start a well-formed sequence.
std::pair<char32_t, size_t> DecodeAt(std::string_view text, size_t position) {
    const auto lead = static_cast<unsigned char>(text[position]);
    if (lead < 0x80) return {lead, 1};
    size_t length = 0;
    char32_t codePoint = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07;
    } else {
        return {0, 0};
    }
    if (position + length > text.size()) return {0, 0};
    for (size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[position + i]);
        if ((next & 0xC0) != 0x80) return {0, 0};
        codePoint = (codePoint << 6) | (next & 0x3F);
    }
    // Overlong forms, surrogates and values beyond Unicode are not characters.
    const char32_t smallest = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
    if (codePoint < smallest || (codePoint >= 0xD800 && codePoint <= 0xDFFF) || codePoint > 0x10FFFF) return {0, 0};
    return {codePoint, length};
}

}  // namespace

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

size_t DisplayWidth(std::string_view text) {
    size_t width = 0;
    for (size_t position = 0; position < text.size();) {
        const auto [codePoint, length] = DecodeAt(text, position);
        if (length == 0) {
            ++width;
            ++position;
            continue;
        }
        if (InRanges(codePoint, WideRanges)) {
            width += 2;
        } else if (!InRanges(codePoint, ZeroWidthRanges)) {
            ++width;
        }
        position += length;
    }
    return width;
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
