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
