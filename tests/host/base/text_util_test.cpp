// The columns a terminal gives text that mixes Latin and East Asian characters.
#include <gtest/gtest.h>

#include "base/text_util.h"

namespace {

using hub::DisplayWidth;

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

}  // namespace
