// Writes, with the host's own writers, a rate system workbook in both formats as
// large as the files a person imports (a few thousand rates), into the folder given:
// seeds that take the readers through long shared-string tables, many records and
// CONTINUE records in .xls and long streamed sheets in .xlsx, which the committed
// seeds of a few KiB never reach. Numbers include ones that need all 17 digits.
#include <cstdio>
#include <filesystem>
#include <string>

#include "formats/workbook.h"
#include "tolm/variant.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds FOLDER\n");
        return 2;
    }
    namespace wb = hub::workbook;
    using wb::Cell;
    constexpr int Rates = 4000;
    const char* currencies[] = {"USD", "EUR", "JPY", "HKD", "GBP", "TWD", "AUD", "CAD"};
    try {
        for (const char* name : {"large.xls", "large.xlsx"}) {
            const std::filesystem::path file = std::filesystem::path(argv[1]) / name;
            auto writer = wb::CreateWriter(file, *wb::FormatOfPath(file));
            writer->AddSheet("汇率类型", {12, 24, 10, 40});
            writer->AddRow(
                {Cell::OfText("代码"), Cell::OfText("名称"), Cell::OfText("汇率精度"), Cell::OfText("备注")});
            for (int type = 0; type < 40; ++type) {
                writer->AddRow({Cell::OfText("T" + std::to_string(type)),
                                Cell::OfText("汇率类型" + std::to_string(type)), Cell::OfNumber(type % 11),
                                Cell::OfText(type % 3 == 0 ? "" : "备注 " + std::to_string(type))});
            }
            writer->AddSheet("汇率", {14, 12, 14, 12, 12});
            writer->AddRow({Cell::OfText("汇率类型代码"), Cell::OfText("币别代码"), Cell::OfText("汇率"),
                            Cell::OfText("生效日期"), Cell::OfText("失效日期")});
            for (int rate = 0; rate < Rates; ++rate) {
                const auto begin = tolm::MakeDate(2000 + rate / 365, 1, 1) + std::chrono::days(rate % 365);
                writer->AddRow({Cell::OfText("T" + std::to_string(rate % 40)), Cell::OfText(currencies[rate % 8]),
                                Cell::OfNumber(1.0 / (rate + 3) + rate), Cell::OfDate(begin),
                                Cell::OfDate(begin + std::chrono::days(rate % 30))});
            }
            writer->Close();
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "fuzz_seeds: %s\n", error.what());
        return 1;
    }
    return 0;
}
