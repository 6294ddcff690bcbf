// Lining up what tolm prints when cells and labels mix Latin and East Asian text.
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "cli/record_output.h"

namespace {

using hub::cli::PadToWidth;
using hub::cli::PrintFields;
using hub::cli::PrintTable;

TEST(PadToWidth, FillsUpToTheColumnsNotTheBytes) {
    EXPECT_EQ(PadToWidth("币别", 6), "币别  ");
    EXPECT_EQ(PadToWidth("USD", 6), "USD   ");
    EXPECT_EQ(PadToWidth("反向汇率", 6), "反向汇率") << "never cut";
}

TEST(PrintTable, LinesUpChineseHeadingsWithLatinCellsAndLeavesNoTrailingBlanks) {
    std::ostringstream out;
    PrintTable(out, {{"内码", "币别", "汇率", "审核人"},
                     {"1014", "EUR", "7.9127", "auditor"},
                     {"7", "USD", "7.1", ""},
                     {"8", "日元", "0.0486", "张三"}});
    EXPECT_EQ(out.str(),
              "内码  币别  汇率    审核人\n"
              "1014  EUR   7.9127  auditor\n"
              "7     USD   7.1\n"
              "8     日元  0.0486  张三\n");
}

TEST(PrintTable, GivesShortRowsTheColumnsTheyHave) {
    std::ostringstream out;
    PrintTable(out, {{"ID", "Code"}, {"1"}, {"2", "x", "extra"}});
    EXPECT_EQ(out.str(), "ID  Code\n1\n2   x     extra\n");
}

TEST(PrintFields, LinesUpTheValuesAfterTheWidestLabel) {
    std::ostringstream chinese;
    PrintFields(chinese, "  ", {{"币别：", "USD 美元"}, {"生效日期：", "2024-03-01"}, {"审核状态：", ""}});
    EXPECT_EQ(chinese.str(),
              "  币别：      USD 美元\n"
              "  生效日期：  2024-03-01\n"
              "  审核状态：\n");

    std::ostringstream english;
    PrintFields(english, "", {{"Rate:", "6.8"}, {"Currency:", "USD"}});
    EXPECT_EQ(english.str(), "Rate:      6.8\nCurrency:  USD\n");
}

}  // namespace
