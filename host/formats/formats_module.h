// The formats that need a library of their own (.xlsx with libxlsxwriter, libzip and
// expat; PDF with libharu; the published rate files with expat; zip archives with
// libzip) live in a module (libtolm_formats.so) that the first call of one of their
// functions loads (formats_module.cpp): a command that reads or writes none of these
// files never loads those libraries. .xls and the workbook's common code stay in the
// program. This is the table the module exports, checked by its version.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "formats/feed_reader.h"
#include "formats/table_file.h"
#include "formats/workbook.h"
#include "formats/zip_single.h"

namespace hub {

struct FormatsModule {
    int version;
    std::optional<feed::FeedFormat> (*feedFormatNamed)(std::string_view name);
    const char* (*feedFormatName)(feed::FeedFormat format);
    bool (*quotesPerEuro)(feed::FeedFormat format);
    std::optional<feed::FeedFormat> (*sniffFeedFormat)(std::string_view content);
    std::vector<feed::PublishedRate> (*readFeed)(std::string_view content, feed::FeedFormat format);
    std::optional<feed::Decimal> (*parseDecimal)(std::string_view text);
    std::optional<std::string> (*roundedQuotient)(feed::Decimal numerator, feed::Decimal denominator, int places);
    bool (*isZip)(std::string_view content);
    std::string (*unpackSingle)(std::string_view content, size_t maxSize);
    void (*writeCsv)(const std::filesystem::path& path, const ShownTable& table);
    void (*writePdf)(const std::filesystem::path& path, const std::string& title, const ShownTable& table);
    std::unique_ptr<workbook::Writer> (*createXlsxWriter)(const std::filesystem::path& path);
    std::unique_ptr<workbook::Reader> (*openXlsxReader)(const std::filesystem::path& path);
};
inline constexpr int FormatsModuleVersion = 1;

}  // namespace hub

#define TOLM_FORMATS_MODULE "libtolm_formats.so"
#define TOLM_FORMATS_ENTRY "tolm_formats_module"
extern "C" const hub::FormatsModule* tolm_formats_module();
