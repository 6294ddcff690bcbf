// The formats module's entry point (formats_module.h).
#include "formats/formats_module.h"

extern "C" __attribute__((visibility("default"))) const hub::FormatsModule* tolm_formats_module() {
    using namespace hub;
    static const FormatsModule module{FormatsModuleVersion,
                                      &feed::FeedFormatNamed,
                                      &feed::FeedFormatName,
                                      &feed::QuotesPerEuro,
                                      &feed::SniffFeedFormat,
                                      &feed::ReadFeed,
                                      &feed::ParseDecimal,
                                      &feed::RoundedQuotient,
                                      &formats::IsZip,
                                      &formats::UnpackSingle,
                                      &WriteCsv,
                                      &WritePdf,
                                      &workbook::CreateXlsxWriter,
                                      &workbook::OpenXlsxReader};
    return &module;
}
