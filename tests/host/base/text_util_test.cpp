// The host's shared text helpers: what counts as blank, and which letters fold.
#include <gtest/gtest.h>

#include "base/text_util.h"

namespace hub {
namespace {

TEST(TextUtil, TrimRemovesEveryKindOfBlankAtBothEndsOnly) {
    EXPECT_EQ(Trim(" \t\r\n\f\vCUS - 2 \r\n"), "CUS - 2");
    EXPECT_EQ(Trimmed("\t\t"), "");
    EXPECT_TRUE(IsBlank(" \r\n\t"));
    EXPECT_FALSE(IsBlank(" x "));
    EXPECT_EQ(Trimmed("\xE3\x80\x80汇率\xE3\x80\x80"), "\xE3\x80\x80汇率\xE3\x80\x80")
        << "a full-width space is text, and its bytes are never split";
}

TEST(TextUtil, OnlyAsciiLettersFold) {
    // Folding bytes beyond ASCII (as tolower does under a single-byte locale) would
    // corrupt UTF-8 names and make two different names equal.
    EXPECT_EQ(AsciiLower("HubBase.SecurityInfo"), "hubbase.securityinfo");
    EXPECT_EQ(AsciiLower("ÄÖÜ 汇率"), "ÄÖÜ 汇率");
    EXPECT_TRUE(EqualsNoCase("UserID", "userid"));
    EXPECT_FALSE(EqualsNoCase("Ä", "ä")) << "letters beyond ASCII are compared as they are";
    EXPECT_FALSE(EqualsNoCase("user", "users"));
}

}  // namespace
}  // namespace hub
