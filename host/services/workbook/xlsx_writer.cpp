// The open XML workbook, written with libxlsxwriter in constant-memory mode: each
// row goes to a temporary file as soon as the next one starts.
#include <xlsxwriter.h>

#include "services/workbook/workbook.h"

namespace hub::workbook {
namespace {

constexpr int64_t RowsPerSheet = 1048576;

class XlsxWriter final : public Writer {
public:
    explicit XlsxWriter(std::filesystem::path path)
        : m_path(std::move(path)), m_partial(m_path.string() + ".partial") {
        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE;
        m_workbook = workbook_new_opt(m_partial.c_str(), &options);
        if (m_workbook == nullptr) throw WorkbookError("the workbook cannot be started");
        m_dateFormat = workbook_add_format(m_workbook);
        format_set_num_format(m_dateFormat, "yyyy-mm-dd");
    }
    ~XlsxWriter() override {
        if (m_workbook == nullptr) return;
        workbook_close(m_workbook);
        std::error_code ignored;
        std::filesystem::remove(m_partial, ignored);
    }

    int64_t MaxRowsPerSheet() const override { return RowsPerSheet; }

    void AddSheet(const std::string& name, const std::vector<double>& widths) override {
        m_sheet = workbook_add_worksheet(m_workbook, name.c_str());
        if (m_sheet == nullptr) throw WorkbookError("the sheet cannot be added");
        for (size_t column = 0; column < widths.size(); ++column) {
            const auto index = static_cast<lxw_col_t>(column);
            worksheet_set_column(m_sheet, index, index, widths[column], nullptr);
        }
        m_row = 0;
    }

    void AddRow(const Row& cells) override {
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
                    error = worksheet_write_string(m_sheet, row, col, cell.text.c_str(), nullptr);
                    break;
                case Cell::Kind::Number:
                    error = worksheet_write_number(m_sheet, row, col, cell.number, nullptr);
                    break;
                case Cell::Kind::Date:
                    error = worksheet_write_number(m_sheet, row, col, tolm::DateToSerial(cell.date), m_dateFormat);
                    break;
            }
            if (error != LXW_NO_ERROR) throw WorkbookError(std::string("a cell cannot be written: ") + lxw_strerror(error));
        }
        ++m_row;
    }

    void Close() override {
        if (m_sheet == nullptr) AddSheet("Sheet1", {});
        const lxw_error error = workbook_close(m_workbook);
        m_workbook = nullptr;
        std::error_code ignored;
        if (error != LXW_NO_ERROR) {
            std::filesystem::remove(m_partial, ignored);
            throw WorkbookError(std::string("the workbook cannot be written: ") + lxw_strerror(error));
        }
        std::error_code renamed;
        std::filesystem::rename(m_partial, m_path, renamed);
        if (renamed) {
            std::filesystem::remove(m_partial, ignored);
            throw WorkbookError("the file cannot be put in place");
        }
    }

private:
    std::filesystem::path m_path;
    std::string m_partial;
    lxw_workbook* m_workbook = nullptr;
    lxw_format* m_dateFormat = nullptr;
    lxw_worksheet* m_sheet = nullptr;
    int64_t m_row = 0;
};

}  // namespace

std::unique_ptr<Writer> CreateXlsxWriter(const std::filesystem::path& path) {
    return std::make_unique<XlsxWriter>(path);
}

}  // namespace hub::workbook
