// The .xlsx workbook reader: every sheet read to its end, or WorkbookError.
#include "formats/workbook.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzz::ScratchFile file(".xlsx");
    namespace wb = hub::workbook;
    try {
        auto reader = wb::OpenReader(file.Write(data, size), wb::Format::Xlsx);
        const auto names = reader->SheetNames();
        for (size_t sheet = 0; sheet < names.size(); ++sheet) {
            reader->ReadSheet(sheet, [](int64_t, const wb::Row&) { return true; });
        }
    } catch (const wb::WorkbookError&) {
    }
    return 0;
}
