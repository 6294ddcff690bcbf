// The rows a list window shows, written out as a person takes them away: a text
// file for office programs, or a printable page set. (A workbook of them is written
// with the workbook writer.)
//
// Each writer takes the table as shown (the first row holds the headings) and
// writes the whole file or nothing: it writes beside the target and renames at the
// end, so a failure leaves neither a partial file nor a damaged earlier one. Each
// raises HostError(err::PathFileAccess) when the file cannot be written.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace hub {

using ShownTable = std::vector<std::vector<std::string>>;

// UTF-8 with a byte-order mark (so spreadsheet programs read Chinese as Chinese),
// comma separated, CRLF line ends; a cell holding a comma, quote or line break is
// quoted with its quotes doubled.
void WriteCsv(const std::filesystem::path& path, const ShownTable& table);

// A4 landscape pages titled `title`, the headings repeated on every page; cells too
// wide for their column are cut. Chinese (simplified and traditional) is drawn with
// the reader's CJK font; a character that font cannot name shows as "?".
void WritePdf(const std::filesystem::path& path, const std::string& title, const ShownTable& table);

}  // namespace hub
