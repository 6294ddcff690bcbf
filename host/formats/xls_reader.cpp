// The binary workbook (BIFF8 records in a compound file), read here rather than
// by a library: every length a file gives is checked against what holds it before
// anything is read through it, so a damaged or hostile file is refused and never
// read past its end.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <map>
#include <optional>
#include <string_view>
#include <system_error>

#include "formats/workbook.h"
#include "tolm/host_error.h"
#include "tolm/text.h"

namespace hub::workbook {
namespace {

uint32_t Le16(std::string_view bytes, size_t at) {
    return static_cast<uint32_t>(static_cast<unsigned char>(bytes[at])) |
           static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8;
}

uint32_t Le32(std::string_view bytes, size_t at) { return Le16(bytes, at) | Le16(bytes, at + 2) << 16; }

[[noreturn]] void Damaged(const char* what) { throw WorkbookError(std::string("the workbook is damaged: ") + what); }

// Reads `length` bytes at `offset` of the file; a file that has become shorter
// than it was when opened is damage.
void ReadAt(int fd, uint64_t offset, size_t length, char* out) {
    size_t done = 0;
    while (done < length) {
        const ssize_t got = ::pread(fd, out + done, length - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) throw WorkbookError("cannot be read: " + std::generic_category().message(errno));
        if (got == 0) Damaged("the file is shorter than it was");
        done += static_cast<size_t>(got);
    }
}

// The compound file around the workbook: sectors, their allocation table and
// chains, every length checked against the file. Sectors are read from the file
// when they are needed; only the allocation table is kept.
class CompoundFile {
public:
    CompoundFile(int fd, uint64_t size) : m_fd(fd), m_header(512, '\0') {
        ReadAt(m_fd, 0, m_header.size(), m_header.data());
        m_shift = Le16(m_header, 30);
        if (m_shift != 9 && m_shift != 12) Damaged("sector size");
        if ((size >> m_shift) == 0) Damaged("header");
        m_sectorCount = (size >> m_shift) - 1;
        // The allocation table's sectors: 109 named in the header, the rest in a chain.
        const uint32_t fatCount = Le32(m_header, 44);
        if (fatCount > m_sectorCount) Damaged("allocation table");
        std::vector<uint32_t> fatSectors;
        for (size_t i = 0; i < 109 && fatSectors.size() < fatCount; ++i) fatSectors.push_back(Le32(m_header, 76 + 4 * i));
        for (uint32_t next = Le32(m_header, 68), steps = 0; fatSectors.size() < fatCount && next <= LastSector; ++steps) {
            if (steps > m_sectorCount) Damaged("allocation chain");
            const std::string more = Sector(next);
            for (size_t i = 0; i + 4 < more.size() && fatSectors.size() < fatCount; i += 4) fatSectors.push_back(Le32(more, i));
            next = Le32(more, more.size() - 4);
        }
        if (fatSectors.size() < fatCount) Damaged("allocation table");
        for (uint32_t id : fatSectors) {
            const std::string entries = Sector(id);
            for (size_t i = 0; i < entries.size(); i += 4) m_fat.push_back(Le32(entries, i));
        }
    }

    std::string_view Header() const { return m_header; }
    int Descriptor() const { return m_fd; }
    unsigned Shift() const { return m_shift; }

    // The units of a chain in order; a chain leaving the table, or longer than the
    // units there are (so running in a circle), is damage.
    static std::vector<uint32_t> ChainIds(uint32_t start, const std::vector<uint32_t>& table, size_t units) {
        std::vector<uint32_t> ids;
        for (uint32_t id = start; id <= LastSector; id = table[id]) {
            if (id >= table.size() || ids.size() >= units) Damaged("sector chain");
            ids.push_back(id);
        }
        return ids;
    }
    // The sectors of a chain, each inside the file.
    std::vector<uint32_t> SectorIds(uint32_t start) const {
        std::vector<uint32_t> ids = ChainIds(start, m_fat, m_sectorCount);
        for (uint32_t id : ids) {
            if (id >= m_sectorCount) Damaged("sector outside the file");
        }
        return ids;
    }
    // The sectors of a chain, joined: for the small parts of the file only.
    std::string Chain(uint32_t start) const {
        std::string joined;
        for (uint32_t id : SectorIds(start)) joined += Sector(id);
        return joined;
    }

private:
    static constexpr uint32_t LastSector = 0xFFFFFFFA;

    std::string Sector(uint32_t id) const {
        if (id >= m_sectorCount) Damaged("sector outside the file");
        std::string bytes(size_t{1} << m_shift, '\0');
        ReadAt(m_fd, (uint64_t{id} + 1) << m_shift, bytes.size(), bytes.data());
        return bytes;
    }

    int m_fd;
    std::string m_header;
    unsigned m_shift = 9;
    size_t m_sectorCount = 0;
    std::vector<uint32_t> m_fat;
};

// The workbook stream, read where it lies. A short one (in the small sectors) is
// kept, as it is a few KB; a long one is read from the file a run of adjacent
// sectors at a time, so a large workbook is never held in memory whole.
class Stream {
public:
    explicit Stream(std::string bytes) : m_memory(std::move(bytes)), m_size(m_memory.size()) {}
    Stream(int fd, unsigned shift, std::vector<uint32_t> sectors, uint64_t size)
        : m_fd(fd), m_shift(shift), m_sectors(std::move(sectors)), m_size(size) {}

    uint64_t Size() const { return m_size; }

    // Copies `length` bytes from `offset` on, which the caller keeps within Size().
    void Read(uint64_t offset, size_t length, char* out) {
        if (m_fd < 0) {
            std::memcpy(out, m_memory.data() + offset, length);
            return;
        }
        while (length > 0) {
            if (offset < m_cacheBegin || offset >= m_cacheBegin + m_cache.size()) Fill(offset);
            const size_t within = static_cast<size_t>(offset - m_cacheBegin);
            const size_t step = std::min(length, m_cache.size() - within);
            std::memcpy(out, m_cache.data() + within, step);
            out += step;
            offset += step;
            length -= step;
        }
    }

private:
    static constexpr size_t ReadAhead = size_t{64} << 10;

    // Reads the sector holding `offset` and the ones after it in the stream that
    // follow it in the file too, up to ReadAhead bytes.
    void Fill(uint64_t offset) {
        const size_t first = static_cast<size_t>(offset >> m_shift);
        const size_t most = std::max<size_t>(1, ReadAhead >> m_shift);
        size_t count = 1;
        while (count < most && first + count < m_sectors.size() &&
               m_sectors[first + count] == m_sectors[first] + count) {
            ++count;
        }
        m_cacheBegin = uint64_t{first} << m_shift;
        const uint64_t end = std::min<uint64_t>(m_size, m_cacheBegin + (uint64_t{count} << m_shift));
        m_cache.resize(static_cast<size_t>(end - m_cacheBegin));
        ReadAt(m_fd, (uint64_t{m_sectors[first]} + 1) << m_shift, m_cache.size(), m_cache.data());
    }

    std::string m_memory;
    int m_fd = -1;
    unsigned m_shift = 9;
    std::vector<uint32_t> m_sectors;
    uint64_t m_size = 0;
    std::string m_cache;
    uint64_t m_cacheBegin = 0;
};

// The workbook stream of a compound file: found by name in the directory and
// read through its chain (or the small-sector chain for a short stream).
Stream WorkbookStream(const InputFile& input) {
    char magic[8] = {};
    if (input.Size() >= 512) ReadAt(input.Descriptor(), 0, sizeof magic, magic);
    if (input.Size() < 512 || std::string_view(magic, sizeof magic) != "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1") {
        throw WorkbookError("not a compound file");
    }
    const CompoundFile file(input.Descriptor(), input.Size());
    const std::string_view header = file.Header();

    const std::string directory = file.Chain(Le32(header, 48));
    uint32_t rootStart = 0;
    uint64_t rootSize = 0;
    std::optional<std::pair<uint32_t, uint64_t>> workbook;
    for (size_t at = 0; at + 128 <= directory.size(); at += 128) {
        const std::string_view entry = std::string_view(directory).substr(at, 128);
        const uint32_t nameLength = Le16(entry, 64);
        if (nameLength > 64 || nameLength % 2 != 0) Damaged("directory entry name");
        std::string name;  // ASCII letters are all a workbook stream's name has
        for (size_t i = 0; i + 2 < nameLength; i += 2) name += static_cast<char>(entry[i] | 0x20);
        if (at == 0) {
            rootStart = Le32(entry, 116);
            rootSize = Le32(entry, 120);
        } else if (entry[66] == 2 && name == "workbook" && !workbook) {
            workbook.emplace(Le32(entry, 116), Le32(entry, 120));
        }
    }
    if (!workbook) throw WorkbookError("no workbook stream (not a BIFF8 workbook)");

    if (workbook->second < Le32(header, 56)) {
        // A short stream lives in 64-byte pieces of the root entry's stream.
        const std::string miniTable = file.Chain(Le32(header, 60));
        std::vector<uint32_t> miniFat;
        for (size_t i = 0; i + 4 <= miniTable.size(); i += 4) miniFat.push_back(Le32(miniTable, i));
        const std::string mini = file.Chain(rootStart).substr(0, rootSize);
        std::string stream;
        for (uint32_t id : CompoundFile::ChainIds(workbook->first, miniFat, mini.size() / 64)) {
            if ((uint64_t{id} + 1) * 64 > mini.size()) Damaged("small sector outside the file");
            stream.append(std::string_view(mini).substr(size_t{id} * 64, 64));
        }
        if (stream.size() < workbook->second) Damaged("workbook stream shorter than its size");
        stream.resize(workbook->second);
        return Stream(std::move(stream));
    }
    std::vector<uint32_t> sectors = file.SectorIds(workbook->first);
    if ((uint64_t{sectors.size()} << file.Shift()) < workbook->second) {
        Damaged("workbook stream shorter than its size");
    }
    return Stream(file.Descriptor(), file.Shift(), std::move(sectors), workbook->second);
}

// One record of the workbook stream. Its body stays valid until the record after
// the next one is read.
struct Record {
    uint16_t type = 0;
    std::string_view body;
};

// The records of the stream from an offset on; a record reaching past the stream,
// or longer than BIFF8 allows, is damage.
class Records {
public:
    Records(Stream& stream, uint64_t from) : m_stream(stream), m_at(from) {}

    std::optional<Record> Next() {
        if (m_at + 4 > m_stream.Size()) return std::nullopt;
        char header[4];
        m_stream.Read(m_at, sizeof header, header);
        const std::string_view head(header, sizeof header);
        const uint32_t length = Le16(head, 2);
        if (length > 8224 || m_at + 4 + length > m_stream.Size()) Damaged("record length");
        // Two bodies in turn: a record and the CONTINUE read after it are both alive.
        std::string& body = m_bodies[m_turn ^= 1];
        body.resize(length);
        m_stream.Read(m_at + 4, length, body.data());
        m_at += 4 + length;
        return Record{static_cast<uint16_t>(Le16(head, 0)), body};
    }
    // The next record when it has the given type (and then consumes it).
    std::optional<Record> NextIf(uint16_t type) {
        if (m_at + 4 > m_stream.Size()) return std::nullopt;
        char header[2];
        m_stream.Read(m_at, sizeof header, header);
        if (Le16(std::string_view(header, sizeof header), 0) != type) return std::nullopt;
        return Next();
    }

private:
    Stream& m_stream;
    uint64_t m_at;
    std::string m_bodies[2];
    unsigned m_turn = 0;
};

// Reads a record and the CONTINUE records after it as one run of bytes, where a
// string's characters that run into a CONTINUE record start there with a fresh
// option byte.
class BodyReader {
public:
    BodyReader(std::string_view first, Records* continues) : m_piece(first), m_continues(continues) {}

    bool AtEnd() {
        while (m_at == m_piece.size()) {
            if (!NextPiece()) return true;
        }
        return false;
    }
    uint32_t Byte() {
        if (AtEnd()) Damaged("record too short");
        return static_cast<unsigned char>(m_piece[m_at++]);
    }
    uint32_t U16() { return Byte() | Byte() << 8; }
    uint32_t U32() { return U16() | U16() << 16; }
    void Skip(uint64_t count) {
        while (count > 0) {
            if (AtEnd()) Damaged("record too short");
            const size_t step = static_cast<size_t>(std::min<uint64_t>(count, m_piece.size() - m_at));
            m_at += step;
            count -= step;
        }
    }
    // A string: its length (one or two bytes) then options, runs and characters.
    std::string String(bool shortLength) {
        const uint32_t count = shortLength ? Byte() : U16();
        const uint32_t options = Byte();
        const uint32_t runs = (options & 0x08) ? U16() : 0;
        const uint32_t extra = (options & 0x04) ? U32() : 0;
        bool wide = (options & 0x01) != 0;
        std::u16string units;
        units.reserve(count);
        while (units.size() < count) {
            if (m_at == m_piece.size()) {
                if (!NextPiece()) Damaged("string past its record");
                wide = (Byte() & 0x01) != 0;
                continue;
            }
            units.push_back(static_cast<char16_t>(wide ? U16() : Byte()));
        }
        Skip(uint64_t{runs} * 4 + extra);
        return Utf8(units);
    }

private:
    bool NextPiece() {
        if (m_continues == nullptr) return false;
        auto next = m_continues->NextIf(0x003C);
        if (!next) return false;
        m_piece = next->body;
        m_at = 0;
        return true;
    }

    static std::string Utf8(const std::u16string& units) {
        std::string text;
        for (size_t i = 0; i < units.size(); ++i) {
            char32_t c = units[i];
            if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00);
            } else if (c >= 0xD800 && c <= 0xDFFF) {
                c = 0xFFFD;  // half a pair
            }
            text += tolm::text::EncodeUtf8(c);
        }
        return text;
    }

    std::string_view m_piece;
    size_t m_at = 0;
    Records* m_continues;
};

// A number stored in four bytes: 30 bits of an integer or of a double's top,
// optionally in hundredths.
double RkNumber(uint32_t rk) {
    double value;
    if (rk & 0x02) {
        value = static_cast<double>(static_cast<int32_t>(rk) >> 2);
    } else {
        const uint64_t bits = uint64_t{rk & 0xFFFFFFFCu} << 32;
        std::memcpy(&value, &bits, sizeof value);
    }
    return (rk & 0x01) ? value / 100 : value;
}

const char* ErrorText(uint32_t code) {
    switch (code) {
        case 0x00: return "#NULL!";
        case 0x07: return "#DIV/0!";
        case 0x0F: return "#VALUE!";
        case 0x17: return "#REF!";
        case 0x1D: return "#NAME?";
        case 0x24: return "#NUM!";
        default: return "#N/A";
    }
}

class XlsReader final : public Reader {
public:
    explicit XlsReader(const std::filesystem::path& path) : m_file(path), m_stream(WorkbookStream(m_file)) {
        Records records(m_stream, 0);
        auto bof = records.Next();
        if (!bof || bof->type != 0x0809 || bof->body.size() < 4 || Le16(bof->body, 0) != 0x0600 ||
            Le16(bof->body, 2) != 0x0005) {
            throw WorkbookError("not a BIFF8 workbook");
        }
        std::vector<int> xfFormats;
        std::map<int, std::string> patterns;
        while (auto record = records.Next()) {
            if (record->type == 0x000A) break;  // EOF
            BodyReader body(record->body, nullptr);
            switch (record->type) {
                case 0x0085: {  // BOUNDSHEET8
                    const uint32_t offset = body.U32();
                    body.Byte();
                    const uint32_t kind = body.Byte();
                    std::string name = body.String(true);
                    if (kind == 0) m_sheets.emplace_back(std::move(name), offset);
                    break;
                }
                case 0x00FC: {  // SST and its CONTINUE records
                    BodyReader strings(record->body, &records);
                    strings.U32();
                    const uint32_t unique = strings.U32();
                    // Each string takes three bytes at least: a count past that is damage.
                    if (unique > m_stream.Size() / 3) Damaged("shared string count");
                    for (uint32_t i = 0; i < unique; ++i) m_strings.Add(strings.String(false));
                    break;
                }
                case 0x041E: {  // FORMAT
                    const int id = static_cast<int>(body.U16());
                    patterns[id] = body.String(false);
                    break;
                }
                case 0x00E0:  // XF
                    body.U16();
                    xfFormats.push_back(static_cast<int>(body.U16()));
                    break;
                case 0x0022:  // DATEMODE
                    m_1904 = body.U16() != 0;
                    break;
                default:
                    break;
            }
        }
        for (int format : xfFormats) {
            const auto pattern = patterns.find(format);
            m_dateXfs.push_back(IsDateFormat(format, pattern == patterns.end() ? std::string() : pattern->second));
        }
    }

    std::vector<std::string> SheetNames() const override {
        std::vector<std::string> names;
        for (const auto& sheet : m_sheets) names.push_back(sheet.first);
        return names;
    }

    void ReadSheet(size_t index, const std::function<bool(int64_t, const Row&)>& onRow) override {
        if (index >= m_sheets.size()) throw WorkbookError("no such sheet");
        Records records(m_stream, m_sheets[index].second);
        auto bof = records.Next();
        if (!bof || bof->type != 0x0809) Damaged("sheet position");
        Row cells;
        int64_t row = -1;
        // Cells come row by row; a row is handed on when the next one starts.
        const auto flush = [&] {
            while (!cells.empty() && cells.back().kind == Cell::Kind::Empty) cells.pop_back();
            const bool blank = std::all_of(cells.begin(), cells.end(), [](const Cell& c) { return c.IsBlank(); });
            const bool more = blank || row < 0 || onRow(row + 1, cells);
            cells.clear();
            return more;
        };
        const auto put = [&](uint32_t cellRow, uint32_t column, Cell cell) {
            if (column > 255) Damaged("column");
            if (static_cast<int64_t>(cellRow) != row) {
                if (!flush()) return false;
                row = cellRow;
            }
            if (column >= cells.size()) cells.resize(column + 1);
            cells[column] = std::move(cell);
            return true;
        };
        while (auto record = records.Next()) {
            if (record->type == 0x000A) break;  // EOF
            BodyReader body(record->body, nullptr);
            bool more = true;
            switch (record->type) {
                case 0x00FD: {  // LABELSST
                    const uint32_t r = body.U16(), c = body.U16();
                    body.U16();
                    const uint32_t string = body.U32();
                    if (string >= m_strings.Size()) Damaged("shared string index");
                    more = put(r, c, Cell::OfText(std::string(m_strings.At(string))));
                    break;
                }
                case 0x0204: {  // LABEL
                    const uint32_t r = body.U16(), c = body.U16();
                    body.U16();
                    more = put(r, c, Cell::OfText(body.String(false)));
                    break;
                }
                case 0x0203: {  // NUMBER
                    const uint32_t r = body.U16(), c = body.U16(), xf = body.U16();
                    const uint64_t bits = body.U32() | uint64_t{body.U32()} << 32;
                    double value;
                    std::memcpy(&value, &bits, sizeof value);
                    more = put(r, c, NumberCell(value, xf));
                    break;
                }
                case 0x027E: {  // RK
                    const uint32_t r = body.U16(), c = body.U16(), xf = body.U16();
                    more = put(r, c, NumberCell(RkNumber(body.U32()), xf));
                    break;
                }
                case 0x00BD: {  // MULRK
                    const uint32_t r = body.U16(), first = body.U16();
                    const size_t count = record->body.size() >= 6 ? (record->body.size() - 6) / 6 : 0;
                    for (size_t i = 0; more && i < count; ++i) {
                        const uint32_t xf = body.U16();
                        more = put(r, static_cast<uint32_t>(first + i), NumberCell(RkNumber(body.U32()), xf));
                    }
                    break;
                }
                case 0x0205: {  // BOOLERR
                    const uint32_t r = body.U16(), c = body.U16();
                    body.U16();
                    const uint32_t value = body.Byte();
                    more = put(r, c, Cell::OfText(body.Byte() != 0 ? ErrorText(value) : value != 0 ? "1" : "0"));
                    break;
                }
                case 0x0006: {  // FORMULA: its last result
                    const uint32_t r = body.U16(), c = body.U16(), xf = body.U16();
                    const uint64_t bits = body.U32() | uint64_t{body.U32()} << 32;
                    if ((bits >> 48) != 0xFFFF) {
                        double value;
                        std::memcpy(&value, &bits, sizeof value);
                        more = put(r, c, NumberCell(value, xf));
                    } else if ((bits & 0xFF) == 0) {  // text, in the STRING record after it
                        auto text = records.NextIf(0x0207);
                        more = put(r, c, text ? Cell::OfText(BodyReader(text->body, &records).String(false)) : Cell{});
                    } else if ((bits & 0xFF) == 1) {
                        more = put(r, c, Cell::OfText(((bits >> 16) & 0xFF) != 0 ? "1" : "0"));
                    } else if ((bits & 0xFF) == 2) {
                        more = put(r, c, Cell::OfText(ErrorText((bits >> 16) & 0xFF)));
                    }
                    break;
                }
                default:
                    break;
            }
            if (!more) return;
        }
        flush();
    }

private:
    Cell NumberCell(double value, uint32_t xf) const {
        if (xf >= m_dateXfs.size() || !m_dateXfs[xf]) return Cell::OfNumber(value);
        try {
            return Cell::OfDate(std::chrono::floor<std::chrono::days>(tolm::SerialToDate(m_1904 ? value + 1462 : value)));
        } catch (const tolm::HostError&) {
            return Cell::OfNumber(value);  // no day a date can name: the number as it is
        }
    }

    InputFile m_file;  // read from while the reader lives
    Stream m_stream;
    std::vector<std::pair<std::string, uint32_t>> m_sheets;
    TextTable m_strings;
    std::vector<bool> m_dateXfs;
    bool m_1904 = false;
};

}  // namespace

std::unique_ptr<Reader> OpenXlsReader(const std::filesystem::path& path) { return std::make_unique<XlsReader>(path); }

}  // namespace hub::workbook
