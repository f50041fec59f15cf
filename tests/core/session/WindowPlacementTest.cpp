#include "core/session/WindowPlacement.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {

using kw::ScreenPoint;
using kw::ScreenSize;

constexpr ScreenSize kScreen{1280, 800};
constexpr ScreenSize kWindow{254, 514};

TEST(MainWindowStartPosition, CentredVerticallyTenPixelsFromTheRightEdge) {
    EXPECT_EQ(kw::mainWindowStartPosition(kScreen, kWindow), (ScreenPoint{1016, 143}));
    // Odd difference rounds down; a screen lower than the window rounds toward zero.
    EXPECT_EQ(kw::mainWindowStartPosition({1024, 769}, kWindow), (ScreenPoint{760, 127}));
    EXPECT_EQ(kw::mainWindowStartPosition({800, 511}, kWindow), (ScreenPoint{536, -1}));
}

struct TrayCase {
    ScreenPoint mouse;
    ScreenPoint expected;
    friend void PrintTo(const TrayCase& c, std::ostream* out) {
        *out << "mouse (" << c.mouse.x << ", " << c.mouse.y << ")";
    }
};

class TrayClickPosition : public ::testing::TestWithParam<TrayCase> {};

TEST_P(TrayClickPosition, PutsOneCornerAtTheMouseTowardTheMiddle) {
    EXPECT_EQ(kw::trayClickPosition(GetParam().mouse, kScreen, kWindow), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Quadrants, TrayClickPosition,
    ::testing::Values(TrayCase{{1270, 790}, {1016, 276}},  // lower right: lower right corner at mouse
                      TrayCase{{1270, 10}, {1016, 10}},    // upper right: upper right corner
                      TrayCase{{10, 790}, {10, 276}},      // lower left: lower left corner
                      TrayCase{{10, 10}, {10, 10}},        // upper left: upper left corner
                      TrayCase{{640, 400}, {386, -114}},   // on both half lines: lower right
                      TrayCase{{639, 399}, {639, 399}}));  // just inside the upper left

}  // namespace

struct AreaCase {
    const char* what;
    ScreenPoint place;
    ScreenSize window;
    ScreenPoint expected;
    friend void PrintTo(const AreaCase& c, std::ostream* out) { *out << c.what; }
};

class KeepInArea : public ::testing::TestWithParam<AreaCase> {};

// An available area that starts below a 30-pixel top panel and to the right
// of a 40-pixel dock: 1240 × 740 at (40, 30).
TEST_P(KeepInArea, KeepsTheWindowReachable) {
    EXPECT_EQ(kw::keepInArea(GetParam().place, GetParam().window, {40, 30, 1240, 740}), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Edges, KeepInArea,
    ::testing::Values(AreaCase{"inside stays", {500, 100}, kWindow, {500, 100}},
                      AreaCase{"above the top panel", {500, 0}, kWindow, {500, 30}},
                      AreaCase{"under the dock", {0, 100}, kWindow, {40, 100}},
                      AreaCase{"past the right edge", {1200, 100}, kWindow, {1026, 100}},
                      AreaCase{"past the bottom", {500, 700}, kWindow, {500, 256}},
                      // Twice the size at scale 2: taller than the area, the title stays visible.
                      AreaCase{"taller than the area", {500, -114}, {508, 1028}, {500, 30}},
                      AreaCase{"wider and taller", {-50, 900}, {1300, 1028}, {40, 30}}));
