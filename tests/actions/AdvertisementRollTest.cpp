#include "actions/AdvertisementRoll.h"

#include "store/ChannelStore.h"
#include "store/ScrambleText.h"
#include "support/FakeUi.h"

#include <gtest/gtest.h>

#include <deque>
#include <vector>

namespace kw {
namespace {

// Answers draws from a script and records the bounds asked for.
struct ScriptedRandom {
    std::deque<int> values;
    std::vector<int> bounds;
    AdvertisementRoll::RandomSource source() {
        return [this](int bound) {
            bounds.push_back(bound);
            EXPECT_FALSE(values.empty()) << "unexpected draw";
            if (values.empty()) return 0;
            const int value = values.front();
            values.pop_front();
            return value;
        };
    }
};

struct ParseCase {
    std::string text;
    int frequency;
    friend void PrintTo(const ParseCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }
};

class FrequencyParse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(FrequencyParse, WholeNumbersOnlyElseThree) {
    EXPECT_EQ(AdvertisementRoll::parseFrequency(GetParam().text), GetParam().frequency);
}

INSTANTIATE_TEST_SUITE_P(Texts, FrequencyParse,
                         ::testing::Values(ParseCase{"", 3}, ParseCase{"abc", 3}, ParseCase{"0", 0},
                                           ParseCase{"1", 1}, ParseCase{"12", 12}, ParseCase{" 7 ", 7},
                                           ParseCase{"+4", 4}, ParseCase{"+-4", 3}, ParseCase{"2.5", 3},
                                           ParseCase{"5x", 3}, ParseCase{"99999999999", 3}));

TEST(AdvertisementRoll, FrequencyComesFromSpeedUnscrambledUnderTheRowName) {
    SettingsRow row;
    row.name = "设置";
    EXPECT_EQ(AdvertisementRoll::frequencyFrom(row), 3);
    row.scrambledSpeed = scrambleText("0", row.name);
    EXPECT_EQ(AdvertisementRoll::frequencyFrom(row), 0);
    row.scrambledSpeed = scrambleText("8", row.name);
    EXPECT_EQ(AdvertisementRoll::frequencyFrom(row), 8);
    row.scrambledSpeed = scrambleText("8", "another key");
    EXPECT_EQ(AdvertisementRoll::frequencyFrom(row), 3);
}

TEST(AdvertisementRoll, ShowsOnlyWhenAFreshDrawMatchesTheStartDraw) {
    test::FakeUi ui;
    ScriptedRandom random{{1, 2, 1, 0}, {}};
    AdvertisementRoll roll(ui, random.source());
    roll.start(3);
    EXPECT_EQ(roll.draw(), 1);
    EXPECT_FALSE(roll.roll());
    EXPECT_TRUE(roll.roll());
    EXPECT_FALSE(roll.roll());
    EXPECT_EQ(ui.advertisements, 1);
    EXPECT_EQ(random.bounds, (std::vector<int>{3, 3, 3, 3}));
}

TEST(AdvertisementRoll, FrequencyOneShowsEveryTime) {
    test::FakeUi ui;
    AdvertisementRoll roll(ui);
    roll.start(1);
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(roll.roll());
    EXPECT_EQ(ui.advertisements, 5);
}

TEST(AdvertisementRoll, NeverShowsBeforeStartOrWithFrequencyZeroOrBelow) {
    test::FakeUi ui;
    ScriptedRandom random;
    AdvertisementRoll roll(ui, random.source());
    EXPECT_FALSE(roll.roll());  // start-up auto-play comes before the frequency is read
    for (int frequency : {0, -2}) {
        roll.start(frequency);
        EXPECT_FALSE(roll.draw());
        EXPECT_FALSE(roll.roll());
    }
    EXPECT_TRUE(random.bounds.empty());
    EXPECT_EQ(ui.advertisements, 0);
}

}  // namespace
}  // namespace kw
