#include "formats/table_file.h"

#include <hpdf.h>
#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <memory>
#include <system_error>

#include "tolm/host_error.h"
#include "tolm/text.h"

namespace hub {
namespace {

constexpr const char* Source = "TableExport";

[[noreturn]] void Fail(const std::filesystem::path& path, const std::string& why) {
    throw tolm::HostError(tolm::err::PathFileAccess, "Cannot write " + path.string() + ": " + why, Source);
}

// Writes through a sibling file and renames it over the target only when `write`
// finished; the sibling goes in every other case.
template <class Write>
void WriteWhole(const std::filesystem::path& path, Write&& write) {
    std::filesystem::path partial = path;
    partial += ".partial";
    try {
        write(partial);
        std::error_code renamed;
        std::filesystem::rename(partial, path, renamed);
        if (renamed) Fail(path, renamed.message());
    } catch (...) {
        std::error_code ignored;
        std::filesystem::remove(partial, ignored);
        throw;
    }
}

std::string CsvCell(const std::string& cell) {
    if (cell.find_first_of(",\"\r\n") == std::string::npos) return cell;
    std::string quoted = "\"";
    for (char c : cell) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

// UTF-8 to the GBK bytes of the PDF's Chinese font; what GBK lacks becomes "?".
class GbkConverter {
public:
    GbkConverter() : m_cd(iconv_open("GBK", "UTF-8")) {}
    ~GbkConverter() {
        if (m_cd != reinterpret_cast<iconv_t>(-1)) iconv_close(m_cd);
    }
    GbkConverter(const GbkConverter&) = delete;
    GbkConverter& operator=(const GbkConverter&) = delete;

    std::string operator()(const std::string& text) const {
        std::string out;
        for (char32_t character : tolm::text::CodePoints(text)) {
            std::string utf8 = tolm::text::EncodeUtf8(character);
            if (character < 0x80) {
                out += static_cast<char>(character < 0x20 ? ' ' : character);
                continue;
            }
            char buffer[8];
            char* in = utf8.data();
            size_t inLeft = utf8.size();
            char* outPtr = buffer;
            size_t outLeft = sizeof buffer;
            iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
            if (m_cd == reinterpret_cast<iconv_t>(-1) ||
                iconv(m_cd, &in, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1)) {
                out += '?';
            } else {
                out.append(buffer, static_cast<size_t>(outPtr - buffer));
            }
        }
        return out;
    }

private:
    iconv_t m_cd;
};

// libharu reports errors through a callback; it must not throw through C code, so
// the first error is kept and looked at after each call that can fail.
struct PdfStatus {
    HPDF_STATUS error = HPDF_OK;
    HPDF_STATUS detail = 0;
};

void OnPdfError(HPDF_STATUS error, HPDF_STATUS detail, void* data) {
    auto* status = static_cast<PdfStatus*>(data);
    if (status->error == HPDF_OK) {
        status->error = error;
        status->detail = detail;
    }
}

// The longest prefix of `text` (GBK bytes) that fits `width` on the page.
std::string Fit(HPDF_Page page, const std::string& text, HPDF_REAL width) {
    const HPDF_UINT bytes = HPDF_Page_MeasureText(page, text.c_str(), width, HPDF_FALSE, nullptr);
    return text.substr(0, std::min<size_t>(bytes, text.size()));
}

}  // namespace

void WriteCsv(const std::filesystem::path& path, const ShownTable& table) {
    WriteWhole(path, [&](const std::filesystem::path& target) {
        std::ofstream out(target, std::ios::binary | std::ios::trunc);
        if (!out) Fail(path, std::generic_category().message(errno));
        out << "\xEF\xBB\xBF";
        for (const auto& row : table) {
            for (size_t column = 0; column < row.size(); ++column) {
                if (column > 0) out << ',';
                out << CsvCell(row[column]);
            }
            out << "\r\n";
        }
        out.close();
        if (!out) Fail(path, "the file could not be completed");
    });
}

void WritePdf(const std::filesystem::path& path, const std::string& title, const ShownTable& table) {
    WriteWhole(path, [&](const std::filesystem::path& target) {
        PdfStatus status;
        std::unique_ptr<std::remove_pointer_t<HPDF_Doc>, void (*)(HPDF_Doc)> pdf(HPDF_New(OnPdfError, &status),
                                                                                 HPDF_Free);
        if (!pdf) Fail(path, "the document could not be created");
        auto check = [&] {
            if (status.error != HPDF_OK) {
                Fail(path, "PDF error " + std::to_string(status.error) + "/" + std::to_string(status.detail));
            }
        };
        HPDF_UseCNSFonts(pdf.get());
        HPDF_UseCNSEncodings(pdf.get());
        HPDF_Font font = HPDF_GetFont(pdf.get(), "SimSun", "GBK-EUC-H");
        check();

        const GbkConverter gbk;
        constexpr HPDF_REAL Margin = 36;
        constexpr HPDF_REAL FontSize = 9;
        constexpr HPDF_REAL LineHeight = 13;
        constexpr HPDF_REAL Gap = 8;
        std::vector<std::vector<std::string>> cells;
        size_t columns = 0;
        for (const auto& row : table) {
            std::vector<std::string> converted;
            for (const auto& cell : row) converted.push_back(gbk(cell));
            columns = std::max(columns, converted.size());
            cells.push_back(std::move(converted));
        }

        HPDF_Page page = nullptr;
        HPDF_REAL y = 0;
        std::vector<HPDF_REAL> widths;
        auto newPage = [&] {
            if (page != nullptr) HPDF_Page_EndText(page);
            page = HPDF_AddPage(pdf.get());
            HPDF_Page_SetSize(page, HPDF_PAGE_SIZE_A4, HPDF_PAGE_LANDSCAPE);
            HPDF_Page_BeginText(page);
            HPDF_Page_SetFontAndSize(page, font, FontSize + 3);
            y = HPDF_Page_GetHeight(page) - Margin;
            HPDF_Page_TextOut(page, Margin, y - FontSize, gbk(title).c_str());
            y -= 2 * LineHeight;
            HPDF_Page_SetFontAndSize(page, font, FontSize);
        };
        auto drawRow = [&](const std::vector<std::string>& row) {
            HPDF_REAL x = Margin;
            for (size_t column = 0; column < row.size(); ++column) {
                HPDF_Page_TextOut(page, x, y - FontSize, Fit(page, row[column], widths[column]).c_str());
                x += widths[column] + Gap;
            }
            y -= LineHeight;
        };

        newPage();
        // Each column as wide as its widest cell, all of them shrunk together to
        // the page; the last (the description, as a rule) takes what is left.
        widths.assign(columns, 0);
        for (const auto& row : cells) {
            for (size_t column = 0; column < row.size(); ++column) {
                widths[column] = std::max(widths[column], HPDF_Page_TextWidth(page, row[column].c_str()));
            }
        }
        const HPDF_REAL available =
            HPDF_Page_GetWidth(page) - 2 * Margin - Gap * static_cast<HPDF_REAL>(columns > 0 ? columns - 1 : 0);
        HPDF_REAL total = 0;
        for (HPDF_REAL width : widths) total += width;
        if (total > available && total > 0) {
            for (HPDF_REAL& width : widths) width = width * available / total;
        }
        check();

        for (size_t row = 0; row < cells.size(); ++row) {
            if (row > 0 && y - LineHeight < Margin) {
                newPage();
                drawRow(cells[0]);
            }
            drawRow(cells[row]);
        }
        HPDF_Page_EndText(page);
        check();
        if (HPDF_SaveToFile(pdf.get(), target.c_str()) != HPDF_OK) check();
        check();
    });
}

}  // namespace hub
