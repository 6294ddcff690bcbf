// Text helpers: malformed UTF-8, counting and cutting characters, ASCII-only case.
#include "tolm/text.h"

#include <gtest/gtest.h>

#include <string>

namespace tolm::text {
namespace {

struct Utf8Case {
    const char* what;
    std::string input;
    std::string valid;
    size_t characters;
};

TEST(Text, EachMalformedByteIsOneReplacementCharacterEverywhere) {
    const Utf8Case cases[] = {
        {"well-formed", "a汇😀", "a汇😀", 3},
        {"stray continuation", "😀\x80x", "😀\uFFFDx", 3},
        {"cut short at the end", "a\xE6\xB1", "a\uFFFD\uFFFD", 3},
        {"cut short before ASCII", "\xE6z", "\uFFFDz", 2},
        {"overlong", "\xC0\xAF", "\uFFFD\uFFFD", 2},
        {"surrogate", "\xED\xA0\x80", "\uFFFD\uFFFD\uFFFD", 3},
        {"above U+10FFFF", "\xF4\x90\x80\x80", "\uFFFD\uFFFD\uFFFD\uFFFD", 4},
        {"invalid lead", "\xFF", "\uFFFD", 1},
    };
    for (const Utf8Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ToValidUtf8(c.input), c.valid);
        EXPECT_EQ(IsValidUtf8(c.input), c.input == c.valid);
        EXPECT_EQ(CharacterCount(c.input), c.characters);
        EXPECT_EQ(CodePoints(c.input), CodePoints(c.valid));
        EXPECT_EQ(CodePoints(c.input).size(), c.characters);
        EXPECT_EQ(ByteOffset(c.input, c.characters), c.input.size());
    }
}

TEST(Text, CodePointsAndOffsetsCountCharactersNotBytes) {
    const std::string text = "a汇😀b";
    EXPECT_EQ(CodePoints(text), (std::u32string{U'a', U'汇', U'😀', U'b'}));
    EXPECT_EQ(ByteOffset(text, 1), 1u);
    EXPECT_EQ(ByteOffset(text, 2), 4u);
    EXPECT_EQ(ByteOffset(text, 3), 8u);
    EXPECT_EQ(ByteOffset(text, 9), text.size());
    EXPECT_EQ(ByteOffset("\xFF" "b", 1), 1u);
    EXPECT_EQ(EncodeUtf8(U'😀'), "😀");
    EXPECT_EQ(EncodeUtf8(0xD800), "\uFFFD");
}

TEST(Text, OnlyAsciiLettersFoldAndBlanksAreTheSixSpaceCharacters) {
    EXPECT_TRUE(EqualsNoCase("ProgID", "progid"));
    EXPECT_FALSE(EqualsNoCase("Ä", "ä"));
    EXPECT_FALSE(EqualsNoCase("user", "users"));
    EXPECT_EQ(AsciiLower("ÄBC-Ž1"), "Äbc-Ž1");
    EXPECT_EQ(AsciiUpper("äbc-ž1"), "äBC-ž1");

    EXPECT_EQ(Trim(" \t\f\va b\r\n"), "a b");
    EXPECT_EQ(Trim("\xC2\xA0x"), "\xC2\xA0x") << "a no-break space is text";
    EXPECT_TRUE(IsBlank(""));
    EXPECT_TRUE(IsBlank("\v\f"));
    EXPECT_FALSE(IsBlank(" x "));
}

}  // namespace
}  // namespace tolm::text
