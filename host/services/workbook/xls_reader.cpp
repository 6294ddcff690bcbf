// The binary workbook, read with FreeXL.
#include <freexl.h>

#include "services/workbook/workbook.h"

namespace hub::workbook {
namespace {

class XlsReader final : public Reader {
public:
    explicit XlsReader(const std::filesystem::path& path) {
        const int result = freexl_open(path.c_str(), &m_handle);
        if (result != FREEXL_OK) {
            Close();
            throw WorkbookError("not a readable binary workbook (FreeXL " + std::to_string(result) + ")");
        }
        unsigned int count = 0;
        if (freexl_get_info(m_handle, FREEXL_BIFF_SHEET_COUNT, &count) != FREEXL_OK) {
            Close();
            throw WorkbookError("the sheets of the workbook cannot be read");
        }
        for (unsigned int i = 0; i < count; ++i) {
            const char* name = nullptr;
            if (freexl_get_worksheet_name(m_handle, static_cast<unsigned short>(i), &name) != FREEXL_OK) {
                Close();
                throw WorkbookError("the sheets of the workbook cannot be read");
            }
            m_names.emplace_back(name ? name : "");
        }
    }
    ~XlsReader() override { Close(); }

    std::vector<std::string> SheetNames() const override { return m_names; }

    void ReadSheet(size_t index, const std::function<bool(int64_t, const Row&)>& onRow) override {
        unsigned int rows = 0;
        unsigned short columns = 0;
        if (freexl_select_active_worksheet(m_handle, static_cast<unsigned short>(index)) != FREEXL_OK ||
            freexl_worksheet_dimensions(m_handle, &rows, &columns) != FREEXL_OK) {
            throw WorkbookError("a sheet of the workbook cannot be read");
        }
        Row cells;
        for (unsigned int row = 0; row < rows; ++row) {
            cells.assign(columns, Cell{});
            bool blank = true;
            for (unsigned short column = 0; column < columns; ++column) {
                FreeXL_CellValue value;
                if (freexl_get_cell_value(m_handle, row, column, &value) != FREEXL_OK) {
                    throw WorkbookError("a cell of the workbook cannot be read");
                }
                Cell& cell = cells[column];
                switch (value.type) {
                    case FREEXL_CELL_INT:
                        cell = Cell::OfNumber(value.value.int_value);
                        break;
                    case FREEXL_CELL_DOUBLE:
                        cell = Cell::OfNumber(value.value.double_value);
                        break;
                    case FREEXL_CELL_TEXT:
                    case FREEXL_CELL_SST_TEXT:
                        cell = Cell::OfText(value.value.text_value ? value.value.text_value : "");
                        break;
                    case FREEXL_CELL_DATE:
                    case FREEXL_CELL_DATETIME: {
                        const std::optional<tolm::DateTime> day =
                            tolm::ParseDate(value.value.text_value ? value.value.text_value : "", tolm::DateForm::Any);
                        cell = day ? Cell::OfDate(std::chrono::floor<std::chrono::days>(*day))
                                   : Cell::OfText(value.value.text_value ? value.value.text_value : "");
                        break;
                    }
                    case FREEXL_CELL_TIME:
                        cell = Cell::OfText(value.value.text_value ? value.value.text_value : "");
                        break;
                    default:
                        break;
                }
                if (!cell.IsBlank()) blank = false;
            }
            if (blank) continue;
            // As the open XML reader gives them: a row ends with its last cell.
            while (!cells.empty() && cells.back().kind == Cell::Kind::Empty) cells.pop_back();
            if (!onRow(static_cast<int64_t>(row) + 1, cells)) return;
        }
    }

private:
    void Close() {
        if (m_handle != nullptr) freexl_close(m_handle);
        m_handle = nullptr;
    }

    const void* m_handle = nullptr;
    std::vector<std::string> m_names;
};

}  // namespace

std::unique_ptr<Reader> OpenXlsReader(const std::filesystem::path& path) { return std::make_unique<XlsReader>(path); }

}  // namespace hub::workbook
