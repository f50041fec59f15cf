#include "core/settings/ReadableColors.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {

using kw::Rgb;

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kWhite{255, 255, 255};

TEST(ContrastRatio, SpansOneToTwentyOneWhicheverColourComesFirst) {
    EXPECT_DOUBLE_EQ(kw::contrastRatio(kWhite, kWhite), 1.0);
    EXPECT_NEAR(kw::contrastRatio(kBlack, kWhite), 21.0, 1e-9);
    EXPECT_NEAR(kw::contrastRatio(kWhite, kBlack), 21.0, 1e-9);
    // Mid grey #767676 is the lightest grey that still reads on white.
    EXPECT_NEAR(kw::contrastRatio({0x76, 0x76, 0x76}, kWhite), 4.54, 0.01);
    EXPECT_LT(kw::contrastRatio({0x77, 0x77, 0x77}, kWhite), 4.5);
}

struct TextCase {
    const char* what;
    Rgb background;
    Rgb preferred;
    Rgb expected;
    friend void PrintTo(const TextCase& c, std::ostream* out) { *out << c.what; }
};

class ReadableTextOn : public ::testing::TestWithParam<TextCase> {};

TEST_P(ReadableTextOn, KeepsTheSkinColourOnlyWhereItReads) {
    const TextCase& c = GetParam();
    const Rgb text = kw::readableTextOn(c.background, c.preferred);
    EXPECT_EQ(text, c.expected);
    EXPECT_GE(kw::contrastRatio(text, c.background), 4.5);
}

INSTANTIATE_TEST_SUITE_P(
    Skins, ReadableTextOn,
    ::testing::Values(TextCase{"white title on the dark band", {40, 40, 70}, kWhite, kWhite},
                      TextCase{"white title without picture", {240, 240, 240}, kWhite, kBlack},
                      TextCase{"navy buttons on a light skin", {230, 230, 210}, {0, 0, 128}, {0, 0, 128}},
                      TextCase{"navy buttons on a dark skin", {30, 30, 30}, {0, 0, 128}, kWhite},
                      TextCase{"green on light green", {0, 200, 0}, {0, 160, 0}, kBlack}));

TEST(DisabledTextOn, DiffersFromEnabledTextOnLightAndDarkSkins) {
    for (const Rgb background : {kWhite, Rgb{30, 30, 30}}) {
        const Rgb enabled = kw::readableTextOn(background, kWhite);
        const Rgb disabled = kw::disabledTextOn(background, enabled);
        EXPECT_GT(kw::contrastRatio(enabled, disabled), 2.0);
        EXPECT_GT(kw::contrastRatio(background, disabled), 2.0);
    }
}

TEST(TooltipColors, AreReadable) {
    EXPECT_GE(kw::contrastRatio(kw::kTooltipColors.text, kw::kTooltipColors.background), 4.5);
}

}  // namespace
