// Spreadsheet files, written and read a row at a time: the legacy binary workbook
// (.xls, BIFF8 in a compound file) and the open XML workbook (.xlsx).
//
// Neither side keeps a whole sheet in memory on its own account: writers stream
// their rows out (the .xls writer to a temporary file until the shared strings are
// known), readers hand each row to the caller as it comes.
//
// Readers open only a regular file of at most MaxFileSize (InputFile) and hold a
// small multiple of it at most: an .xls is read whole, with its workbook stream
// beside it; an .xlsx keeps its small parts and shared strings, and all its parts
// together unpack to no more than a budget set by the file's size.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "tolm/variant.h"

namespace hub::workbook {

enum class Format { Xls, Xlsx };

// The format a file name's extension names (letter case ignored); nothing for
// any other extension.
std::optional<Format> FormatOfPath(const std::filesystem::path& path);

struct Cell {
    enum class Kind { Empty, Text, Number, Date };
    Kind kind = Kind::Empty;
    std::string text;     // Text
    double number = 0;    // Number
    tolm::DateTime date{};  // Date (a day)

    static Cell OfText(std::string value) { return Cell{Kind::Text, std::move(value), 0, {}}; }
    static Cell OfNumber(double value) { return Cell{Kind::Number, {}, value, {}}; }
    static Cell OfDate(tolm::DateTime value) { return Cell{Kind::Date, {}, 0, value}; }
    bool IsBlank() const;
};

using Row = std::vector<Cell>;

// The largest file a reader opens. A workbook holding every rate a company keeps is
// far smaller; anything larger is refused before a byte of it is read.
inline constexpr uint64_t MaxFileSize = uint64_t{256} << 20;

// Why a file could not be written or read. The message is technical, for the log;
// what a person reads is the caller's, chosen by the fault.
class WorkbookError : public std::runtime_error {
public:
    enum class Fault {
        Unreadable,  // not a workbook of the format, damaged, or not written
        Missing,     // nothing at the path (or a link to nothing)
        NotAFile,    // a folder, a device, a pipe: no file that holds a workbook
        Denied,      // the file may not be read
        TooLarge,    // larger than MaxFileSize
        Inflates,    // its parts unpack to far more than a workbook of its size holds
    };
    explicit WorkbookError(const std::string& what, Fault fault = Fault::Unreadable)
        : std::runtime_error(what), m_fault(fault) {}
    Fault Kind() const noexcept { return m_fault; }

private:
    Fault m_fault;
};

// A file opened for reading a workbook from: a regular file (a link is followed to
// one), at most MaxFileSize long. Opening never blocks, not even on a pipe.
// Raises WorkbookError with the fault that says why the file is not such a file.
class InputFile {
public:
    explicit InputFile(const std::filesystem::path& path);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // The size when it was opened; the readers read no more than that.
    uint64_t Size() const { return m_size; }
    int Descriptor() const { return m_fd; }
    // The whole file, at most Size() bytes however it grows meanwhile.
    std::string ReadAll();
    // Hands the descriptor over to whoever closes it from now on.
    int Release();

private:
    int m_fd = -1;
    uint64_t m_size = 0;
};

// Texts kept end to end, as the readers keep their shared strings: a hostile file
// claiming millions of tiny strings costs a few bytes each, not an allocation each.
class TextTable {
public:
    void Add(std::string_view text);
    size_t Size() const { return m_ends.size(); }
    std::string_view At(size_t index) const;

private:
    std::string m_text;
    std::vector<uint32_t> m_ends;  // a table holds less than 4 GiB of text
};

class Writer {
public:
    virtual ~Writer();
    // Starts a sheet; the rows added next go to it. Column widths in characters.
    virtual void AddSheet(const std::string& name, const std::vector<double>& widths) = 0;
    virtual void AddRow(const Row& cells) = 0;
    // A row of headings: bold where the format has a bold face, else as AddRow.
    virtual void AddHeadingRow(const Row& cells) { AddRow(cells); }
    // Writes the file out. Until then nothing is at `path`; a writer destroyed
    // without Close leaves nothing behind. Raises WorkbookError.
    virtual void Close() = 0;
    // The rows one sheet holds.
    virtual int64_t MaxRowsPerSheet() const = 0;
};

// A writer of the format for a new file at `path` (an existing one is replaced
// only when Close succeeds).
std::unique_ptr<Writer> CreateWriter(const std::filesystem::path& path, Format format);

class Reader {
public:
    virtual ~Reader();
    virtual std::vector<std::string> SheetNames() const = 0;
    // Hands the rows of sheet `index` (0-based) to `onRow` in order, with their
    // 1-based row numbers; blank rows may be left out. `onRow` returns false to
    // stop. Raises WorkbookError when the sheet cannot be read.
    virtual void ReadSheet(size_t index, const std::function<bool(int64_t rowNumber, const Row& cells)>& onRow) = 0;
};

// Opens the workbook at `path` in the given format (an InputFile); raises
// WorkbookError when it is not a workbook of that format or cannot be read.
std::unique_ptr<Reader> OpenReader(const std::filesystem::path& path, Format format);

// Whether a number format (its built-in id, or its pattern) shows a date: the
// built-in date formats, or a pattern with a year or a day outside quotes and brackets.
bool IsDateFormat(int id, const std::string& code);

// Implementations.
std::unique_ptr<Writer> CreateXlsWriter(const std::filesystem::path& path);
std::unique_ptr<Writer> CreateXlsxWriter(const std::filesystem::path& path);
std::unique_ptr<Reader> OpenXlsReader(const std::filesystem::path& path);
std::unique_ptr<Reader> OpenXlsxReader(const std::filesystem::path& path);

}  // namespace hub::workbook
