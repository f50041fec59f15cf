#include "core/base/AsciiText.h"
#include "core/base/TextCodec.h"

#include <gtest/gtest.h>

using namespace kw::text;

TEST(TextCodec, ConvertsChineseToGbkBytesAndBack) {
    EXPECT_EQ(toGbk("中文"), "\xD6\xD0\xCE\xC4");
    EXPECT_EQ(fromGbk("\xD6\xD0\xCE\xC4"), "中文");
    EXPECT_EQ(toGbk("A我的最爱"), std::string("A\xCE\xD2\xB5\xC4\xD7\xEE\xB0\xAE"));
}

TEST(TextCodec, KeepsCharactersGbkLacksThroughGb18030) {
    const std::string text = "€ 😀 ẞ";
    EXPECT_EQ(fromGbk(toGbk(text)), text);
}

TEST(TextCodec, InvalidBytesBecomeReplacementCharactersAndKeepTheRest) {
    // 0x80 and 0xFF are no lead bytes; a lone lead byte at the end has no trail.
    EXPECT_EQ(fromGbk("a\xFF"
                      "b\x80"
                      "c"),
              "a\xEF\xBF\xBD"
              "b\xEF\xBF\xBD"
              "c");
    const std::string decoded = fromGbk(
        "\xD6\xD0"
        "tail\xD6");
    EXPECT_EQ(decoded.substr(0, 7), "中tail");
    EXPECT_NE(decoded.find("\xEF\xBF\xBD"), std::string::npos);
}

TEST(TextCodec, MalformedUtf8BecomesReplacementCharacter) {
    EXPECT_EQ(sanitizeUtf8("a\xC3"), "a\xEF\xBF\xBD");
    EXPECT_EQ(fromGbk(toGbk("x\xFFy")), "x\xEF\xBF\xBDy");
}

TEST(TextCodec, TrimsEveryByteUpToSpaceAtBothEndsOnly) {
    EXPECT_EQ(trimBlanks(" \t\r\n\x01频道 名\x1F "), "频道 名");
    EXPECT_EQ(trimBlanks("   "), "");
    EXPECT_EQ(trimBlanks(""), "");
}

TEST(TextCodec, UpperCasesOnlyAsciiLetters) { EXPECT_EQ(kw::ascii::upper("cctv-1 综合 ä"), "CCTV-1 综合 ä"); }

TEST(TextCodec, CutsByCharactersWithoutSplittingOne) {
    EXPECT_EQ(cutToChars("中文abc", 3), "中文a");
    EXPECT_EQ(cutToChars("ab", 5), "ab");
    EXPECT_EQ(charCount("中文abc"), 5u);
}

TEST(TextCodec, CutsToGbkByteBudgetAtCharacterBoundary) {
    // 中 and 文 take two GBK bytes each: three bytes hold only one of them.
    EXPECT_EQ(cutToGbkBytes("中文", 3), "中");
    EXPECT_EQ(cutToGbkBytes("中文", 4), "中文");
    EXPECT_EQ(cutToGbkBytes("ab中", 2), "ab");
}

TEST(TextCodec, StripsByteOrderMark) {
    EXPECT_EQ(stripUtf8Bom("\xEF\xBB\xBF[a]"), "[a]");
    EXPECT_EQ(stripUtf8Bom("[a]"), "[a]");
}
