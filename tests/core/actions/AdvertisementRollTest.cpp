#include "core/actions/AdvertisementRoll.h"

#include "core/base/ScrambleText.h"
#include "core/store/ChannelStore.h"
#include "support/FakeUi.h"

#include <gtest/gtest.h>

#include <deque>
#include <vector>

namespace kw {
namespace {

TEST(AdvertisementRoll, FrequencyIsAWholeNumberUnderTheRowNameElseThree) {
    for (const auto& [text, frequency] : std::vector<std::pair<std::string, int>>{{"0", 0},
                                                                                  {"12", 12},
                                                                                  {" 7 ", 7},
                                                                                  {"+4", 4},
                                                                                  {"abc", 3},
                                                                                  {"2.5", 3},
                                                                                  {"+-4", 3},
                                                                                  {"99999999999", 3}}) {
        EXPECT_EQ(AdvertisementRoll::parseFrequency(text), frequency) << text;
    }
    SettingsRow row;
    row.name = "设置";
    EXPECT_EQ(AdvertisementRoll::frequencyFrom(row), 3);
    row.scrambledSpeed = scrambleText("8", row.name);
    EXPECT_EQ(AdvertisementRoll::frequencyFrom(row), 8);
    row.scrambledSpeed = scrambleText("8", "another key");
    EXPECT_EQ(AdvertisementRoll::frequencyFrom(row), 3);
}

TEST(AdvertisementRoll, ShowsOnlyWhenAFreshDrawMatchesTheStartDraw) {
    test::FakeUi ui;
    std::deque<int> values{1, 2, 1, 0};
    std::vector<int> bounds;
    AdvertisementRoll roll(ui, [&](int bound) {
        bounds.push_back(bound);
        const int value = values.front();
        values.pop_front();
        return value;
    });
    EXPECT_FALSE(roll.roll()) << "no roll before the frequency is read at start-up";
    roll.start(3);
    EXPECT_FALSE(roll.roll());
    EXPECT_TRUE(roll.roll());
    EXPECT_FALSE(roll.roll());
    EXPECT_EQ(ui.advertisements, 1);
    EXPECT_EQ(bounds, (std::vector<int>{3, 3, 3, 3}));

    roll.start(0);
    EXPECT_FALSE(roll.roll());
    EXPECT_EQ(bounds.size(), 4u) << "frequency 0 draws nothing";
}

TEST(AdvertisementRoll, FrequencyOneShowsEveryTime) {
    test::FakeUi ui;
    AdvertisementRoll roll(ui, clockSeededRandomSource());
    roll.start(1);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(roll.roll());
    EXPECT_EQ(ui.advertisements, 3);
}

}  // namespace
}  // namespace kw
