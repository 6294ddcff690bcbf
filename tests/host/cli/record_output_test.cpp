// Lining up what tolm prints when cells and labels mix Latin and East Asian text.
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "cli/record_output.h"

namespace {

using hub::cli::DisplayWidth;
using hub::cli::PadToWidth;
using hub::cli::PrintFields;
using hub::cli::PrintTable;

TEST(DisplayWidth, CountsTheColumnsATerminalGivesEachCharacter) {
    EXPECT_EQ(DisplayWidth(""), 0u);
    EXPECT_EQ(DisplayWidth("USD 7.1"), 7u);
    EXPECT_EQ(DisplayWidth("汇率"), 4u) << "Han characters are two columns wide";
    EXPECT_EQ(DisplayWidth("匯率：（）"), 10u) << "so is full-width punctuation";
    EXPECT_EQ(DisplayWidth("カナ한글"), 8u) << "kana and Hangul too";
    EXPECT_EQ(DisplayWidth("€—é"), 3u) << "multi-byte is not wide: the euro sign, a dash and é take one column";
    EXPECT_EQ(DisplayWidth("e\u0301"), 1u) << "a combining accent takes none";
    EXPECT_EQ(DisplayWidth("😀"), 2u);
}

TEST(DisplayWidth, CountsEachByteOfTextThatIsNotUtf8AsOneColumn) {
    EXPECT_EQ(DisplayWidth("\xFF"), 1u);
    EXPECT_EQ(DisplayWidth("\xE6\xB1"), 2u) << "a cut-off character";
    EXPECT_EQ(DisplayWidth("a\xC0\xAF"), 3u) << "an overlong slash";
    EXPECT_EQ(DisplayWidth("\xE6\xB1\xC7\x87"), 3u) << "a broken sequence does not swallow the character after it";
}

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
