#include "core/actions/AdClock.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kw {
namespace {

constexpr std::string_view kHome = "http://home.example/";

AdClock homeClock() {
    return AdClock([] { return std::string(kHome); });
}

// What a showing did, second by second, until it hid or `limit` passed.
struct Showing {
    std::vector<std::string> captions;
    std::vector<int> reloadsAt;
    int hiddenAt = 0;
};

Showing runFor(AdClock& timer, int limit = 100) {
    Showing run;
    for (int second = 1; second <= limit && timer.running(); ++second) {
        const AdTick tick = timer.tick();
        if (tick.caption) run.captions.push_back(*tick.caption);
        if (tick.reload) run.reloadsAt.push_back(second);
        if (tick.hide) run.hiddenAt = second;
    }
    return run;
}

struct ModeCase {
    AdMode mode;
    std::string_view caption;
    std::string page;
    int hiddenAt;
    std::vector<int> reloadsAt;
};

class AdWindowShowing : public testing::TestWithParam<ModeCase> {};

TEST_P(AdWindowShowing, ShowsItsPageCountsDownAndHidesAfterItsTime) {
    const ModeCase& c = GetParam();
    AdClock timer = homeClock();
    const AdShowing showing = timer.show(c.mode);
    EXPECT_EQ(showing.caption, c.caption);
    EXPECT_EQ(showing.page, c.page);
    const Showing run = runFor(timer);
    EXPECT_EQ(run.hiddenAt, c.hiddenAt);
    EXPECT_EQ(run.reloadsAt, c.reloadsAt);
    ASSERT_GE(run.captions.size(), 30u);
    EXPECT_EQ(run.captions.front(), std::string(c.caption) + " (30)");
    EXPECT_EQ(run.captions[29], std::string(c.caption) + " (1)");
    EXPECT_FALSE(timer.tick().caption) << "a hidden window's clock stands";
}

INSTANTIATE_TEST_SUITE_P(
    Modes, AdWindowShowing,
    testing::Values(
        ModeCase{AdMode::Advertisement, AdClock::kAdCaption, "http://home.example/ad.htm", 31, {3}},
        ModeCase{AdMode::News, AdClock::kNewsCaption, "http://home.example/news.htm", 30, {}}));

TEST(AdClock, CaptionReachesZeroAtTheAdvertisementsLastSecond) {
    AdClock timer = homeClock();
    timer.show(AdMode::Advertisement);
    const Showing run = runFor(timer);
    ASSERT_EQ(run.captions.size(), 31u);
    EXPECT_EQ(run.captions.back(), std::string(AdClock::kAdCaption) + " (0)");
}

TEST(AdClock, AdvertisementRefusesToHideDuringItsFirstThreeSeconds) {
    // seconds shown -> whether a close request hides it
    for (const auto& [seconds, hides] :
         std::vector<std::pair<int, bool>>{{0, false}, {2, false}, {3, true}, {20, true}}) {
        AdClock timer = homeClock();
        timer.show(AdMode::Advertisement);
        for (int i = 0; i < seconds; ++i) timer.tick();
        bool hideNow = true;
        EXPECT_FALSE(timer.closeRequested(true, hideNow)) << "the window object always survives";
        EXPECT_EQ(hideNow, hides) << seconds;
    }
}

TEST(AdClock, NewsHidesOnRequestAtOnceAndAHiddenWindowMayClose) {
    AdClock timer = homeClock();
    timer.show(AdMode::News);
    bool hideNow = false;
    EXPECT_FALSE(timer.closeRequested(true, hideNow));
    EXPECT_TRUE(hideNow);
    timer.hidden();
    EXPECT_TRUE(timer.closeRequested(false, hideNow));
    EXPECT_FALSE(hideNow);
}

TEST(AdClock, ShowingAgainStartsFromTheBeginning) {
    AdClock timer = homeClock();
    timer.show(AdMode::Advertisement);
    for (int i = 0; i < 20; ++i) timer.tick();
    // The advertisement again: its lock and its 31 seconds start afresh.
    timer.show(AdMode::Advertisement);
    bool hideNow = true;
    timer.closeRequested(true, hideNow);
    EXPECT_FALSE(hideNow);
    Showing run = runFor(timer);
    EXPECT_EQ(run.hiddenAt, 31);
    EXPECT_EQ(run.captions.front(), std::string(AdClock::kAdCaption) + " (30)");

    // The news over a locked advertisement: closable at once, 30 seconds.
    timer.show(AdMode::Advertisement);
    timer.tick();
    timer.show(AdMode::News);
    timer.closeRequested(true, hideNow);
    EXPECT_TRUE(hideNow);
    run = runFor(timer);
    EXPECT_EQ(run.hiddenAt, 30);
    EXPECT_EQ(run.captions.front(), std::string(AdClock::kNewsCaption) + " (30)");
}

TEST(AdClock, HidingStopsTheClockUntilTheNextShowing) {
    AdClock timer = homeClock();
    timer.show(AdMode::News);
    timer.tick();
    timer.hidden();
    const AdTick tick = timer.tick();
    EXPECT_FALSE(tick.caption);
    EXPECT_FALSE(tick.hide);
    timer.show(AdMode::News);
    EXPECT_EQ(runFor(timer).hiddenAt, 30);
}

}  // namespace
}  // namespace kw
