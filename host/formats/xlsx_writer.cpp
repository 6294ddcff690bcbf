// The open XML workbook, written with libxlsxwriter in constant-memory mode: each
// row goes to a temporary file as soon as the next one starts.
//
// The library writes a number as printf's "%.16G" does: 16 significant digits, in
// the decimal notation of the process's locale. Neither always names the same
// double again (1.7976931348623157e308 even reads back as out of range, and under a
// locale with a decimal comma no program reads "7,1"), so every number whose text
// would not is noted by its cell, and once the library has written the file its
// sheets are written again with those cells holding the shortest digits that do.
#include <xlsxwriter.h>
#include <zip.h>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <system_error>

#include "base/silenced_stderr.h"
#include "formats/workbook.h"

namespace hub::workbook {
namespace {

constexpr int64_t RowsPerSheet = 1048576;

// A number cell whose value the library's text would not give back.
struct ExactNumber {
    uint32_t row;
    uint16_t column;
    double value;
};

// Whether the text the library writes for the value reads back as the same double.
bool LibraryKeeps(double value) {
    char text[64];
    const int length = std::snprintf(text, sizeof text, "%.16G", value);
    double back = 0;
    const auto [end, ec] = std::from_chars(text, text + length, back);
    return ec == std::errc() && end == text + length && std::memcmp(&back, &value, sizeof value) == 0;
}

std::string CellReference(uint32_t row, uint16_t column) {
    std::string letters;
    for (uint32_t c = uint32_t{column} + 1; c > 0; c = (c - 1) / 26) {
        letters.insert(letters.begin(), static_cast<char>('A' + (c - 1) % 26));
    }
    return letters + std::to_string(row + 1);
}

// Copies a sheet's XML from `in` to `out`, giving each cell in `exact` (in sheet
// order, as the rows were added) the shortest digits of its value. The library
// writes a number cell as <c r="B2"><v>...</v></c> or <c r="B2" s="1"><v>...</v></c>;
// a text cell never holds a raw "<", so the reference names the cell alone.
void WriteExactValues(zip_file_t* in, std::ostream& out, const std::vector<ExactNumber>& exact) {
    std::string buffer;
    size_t next = 0;
    char chunk[1 << 16];
    for (bool ended = false; !ended;) {
        const zip_int64_t read = zip_fread(in, chunk, sizeof chunk);
        if (read < 0) throw WorkbookError("the sheet cannot be read again");
        ended = read == 0;
        buffer.append(chunk, static_cast<size_t>(read));
        size_t written = 0;
        while (next < exact.size()) {
            const std::string needle = "<c r=\"" + CellReference(exact[next].row, exact[next].column) + "\"";
            const size_t cell = buffer.find(needle, written);
            const size_t open = cell == std::string::npos ? cell : buffer.find("<v>", cell);
            const size_t close = open == std::string::npos ? open : buffer.find("</v>", open);
            if (close == std::string::npos) {
                if (ended) throw WorkbookError("a number cell is missing from the sheet");
                // Out goes what cannot hold the start of the cell; the rest waits for more.
                size_t keep = written;
                if (cell != std::string::npos) {
                    keep = cell;
                } else if (buffer.size() > written + needle.size()) {
                    keep = buffer.size() - needle.size();
                }
                out.write(buffer.data() + written, static_cast<std::streamsize>(keep - written));
                written = keep;
                break;
            }
            char digits[64];
            const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, exact[next].value);
            if (ec != std::errc()) throw WorkbookError("a number cannot be written");
            out.write(buffer.data() + written, static_cast<std::streamsize>(open + 3 - written));
            out.write(digits, end - digits);
            written = close;
            ++next;
        }
        if (next == exact.size()) {
            out.write(buffer.data() + written, static_cast<std::streamsize>(buffer.size() - written));
            written = buffer.size();
        }
        buffer.erase(0, written);
    }
}

class XlsxWriter final : public Writer {
public:
    explicit XlsxWriter(std::filesystem::path path)
        : m_path(std::move(path)), m_partial(m_path.string() + ".partial") {
        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE;
        m_workbook = Silenced([&] { return workbook_new_opt(m_partial.c_str(), &options); });
        if (m_workbook == nullptr) throw WorkbookError("the workbook cannot be started");
        m_dateFormat = workbook_add_format(m_workbook);
        format_set_num_format(m_dateFormat, "yyyy-mm-dd");
    }
    ~XlsxWriter() override {
        if (m_workbook == nullptr) return;
        Silenced([&] { return workbook_close(m_workbook); });
        std::error_code ignored;
        std::filesystem::remove(m_partial, ignored);
    }

    int64_t MaxRowsPerSheet() const override { return RowsPerSheet; }

    void AddSheet(const std::string& name, const std::vector<double>& widths) override {
        m_sheet = Silenced([&] { return workbook_add_worksheet(m_workbook, name.c_str()); });
        if (m_sheet == nullptr) throw WorkbookError("the sheet cannot be added");
        for (size_t column = 0; column < widths.size(); ++column) {
            const auto index = static_cast<lxw_col_t>(column);
            worksheet_set_column(m_sheet, index, index, widths[column], nullptr);
        }
        m_row = 0;
        m_exact.emplace_back();
    }

    void AddRow(const Row& cells) override { WriteRow(cells, nullptr); }

    void AddHeadingRow(const Row& cells) override {
        if (m_boldFormat == nullptr) {
            m_boldFormat = workbook_add_format(m_workbook);
            format_set_bold(m_boldFormat);
        }
        WriteRow(cells, m_boldFormat);
    }

private:
    void WriteRow(const Row& cells, lxw_format* textFormat) {
        if (m_sheet == nullptr) throw WorkbookError("a row before any sheet");
        if (m_row >= RowsPerSheet) throw WorkbookError("a sheet holds 1048576 rows");
        const auto row = static_cast<lxw_row_t>(m_row);
        for (size_t column = 0; column < cells.size(); ++column) {
            const Cell& cell = cells[column];
            const auto col = static_cast<lxw_col_t>(column);
            lxw_error error = LXW_NO_ERROR;
            switch (cell.kind) {
                case Cell::Kind::Empty:
                    break;
                case Cell::Kind::Text:
                    // As in the binary workbook: an empty text is no cell.
                    if (cell.text.empty()) break;
                    error = worksheet_write_string(m_sheet, row, col, cell.text.c_str(), textFormat);
                    break;
                case Cell::Kind::Number:
                    error = worksheet_write_number(m_sheet, row, col, cell.number, nullptr);
                    if (error == LXW_NO_ERROR && !LibraryKeeps(cell.number)) {
                        m_exact.back().push_back({row, col, cell.number});
                    }
                    break;
                case Cell::Kind::Date:
                    // A day's serial is a whole number, which every notation writes alike.
                    error = worksheet_write_number(m_sheet, row, col, tolm::DateToSerial(cell.date), m_dateFormat);
                    break;
            }
            if (error != LXW_NO_ERROR) throw WorkbookError(std::string("a cell cannot be written: ") + lxw_strerror(error));
        }
        ++m_row;
    }

public:
    void Close() override {
        if (m_sheet == nullptr) AddSheet("Sheet1", {});
        const lxw_error error = Silenced([&] { return workbook_close(m_workbook); });
        m_workbook = nullptr;
        std::error_code ignored;
        if (error != LXW_NO_ERROR) {
            std::filesystem::remove(m_partial, ignored);
            throw WorkbookError(std::string("the workbook cannot be written: ") + lxw_strerror(error));
        }
        try {
            WriteExactNumbers();
        } catch (...) {
            std::filesystem::remove(m_partial, ignored);
            throw;
        }
        std::error_code renamed;
        std::filesystem::rename(m_partial, m_path, renamed);
        if (renamed) {
            std::filesystem::remove(m_partial, ignored);
            throw WorkbookError("the file cannot be put in place");
        }
    }

private:
    // Writes the sheets that hold numbers the library's text would not give back
    // again, each through a file beside the workbook, which libzip then takes in.
    void WriteExactNumbers() {
        std::vector<std::string> rewritten;
        zip_t* zip = nullptr;
        const auto cleanUp = [&] {
            if (zip != nullptr) zip_discard(zip);
            std::error_code ignored;
            for (const auto& file : rewritten) std::filesystem::remove(file, ignored);
        };
        try {
            for (size_t sheet = 0; sheet < m_exact.size(); ++sheet) {
                if (m_exact[sheet].empty()) continue;
                int openError = 0;
                if (zip == nullptr && (zip = zip_open(m_partial.c_str(), 0, &openError)) == nullptr) {
                    throw WorkbookError("the written workbook cannot be opened again");
                }
                const std::string part = "xl/worksheets/sheet" + std::to_string(sheet + 1) + ".xml";
                const zip_int64_t index = zip_name_locate(zip, part.c_str(), 0);
                zip_file_t* in = index < 0 ? nullptr : zip_fopen_index(zip, static_cast<zip_uint64_t>(index), 0);
                if (in == nullptr) throw WorkbookError("the written workbook has no " + part);
                rewritten.push_back(m_partial + ".sheet" + std::to_string(sheet + 1));
                std::ofstream out(rewritten.back(), std::ios::binary | std::ios::trunc);
                try {
                    WriteExactValues(in, out, m_exact[sheet]);
                } catch (...) {
                    zip_fclose(in);
                    throw;
                }
                zip_fclose(in);
                out.close();
                if (!out) throw WorkbookError("the sheet cannot be written again");
                zip_source_t* source = zip_source_file(zip, rewritten.back().c_str(), 0, -1);
                if (source == nullptr) throw WorkbookError("the sheet cannot be taken in");
                if (zip_file_replace(zip, static_cast<zip_uint64_t>(index), source, 0) != 0) {
                    zip_source_free(source);
                    throw WorkbookError("the sheet cannot be taken in");
                }
            }
            if (zip != nullptr && zip_close(zip) != 0) throw WorkbookError("the workbook cannot be written again");
            zip = nullptr;
        } catch (...) {
            cleanUp();
            throw;
        }
        cleanUp();
    }

    std::filesystem::path m_path;
    std::string m_partial;
    lxw_workbook* m_workbook = nullptr;
    lxw_format* m_dateFormat = nullptr;
    lxw_format* m_boldFormat = nullptr;
    lxw_worksheet* m_sheet = nullptr;
    int64_t m_row = 0;
    std::vector<std::vector<ExactNumber>> m_exact;  // per sheet, in sheet order
};

}  // namespace

std::unique_ptr<Writer> CreateXlsxWriter(const std::filesystem::path& path) {
    return std::make_unique<XlsxWriter>(path);
}

}  // namespace hub::workbook
