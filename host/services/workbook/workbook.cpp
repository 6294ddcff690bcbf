#include "services/workbook/workbook.h"

#include <algorithm>

namespace hub::workbook {

Writer::~Writer() = default;
Reader::~Reader() = default;

bool Cell::IsBlank() const {
    if (kind == Kind::Empty) return true;
    if (kind != Kind::Text) return false;
    return std::all_of(text.begin(), text.end(), [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; });
}

std::optional<Format> FormatOfPath(const std::filesystem::path& path) {
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    if (ext == ".xls") return Format::Xls;
    if (ext == ".xlsx") return Format::Xlsx;
    return std::nullopt;
}

bool IsDateFormat(int id, const std::string& code) {
    if ((id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) || (id >= 50 && id <= 58)) {
        return true;
    }
    bool quoted = false;
    int bracket = 0;
    for (char c : code) {
        if (c == '"') quoted = !quoted;
        if (quoted) continue;
        if (c == '[') ++bracket;
        if (c == ']' && bracket > 0) --bracket;
        if (bracket > 0) continue;
        if (c == 'y' || c == 'Y' || c == 'd' || c == 'D') return true;
    }
    return false;
}

std::unique_ptr<Writer> CreateWriter(const std::filesystem::path& path, Format format) {
    return format == Format::Xls ? CreateXlsWriter(path) : CreateXlsxWriter(path);
}

std::unique_ptr<Reader> OpenReader(const std::filesystem::path& path, Format format) {
    return format == Format::Xls ? OpenXlsReader(path) : OpenXlsxReader(path);
}

}  // namespace hub::workbook
