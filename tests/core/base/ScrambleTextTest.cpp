#include "core/base/ScrambleText.h"
#include "core/base/TextCodec.h"

#include <gtest/gtest.h>

using kw::ScrambleDirection;
using kw::ScrambleText;

TEST(ScrambleText, EmptyTextStaysEmptyInBothDirections) {
    EXPECT_EQ(ScrambleText("", "key", ScrambleDirection::Scramble), "");
    EXPECT_EQ(ScrambleText("", "key", ScrambleDirection::Unscramble), "");
}

TEST(ScrambleText, XorsWithKeyLeavesEqualBytesAndReversesOrder) {
    // 'A' equals its key byte and stays; 'B' ^ 'A' = 0x03; then reversed.
    EXPECT_EQ(ScrambleText("AB", "A", ScrambleDirection::Scramble), std::string("\x03"
                                                                                "A"));
    EXPECT_EQ(ScrambleText(std::string("\x03"
                                       "A"),
                           "A", ScrambleDirection::Unscramble),
              "AB");
}

TEST(ScrambleText, LowersKeyBytesAbove127By127) {
    // 0xC8 (200) acts as 73 ('I').
    EXPECT_EQ(ScrambleText("IJ", "\xC8", ScrambleDirection::Scramble), std::string("\x03"
                                                                                   "I"));
}

TEST(ScrambleText, CyclesTheKeyFromItsFirstByte) {
    const std::string scrambled = ScrambleText("aaaa", "ab", ScrambleDirection::Scramble);
    // a^a stays a, a^b = 0x03, repeated; reversed: 03 a 03 a.
    EXPECT_EQ(scrambled, std::string("\x03"
                                     "a\x03"
                                     "a"));
}

TEST(ScrambleText, EmptyKeyMeansDefaultKey) {
    EXPECT_EQ(ScrambleText("http://x", "", ScrambleDirection::Scramble),
              ScrambleText("http://x", kw::kDefaultScrambleKey, ScrambleDirection::Scramble));
}

TEST(ScrambleText, RoundTripsAndNeverProducesZeroOrChangesLength) {
    const std::string address = kw::text::toGbk("mms://电台.example/直播?id=1");
    for (std::string_view key : {"CCTV-1综合", "a", "", "\xFF\x80\x7F"}) {
        const std::string gbkKey = kw::text::toGbk(key);
        const std::string scrambled = ScrambleText(address, gbkKey, ScrambleDirection::Scramble);
        EXPECT_EQ(scrambled.size(), address.size());
        EXPECT_EQ(scrambled.find('\0'), std::string::npos);
        EXPECT_EQ(ScrambleText(scrambled, gbkKey, ScrambleDirection::Unscramble), address);
    }
}

TEST(ScrambleText, AnotherKeyOrLetterCaseGivesOtherText) {
    const std::string stored = kw::scrambleText("http://radio.example/live", "Radio One");
    EXPECT_EQ(kw::unscrambleText(stored, "Radio One"), "http://radio.example/live");
    EXPECT_NE(kw::unscrambleText(stored, "radio one"), "http://radio.example/live");
}

TEST(ScrambleText, ChineseKeyWorksOnGbkBytesAndSwapsCharacterBytes) {
    // 中 is D6 D0 in GBK; XOR with 1 gives D7 D1, and the reversal swaps them.
    EXPECT_EQ(ScrambleText("\xD6\xD0", "\x01", ScrambleDirection::Scramble), "\xD1\xD7");
    EXPECT_EQ(kw::unscrambleText(kw::scrambleText("中文地址", "频道"), "频道"), "中文地址");
}
