// The open XML workbook, read with libzip and expat: the workbook's small parts
// (sheet list, relations, styles, shared strings) whole, each sheet as a stream.
#include <expat.h>
#include <zip.h>

#include <algorithm>
#include <charconv>
#include <exception>
#include <utility>
#include <map>
#include <set>

#include "formats/workbook.h"
#include "tolm/host_error.h"

namespace hub::workbook {
namespace {

std::string_view LocalName(std::string_view name) {
    const size_t colon = name.rfind(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

const char* Attribute(const char** attributes, std::string_view wanted, bool prefixed = false) {
    for (size_t i = 0; attributes[i] != nullptr; i += 2) {
        const std::string_view name = attributes[i];
        if (prefixed ? (name.find(':') != std::string_view::npos && LocalName(name) == wanted) : name == wanted) {
            return attributes[i + 1];
        }
    }
    return nullptr;
}

// An expat parse fed in pieces, handing elements and text to the callbacks.
class SaxParser {
public:
    std::function<void(std::string_view name, const char** attributes)> onStart;
    std::function<void(std::string_view name)> onEnd;
    std::function<void(std::string_view text)> onText;

    SaxParser() : m_parser(XML_ParserCreate(nullptr)) {
        if (m_parser == nullptr) throw WorkbookError("no XML parser");
        XML_SetUserData(m_parser, this);
        XML_SetElementHandler(
            m_parser,
            [](void* self, const XML_Char* name, const XML_Char** attributes) {
                auto& parser = *static_cast<SaxParser*>(self);
                parser.Guarded([&] {
                    if (parser.onStart) parser.onStart(LocalName(name), attributes);
                });
            },
            [](void* self, const XML_Char* name) {
                auto& parser = *static_cast<SaxParser*>(self);
                parser.Guarded([&] {
                    if (parser.onEnd) parser.onEnd(LocalName(name));
                });
            });
        XML_SetCharacterDataHandler(m_parser, [](void* self, const XML_Char* text, int length) {
            auto& parser = *static_cast<SaxParser*>(self);
            parser.Guarded([&] {
                if (parser.onText) parser.onText(std::string_view(text, static_cast<size_t>(length)));
            });
        });
    }
    ~SaxParser() { XML_ParserFree(m_parser); }
    SaxParser(const SaxParser&) = delete;
    SaxParser& operator=(const SaxParser&) = delete;

    // False once Stop was called. An error a callback raised comes out here.
    bool Feed(const char* data, size_t size, bool last) {
        if (m_stopped) return false;
        const XML_Status status = XML_Parse(m_parser, data, static_cast<int>(size), last ? 1 : 0);
        if (m_error) std::rethrow_exception(std::exchange(m_error, nullptr));
        if (status == XML_STATUS_ERROR) {
            if (m_stopped) return false;
            throw WorkbookError(std::string("damaged XML: ") + XML_ErrorString(XML_GetErrorCode(m_parser)));
        }
        return !m_stopped;
    }
    void Stop() {
        m_stopped = true;
        XML_StopParser(m_parser, XML_FALSE);
    }

private:
    // Errors must not unwind through the C parser: the callback's error is kept, the
    // parse stopped, and the error raised again once the parser has returned.
    template <class F>
    void Guarded(F&& body) {
        if (m_error) return;
        try {
            body();
        } catch (...) {
            m_error = std::current_exception();
            XML_StopParser(m_parser, XML_FALSE);
        }
    }

    XML_Parser m_parser;
    bool m_stopped = false;
    std::exception_ptr m_error;
};

int ColumnOf(std::string_view reference) {
    int column = 0;
    size_t i = 0;
    for (; i < reference.size() && reference[i] >= 'A' && reference[i] <= 'Z'; ++i) {
        column = column * 26 + (reference[i] - 'A' + 1);
        if (column > 16384) return -1;
    }
    return i == 0 ? -1 : column - 1;
}

std::optional<double> NumberOf(const std::string& text) {
    double value = 0;
    const char* begin = text.data();
    const char* end = begin + text.size();
    auto [stop, ec] = std::from_chars(begin, end, value);
    if (ec != std::errc() || stop != end) return std::nullopt;
    return value;
}

// What the parts of a workbook may unpack to, all reads together: a hundred times
// the file (the sheets the host writes pack about ten to one), never less than a
// small workbook needs nor more than 4 GiB. A zip bomb stops at its budget.
uint64_t InflateBudget(uint64_t fileSize) {
    return std::clamp<uint64_t>(fileSize * 100, uint64_t{64} << 20, uint64_t{4} << 30);
}
// A part kept whole in memory (relations, sheet list, styles, shared strings).
constexpr uint64_t MaxKeptPart = uint64_t{256} << 20;

class XlsxReader final : public Reader {
public:
    explicit XlsxReader(const std::filesystem::path& path) {
        InputFile file(path);
        m_budget = InflateBudget(file.Size());
        int error = 0;
        m_zip = zip_fdopen(file.Descriptor(), 0, &error);
        if (m_zip == nullptr) throw WorkbookError("not a zip archive (libzip " + std::to_string(error) + ")");
        file.Release();  // libzip closes it now
        try {
            ReadRelations();
            ReadSheetList();
            ReadStyles();
            ReadSharedStrings();
        } catch (...) {
            zip_discard(m_zip);
            m_zip = nullptr;
            throw;
        }
    }
    ~XlsxReader() override {
        if (m_zip != nullptr) zip_discard(m_zip);
    }

    std::vector<std::string> SheetNames() const override {
        std::vector<std::string> names;
        for (const auto& sheet : m_sheets) names.push_back(sheet.first);
        return names;
    }

    void ReadSheet(size_t index, const std::function<bool(int64_t, const Row&)>& onRow) override {
        if (index >= m_sheets.size()) throw WorkbookError("no such sheet");
        SaxParser parser;
        Row cells;
        int64_t rowNumber = 0;
        int nextColumn = 0;
        int column = 0;
        std::string type;
        int style = 0;
        std::string value;
        bool inValue = false;
        bool inInline = false;
        bool inPhonetic = false;
        parser.onStart = [&](std::string_view name, const char** attributes) {
            if (name == "row") {
                const char* r = Attribute(attributes, "r");
                rowNumber = r ? std::atoll(r) : rowNumber + 1;
                cells.clear();
                nextColumn = 0;
            } else if (name == "c") {
                const char* r = Attribute(attributes, "r");
                column = r ? ColumnOf(r) : nextColumn;
                if (column < 0) throw WorkbookError("a cell reference is damaged");
                const char* t = Attribute(attributes, "t");
                type = t ? t : "n";
                const char* s = Attribute(attributes, "s");
                style = s ? std::atoi(s) : 0;
                value.clear();
            } else if (name == "v") {
                inValue = true;
            } else if (name == "is") {
                inInline = true;
            } else if (name == "rPh") {
                inPhonetic = true;
            } else if (name == "t" && inInline && !inPhonetic) {
                inValue = true;
            }
        };
        parser.onText = [&](std::string_view text) {
            if (inValue) value.append(text);
        };
        parser.onEnd = [&](std::string_view name) {
            if (name == "v" || name == "t") {
                inValue = false;
            } else if (name == "is") {
                inInline = false;
            } else if (name == "rPh") {
                inPhonetic = false;
            } else if (name == "c") {
                if (static_cast<size_t>(column) >= cells.size()) cells.resize(static_cast<size_t>(column) + 1);
                cells[static_cast<size_t>(column)] = CellOf(type, style, value);
                nextColumn = column + 1;
            } else if (name == "row") {
                const bool blank = std::all_of(cells.begin(), cells.end(), [](const Cell& c) { return c.IsBlank(); });
                if (!blank && !onRow(rowNumber, cells)) parser.Stop();
            }
        };
        Stream(m_sheets[index].second, parser, m_budget);
    }

private:
    Cell CellOf(const std::string& type, int style, const std::string& value) const {
        if (type == "s") {
            const std::optional<double> index = NumberOf(value);
            if (!index || *index < 0 || *index >= static_cast<double>(m_strings.Size())) {
                throw WorkbookError("a shared string is missing");
            }
            return Cell::OfText(std::string(m_strings.At(static_cast<size_t>(*index))));
        }
        if (type == "inlineStr" || type == "str") return Cell::OfText(value);
        if (type == "d") {
            const std::optional<tolm::DateTime> day = tolm::ParseDate(value.substr(0, 10), tolm::DateForm::Any);
            return day ? Cell::OfDate(*day) : Cell::OfText(value);
        }
        if (type == "b" || type == "e") return Cell::OfText(value);
        if (value.empty()) return Cell{};
        const std::optional<double> number = NumberOf(value);
        if (!number) throw WorkbookError("a number cell holds no number");
        if (style >= 0 && static_cast<size_t>(style) < m_dateStyles.size() && m_dateStyles[static_cast<size_t>(style)]) {
            try {
                return Cell::OfDate(std::chrono::floor<std::chrono::days>(tolm::SerialToDate(*number)));
            } catch (const tolm::HostError&) {
                return Cell::OfNumber(*number);  // no day a date can name: the number as it is
            }
        }
        return Cell::OfNumber(*number);
    }

    // Feeds the part to the parser in pieces, at most `limit` bytes of it unpacked
    // (and never past what is left of the budget); a missing part raises unless
    // optional. A part that says it is larger is refused before it is unpacked, one
    // that lies about its size once it passes the limit.
    bool Stream(const std::string& part, SaxParser& parser, uint64_t limit, bool optional = false) {
        limit = std::min(limit, m_inflated < m_budget ? m_budget - m_inflated : 0);
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat(m_zip, part.c_str(), 0, &stat) == 0 && (stat.valid & ZIP_STAT_SIZE) != 0 && stat.size > limit) {
            throw WorkbookError("the part " + part + " unpacks to too much", WorkbookError::Fault::Inflates);
        }
        zip_file_t* file = zip_fopen(m_zip, part.c_str(), 0);
        if (file == nullptr) {
            if (optional) return false;
            throw WorkbookError("the workbook has no part " + part);
        }
        char buffer[1 << 16];
        try {
            for (uint64_t unpacked = 0;;) {
                const zip_int64_t read = zip_fread(file, buffer, sizeof buffer);
                if (read < 0) throw WorkbookError("the part " + part + " is damaged");
                unpacked += static_cast<uint64_t>(read);
                m_inflated += static_cast<uint64_t>(read);
                if (unpacked > limit) {
                    throw WorkbookError("the part " + part + " unpacks to too much", WorkbookError::Fault::Inflates);
                }
                if (!parser.Feed(buffer, static_cast<size_t>(read), read == 0)) break;
                if (read == 0) break;
            }
        } catch (...) {
            zip_fclose(file);
            throw;
        }
        zip_fclose(file);
        return true;
    }

    static std::string PartOf(const std::string& target) {
        if (!target.empty() && target.front() == '/') return target.substr(1);
        return "xl/" + target;
    }

    void ReadRelations() {
        SaxParser parser;
        parser.onStart = [&](std::string_view name, const char** attributes) {
            if (name != "Relationship") return;
            const char* id = Attribute(attributes, "Id");
            const char* target = Attribute(attributes, "Target");
            if (id && target) m_relations[id] = PartOf(target);
        };
        Stream("xl/_rels/workbook.xml.rels", parser, MaxKeptPart);
    }

    void ReadSheetList() {
        SaxParser parser;
        parser.onStart = [&](std::string_view name, const char** attributes) {
            if (name != "sheet") return;
            const char* sheetName = Attribute(attributes, "name");
            const char* id = Attribute(attributes, "id", true);
            if (!sheetName || !id || !m_relations.contains(id)) throw WorkbookError("a sheet has no part");
            m_sheets.emplace_back(sheetName, m_relations[id]);
        };
        Stream("xl/workbook.xml", parser, MaxKeptPart);
    }

    void ReadStyles() {
        SaxParser parser;
        std::map<int, std::string> formats;
        bool inCellXfs = false;
        parser.onStart = [&](std::string_view name, const char** attributes) {
            if (name == "numFmt") {
                const char* id = Attribute(attributes, "numFmtId");
                const char* code = Attribute(attributes, "formatCode");
                if (id && code) formats[std::atoi(id)] = code;
            } else if (name == "cellXfs") {
                inCellXfs = true;
            } else if (name == "xf" && inCellXfs) {
                const char* id = Attribute(attributes, "numFmtId");
                const int format = id ? std::atoi(id) : 0;
                m_dateStyles.push_back(IsDateFormat(format, formats.contains(format) ? formats[format] : ""));
            }
        };
        parser.onEnd = [&](std::string_view name) {
            if (name == "cellXfs") inCellXfs = false;
        };
        Stream("xl/styles.xml", parser, MaxKeptPart, true);
    }

    void ReadSharedStrings() {
        SaxParser parser;
        std::string text;
        bool inText = false;
        bool inPhonetic = false;
        parser.onStart = [&](std::string_view name, const char**) {
            if (name == "si") text.clear();
            if (name == "rPh") inPhonetic = true;
            if (name == "t" && !inPhonetic) inText = true;
        };
        parser.onText = [&](std::string_view piece) {
            if (inText) text.append(piece);
        };
        parser.onEnd = [&](std::string_view name) {
            if (name == "t") inText = false;
            if (name == "rPh") inPhonetic = false;
            if (name == "si") m_strings.Add(text);
        };
        Stream("xl/sharedStrings.xml", parser, MaxKeptPart, true);
    }

    zip_t* m_zip = nullptr;
    std::map<std::string, std::string> m_relations;
    std::vector<std::pair<std::string, std::string>> m_sheets;  // name, part
    std::vector<bool> m_dateStyles;
    TextTable m_strings;
    uint64_t m_budget = 0;    // bytes all parts together may unpack to
    uint64_t m_inflated = 0;  // bytes unpacked so far
};

}  // namespace

std::unique_ptr<Reader> OpenXlsxReader(const std::filesystem::path& path) { return std::make_unique<XlsxReader>(path); }

}  // namespace hub::workbook
