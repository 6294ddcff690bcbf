// The rows a list window shows, written out as a person takes them away: a text
// file for office programs, a workbook, or a printable page set. The files
// themselves are the formats layer's; see formats/table_file.h for CSV and PDF.
#pragma once

#include <filesystem>
#include <string>

#include "formats/table_file.h"

namespace hub {

// One worksheet named `sheetName`, the headings bold, every cell as text. Writes
// the whole file or nothing; raises HostError(err::PathFileAccess) when the file
// cannot be written.
void WriteXlsx(const std::filesystem::path& path, const std::string& sheetName, const ShownTable& table);

}  // namespace hub
