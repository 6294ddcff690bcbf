#include "windows/table_export.h"

#include "formats/workbook.h"
#include "tolm/host_error.h"

namespace hub {

void WriteXlsx(const std::filesystem::path& path, const std::string& sheetName, const ShownTable& table) {
    try {
        // The writer works beside the target and puts the file in place on Close;
        // destroyed before that, it leaves nothing behind.
        auto writer = workbook::CreateWriter(path, workbook::Format::Xlsx);
        writer->AddSheet(sheetName, {});
        workbook::Row cells;
        for (size_t row = 0; row < table.size(); ++row) {
            cells.clear();
            for (const std::string& text : table[row]) cells.push_back(workbook::Cell::OfText(text));
            if (row == 0) {
                writer->AddHeadingRow(cells);
            } else {
                writer->AddRow(cells);
            }
        }
        writer->Close();
    } catch (const workbook::WorkbookError& error) {
        throw tolm::HostError(tolm::err::PathFileAccess, "Cannot write " + path.string() + ": " + error.what(),
                              "TableExport");
    }
}

}  // namespace hub
