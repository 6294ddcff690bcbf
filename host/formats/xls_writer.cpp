// The binary workbook (BIFF8) inside a compound file, written by hand: no library of
// the platform writes it. The sheets' cell records go to a temporary file while the
// shared string table grows; Close writes the globals (fonts, formats, styles, sheet
// directory, string table), the sheets, and the compound file around them.
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <unordered_map>

#include <utf8.h>

#include "formats/workbook.h"

namespace hub::workbook {
namespace {

constexpr int64_t RowsPerSheet = 65536;
constexpr uint16_t ColumnsPerSheet = 256;
// The largest record body; longer data goes on in CONTINUE records.
constexpr size_t MaxRecordData = 8224;
constexpr uint16_t GeneralXf = 15;
constexpr uint16_t DateXf = 16;
constexpr uint16_t DateFormat = 164;

void Put16(std::string& out, uint32_t value) {
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>((value >> 8) & 0xFF));
}
void Put32(std::string& out, uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}
void PutDouble(std::string& out, double value) {
    uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    Put32(out, static_cast<uint32_t>(bits));
    Put32(out, static_cast<uint32_t>(bits >> 32));
}

void PutRecord(std::string& out, uint16_t type, const std::string& data) {
    Put16(out, type);
    Put16(out, static_cast<uint32_t>(data.size()));
    out += data;
}

std::u16string Utf16(const std::string& text) {
    std::u16string wide;
    std::string valid;
    utf8::replace_invalid(text.begin(), text.end(), std::back_inserter(valid));
    utf8::utf8to16(valid.begin(), valid.end(), std::back_inserter(wide));
    return wide;
}

void PutUtf16(std::string& out, const std::u16string& text) {
    for (char16_t unit : text) Put16(out, unit);
}

// Days since 1899-12-30, as the spreadsheet counts them.
double Serial(tolm::DateTime day) { return tolm::DateToSerial(day); }

struct SheetBlock {
    std::string name;
    std::vector<double> widths;
    long offset = 0;  // of its cell records in the temporary file
    long length = 0;
    uint32_t rows = 0;
    uint16_t columns = 0;
};

class XlsWriter final : public Writer {
public:
    explicit XlsWriter(std::filesystem::path path) : m_path(std::move(path)), m_cells(std::tmpfile()) {
        if (m_cells == nullptr) throw WorkbookError("no temporary file for the sheets");
    }
    ~XlsWriter() override {
        if (m_cells != nullptr) std::fclose(m_cells);
    }

    int64_t MaxRowsPerSheet() const override { return RowsPerSheet; }

    void AddSheet(const std::string& name, const std::vector<double>& widths) override {
        FinishSheet();
        SheetBlock sheet;
        sheet.name = name;
        sheet.widths = widths;
        sheet.offset = std::ftell(m_cells);
        m_sheets.push_back(std::move(sheet));
    }

    void AddRow(const Row& cells) override {
        if (m_sheets.empty()) throw WorkbookError("a row before any sheet");
        SheetBlock& sheet = m_sheets.back();
        if (sheet.rows >= RowsPerSheet) throw WorkbookError("a sheet holds 65536 rows");
        if (cells.size() > ColumnsPerSheet) throw WorkbookError("a sheet holds 256 columns");
        m_buffer.clear();
        const uint32_t row = sheet.rows;
        for (size_t column = 0; column < cells.size(); ++column) {
            const Cell& cell = cells[column];
            // An empty text is no cell: readers take a string of no characters for damage.
            if (cell.kind == Cell::Kind::Empty || (cell.kind == Cell::Kind::Text && cell.text.empty())) continue;
            std::string data;
            Put16(data, row);
            Put16(data, static_cast<uint32_t>(column));
            if (cell.kind == Cell::Kind::Text) {
                Put16(data, GeneralXf);
                Put32(data, StringIndex(cell.text));
                PutRecord(m_buffer, 0x00FD, data);  // LABELSST
            } else {
                Put16(data, cell.kind == Cell::Kind::Date ? DateXf : GeneralXf);
                PutDouble(data, cell.kind == Cell::Kind::Date ? Serial(cell.date) : cell.number);
                PutRecord(m_buffer, 0x0203, data);  // NUMBER
            }
        }
        if (!m_buffer.empty() && std::fwrite(m_buffer.data(), 1, m_buffer.size(), m_cells) != m_buffer.size()) {
            throw WorkbookError("the temporary file of the sheets cannot be written");
        }
        sheet.rows = row + 1;
        sheet.columns = std::max<uint16_t>(sheet.columns, static_cast<uint16_t>(cells.size()));
    }

    void Close() override {
        FinishSheet();
        if (m_sheets.empty()) AddSheet("Sheet1", {});
        FinishSheet();
        const std::string stream = WorkbookStream();
        WriteCompoundFile(stream);
    }

private:
    uint32_t StringIndex(const std::string& text) {
        ++m_stringUses;
        auto [it, added] = m_stringIndex.try_emplace(text, static_cast<uint32_t>(m_strings.size()));
        if (added) m_strings.push_back(text);
        return it->second;
    }

    void FinishSheet() {
        if (m_sheets.empty()) return;
        SheetBlock& sheet = m_sheets.back();
        sheet.length = std::ftell(m_cells) - sheet.offset;
    }

    // ---- the workbook stream ----------------------------------------------------

    static std::string Bof(uint16_t kind) {
        std::string data;
        Put16(data, 0x0600);
        Put16(data, kind);
        Put16(data, 0x0DBB);
        Put16(data, 0x07CC);
        Put32(data, 0x00000041);
        Put32(data, 0x00000006);
        std::string out;
        PutRecord(out, 0x0809, data);
        return out;
    }

    static std::string Globals(const std::vector<uint32_t>& sheetOffsets, const std::vector<SheetBlock>& sheets,
                               const std::string& sst) {
        std::string out = Bof(0x0005);
        std::string data;
        Put16(data, 1200);  // the strings are UTF-16
        PutRecord(out, 0x0042, data);
        data.clear();
        for (uint32_t v : {0u, 0u, 0x25BCu, 0x1572u, 0x0038u, 0u, 0u, 1u, 0x0258u}) Put16(data, v);
        PutRecord(out, 0x003D, data);  // WINDOW1
        for (int font = 0; font < 4; ++font) {
            data.clear();
            for (uint32_t v : {200u, 0u, 0x7FFFu, 400u, 0u}) Put16(data, v);
            data.append(4, '\0');
            data.push_back(5);
            data.push_back(0);
            data += "Arial";
            PutRecord(out, 0x0031, data);  // FONT
        }
        data.clear();
        const std::string pattern = "yyyy-mm-dd";
        Put16(data, DateFormat);
        Put16(data, static_cast<uint32_t>(pattern.size()));
        data.push_back(0);
        data += pattern;
        PutRecord(out, 0x041E, data);  // FORMAT
        for (int xf = 0; xf <= DateXf; ++xf) {
            data.clear();
            const bool style = xf < GeneralXf;
            Put16(data, 0);                              // font
            Put16(data, xf == DateXf ? DateFormat : 0);  // number format
            Put16(data, style ? 0xFFF5 : 0x0001);        // locked; style or cell under style 0
            data.push_back(0x20);                        // bottom aligned
            data.push_back(0);
            data.push_back(0);
            data.push_back(static_cast<char>(style ? 0x00 : 0xF8));
            Put32(data, 0);
            Put32(data, 0);
            Put16(data, 0x20C0);
            PutRecord(out, 0x00E0, data);  // XF
        }
        data.clear();
        Put16(data, 0x8000);
        data.push_back(0);
        data.push_back(static_cast<char>(0xFF));
        PutRecord(out, 0x0293, data);  // STYLE: Normal
        for (size_t i = 0; i < sheets.size(); ++i) {
            data.clear();
            Put32(data, sheetOffsets[i]);
            data.push_back(0);
            data.push_back(0);
            std::u16string name = Utf16(sheets[i].name);
            if (name.size() > 31) name.resize(31);
            data.push_back(static_cast<char>(name.size()));
            data.push_back(1);
            PutUtf16(data, name);
            PutRecord(out, 0x0085, data);  // BOUNDSHEET
        }
        out += sst;
        PutRecord(out, 0x000A, {});
        return out;
    }

    // The shared strings in an SST record and as many CONTINUE records as they need.
    // A string may be split between records only between characters, and the part
    // in the next record starts again with its flags byte.
    std::string SharedStrings() const {
        std::string out;
        std::string record;
        Put32(record, m_stringUses);
        Put32(record, static_cast<uint32_t>(m_strings.size()));
        uint16_t type = 0x00FC;
        auto flush = [&] {
            PutRecord(out, type, record);
            record.clear();
            type = 0x003C;
        };
        for (const std::string& text : m_strings) {
            const std::u16string wide = Utf16(text).substr(0, 32767);
            if (record.size() + 3 + (wide.empty() ? 0 : 2) > MaxRecordData) flush();
            Put16(record, static_cast<uint32_t>(wide.size()));
            record.push_back(1);
            size_t done = 0;
            while (done < wide.size()) {
                const size_t room = (MaxRecordData - record.size()) / 2;
                if (room == 0) {
                    flush();
                    record.push_back(1);
                    continue;
                }
                const size_t take = std::min(room, wide.size() - done);
                PutUtf16(record, wide.substr(done, take));
                done += take;
            }
        }
        flush();
        return out;
    }

    std::string SheetHead(const SheetBlock& sheet) const {
        std::string out = Bof(0x0010);
        for (size_t column = 0; column < sheet.widths.size(); ++column) {
            std::string data;
            Put16(data, static_cast<uint32_t>(column));
            Put16(data, static_cast<uint32_t>(column));
            Put16(data, static_cast<uint32_t>(std::clamp(sheet.widths[column], 1.0, 255.0) * 256));
            Put16(data, GeneralXf);
            Put16(data, 0);
            Put16(data, 0);
            PutRecord(out, 0x007D, data);  // COLINFO
        }
        std::string data;
        Put32(data, 0);
        Put32(data, sheet.rows);
        Put16(data, 0);
        Put16(data, sheet.columns);
        Put16(data, 0);
        PutRecord(out, 0x0200, data);  // DIMENSIONS
        return out;
    }

    static std::string SheetTail(bool first) {
        std::string data;
        Put16(data, first ? 0x06B6 : 0x06B4);  // the first sheet is the selected one
        Put16(data, 0);
        Put16(data, 0);
        Put32(data, 64);
        Put16(data, 0);
        Put16(data, 0);
        Put32(data, 0);
        std::string out;
        PutRecord(out, 0x023E, data);  // WINDOW2
        PutRecord(out, 0x000A, {});
        return out;
    }

    // The globals and the heads and tails of the sheets; the cell records stay in
    // the temporary file and are copied in between when the file is written.
    std::string WorkbookStream() {
        const std::string sst = SharedStrings();
        std::vector<uint32_t> offsets(m_sheets.size(), 0);
        const size_t globalsSize = Globals(offsets, m_sheets, sst).size();
        uint64_t position = globalsSize;
        m_heads.clear();
        m_tails.clear();
        for (size_t i = 0; i < m_sheets.size(); ++i) {
            offsets[i] = static_cast<uint32_t>(position);
            m_heads.push_back(SheetHead(m_sheets[i]));
            m_tails.push_back(SheetTail(i == 0));
            position += m_heads.back().size() + static_cast<uint64_t>(m_sheets[i].length) + m_tails.back().size();
        }
        if (position > 0xFFFFFFFFull) throw WorkbookError("the workbook is too large for the format");
        m_streamSize = position;
        return Globals(offsets, m_sheets, sst);
    }

    // ---- the compound file --------------------------------------------------------

    static constexpr uint32_t SectorSize = 512;
    static constexpr uint32_t FreeSector = 0xFFFFFFFF;
    static constexpr uint32_t EndOfChain = 0xFFFFFFFE;
    static constexpr uint32_t FatSector = 0xFFFFFFFD;
    static constexpr uint32_t DifatSector = 0xFFFFFFFC;
    static constexpr uint32_t HeaderDifat = 109;
    static constexpr uint32_t PerSector = SectorSize / 4;

    void WriteCompoundFile(const std::string& globals) {
        // A stream below 4096 bytes would belong in the mini stream; padding the
        // workbook to that size keeps one layout for every file.
        const uint64_t streamSize = std::max<uint64_t>(m_streamSize, 4096);
        const uint32_t streamSectors = static_cast<uint32_t>((streamSize + SectorSize - 1) / SectorSize);
        uint32_t fatSectors = 1;
        uint32_t difatSectors = 0;
        for (;;) {
            const uint32_t total = streamSectors + 1 + fatSectors + difatSectors;
            const uint32_t needFat = (total + PerSector - 1) / PerSector;
            const uint32_t needDifat = needFat > HeaderDifat ? (needFat - HeaderDifat + PerSector - 2) / (PerSector - 1) : 0;
            if (needFat == fatSectors && needDifat == difatSectors) break;
            fatSectors = needFat;
            difatSectors = needDifat;
        }
        const uint32_t directorySector = streamSectors;
        const uint32_t firstFat = directorySector + 1;
        const uint32_t firstDifat = firstFat + fatSectors;

        std::vector<uint32_t> fat(static_cast<size_t>(fatSectors) * PerSector, FreeSector);
        for (uint32_t s = 0; s < streamSectors; ++s) fat[s] = s + 1 == streamSectors ? EndOfChain : s + 1;
        fat[directorySector] = EndOfChain;
        for (uint32_t s = 0; s < fatSectors; ++s) fat[firstFat + s] = FatSector;
        for (uint32_t s = 0; s < difatSectors; ++s) fat[firstDifat + s] = DifatSector;

        std::string header;
        header += std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
        header.append(16, '\0');
        Put16(header, 0x003E);
        Put16(header, 0x0003);
        Put16(header, 0xFFFE);
        Put16(header, 9);
        Put16(header, 6);
        header.append(6, '\0');
        Put32(header, 0);
        Put32(header, fatSectors);
        Put32(header, directorySector);
        Put32(header, 0);
        Put32(header, 4096);
        Put32(header, EndOfChain);
        Put32(header, 0);
        Put32(header, difatSectors ? firstDifat : EndOfChain);
        Put32(header, difatSectors);
        for (uint32_t i = 0; i < HeaderDifat; ++i) Put32(header, i < fatSectors ? firstFat + i : FreeSector);

        const std::filesystem::path partial = m_path.string() + ".partial";
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        if (!out) throw WorkbookError("the file cannot be created");
        out.write(header.data(), static_cast<std::streamsize>(header.size()));
        out.write(globals.data(), static_cast<std::streamsize>(globals.size()));
        std::vector<char> chunk(1 << 16);
        for (size_t i = 0; i < m_sheets.size(); ++i) {
            out.write(m_heads[i].data(), static_cast<std::streamsize>(m_heads[i].size()));
            std::fseek(m_cells, m_sheets[i].offset, SEEK_SET);
            long left = m_sheets[i].length;
            while (left > 0) {
                const size_t want = static_cast<size_t>(std::min<long>(left, static_cast<long>(chunk.size())));
                if (std::fread(chunk.data(), 1, want, m_cells) != want) throw WorkbookError("the sheets cannot be read back");
                out.write(chunk.data(), static_cast<std::streamsize>(want));
                left -= static_cast<long>(want);
            }
            out.write(m_tails[i].data(), static_cast<std::streamsize>(m_tails[i].size()));
        }
        const uint64_t padding = static_cast<uint64_t>(streamSectors) * SectorSize - m_streamSize;
        out.write(std::string(padding, '\0').data(), static_cast<std::streamsize>(padding));

        std::string directory;
        auto entry = [&](const std::u16string& name, uint8_t kind, uint32_t child, uint32_t start, uint32_t size) {
            std::string e;
            PutUtf16(e, name);
            e.append(64 - name.size() * 2, '\0');
            Put16(e, name.empty() ? 0 : static_cast<uint32_t>((name.size() + 1) * 2));
            e.push_back(static_cast<char>(kind));
            e.push_back(kind == 0 ? 0 : 1);  // black
            Put32(e, FreeSector);
            Put32(e, FreeSector);
            Put32(e, child);
            e.append(16 + 4 + 8 + 8, '\0');
            Put32(e, start);
            Put32(e, size);
            Put32(e, 0);
            directory += e;
        };
        entry(u"Root Entry", 5, 1, EndOfChain, 0);
        entry(u"Workbook", 2, FreeSector, 0, static_cast<uint32_t>(streamSize));
        entry(u"", 0, FreeSector, 0, 0);
        entry(u"", 0, FreeSector, 0, 0);
        out.write(directory.data(), static_cast<std::streamsize>(directory.size()));

        std::string tables;
        for (uint32_t value : fat) Put32(tables, value);
        for (uint32_t d = 0; d < difatSectors; ++d) {
            for (uint32_t i = 0; i < PerSector - 1; ++i) {
                const uint32_t index = HeaderDifat + d * (PerSector - 1) + i;
                Put32(tables, index < fatSectors ? firstFat + index : FreeSector);
            }
            Put32(tables, d + 1 < difatSectors ? firstDifat + d + 1 : EndOfChain);
        }
        out.write(tables.data(), static_cast<std::streamsize>(tables.size()));
        out.close();
        if (!out) {
            std::error_code ignored;
            std::filesystem::remove(partial, ignored);
            throw WorkbookError("the file cannot be written");
        }
        std::error_code error;
        std::filesystem::rename(partial, m_path, error);
        if (error) {
            std::filesystem::remove(partial, error);
            throw WorkbookError("the file cannot be put in place");
        }
    }

    std::filesystem::path m_path;
    std::FILE* m_cells;
    std::string m_buffer;
    std::vector<SheetBlock> m_sheets;
    std::vector<std::string> m_strings;
    std::unordered_map<std::string, uint32_t> m_stringIndex;
    uint32_t m_stringUses = 0;
    std::vector<std::string> m_heads;
    std::vector<std::string> m_tails;
    uint64_t m_streamSize = 0;
};

}  // namespace

std::unique_ptr<Writer> CreateXlsWriter(const std::filesystem::path& path) { return std::make_unique<XlsWriter>(path); }

}  // namespace hub::workbook
