// The program's side of the formats module (formats_module.h): each function of the
// module's files is reached through the table, the module loaded at the first call.
#include "formats/formats_module.h"

#include "base/host_module.h"
#include "tolm/host_error.h"

namespace hub {

namespace {

const FormatsModule* LoadFormatsModule() {
    return RequireModuleTable<FormatsModule>(
        TOLM_FORMATS_MODULE, TOLM_FORMATS_ENTRY, FormatsModuleVersion, tolm::err::FileNotFound, ".Formats",
        "This installation cannot read or write workbooks, PDF, zip or published rate files: its formats module",
        "Install the program again.");
}

// Loaded once per process; a failed load is tried again at the next use.
const FormatsModule& Formats() {
    static const FormatsModule* const formats = LoadFormatsModule();
    return *formats;
}

}  // namespace

namespace feed {

std::optional<FeedFormat> FeedFormatNamed(std::string_view name) { return Formats().feedFormatNamed(name); }
const char* FeedFormatName(FeedFormat format) { return Formats().feedFormatName(format); }
bool QuotesPerEuro(FeedFormat format) { return Formats().quotesPerEuro(format); }
std::optional<FeedFormat> SniffFeedFormat(std::string_view content) { return Formats().sniffFeedFormat(content); }
std::vector<PublishedRate> ReadFeed(std::string_view content, FeedFormat format) {
    return Formats().readFeed(content, format);
}
std::optional<Decimal> ParseDecimal(std::string_view text) { return Formats().parseDecimal(text); }
std::optional<std::string> RoundedQuotient(Decimal numerator, Decimal denominator, int places) {
    return Formats().roundedQuotient(numerator, denominator, places);
}

}  // namespace feed

namespace formats {

bool IsZip(std::string_view content) { return Formats().isZip(content); }
std::string UnpackSingle(std::string_view content, size_t maxSize) { return Formats().unpackSingle(content, maxSize); }

}  // namespace formats

void WriteCsv(const std::filesystem::path& path, const ShownTable& table) { Formats().writeCsv(path, table); }
void WritePdf(const std::filesystem::path& path, const std::string& title, const ShownTable& table) {
    Formats().writePdf(path, title, table);
}

namespace workbook {

std::unique_ptr<Writer> CreateXlsxWriter(const std::filesystem::path& path) {
    return Formats().createXlsxWriter(path);
}
std::unique_ptr<Reader> OpenXlsxReader(const std::filesystem::path& path) { return Formats().openXlsxReader(path); }

}  // namespace workbook

}  // namespace hub
