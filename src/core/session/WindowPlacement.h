#pragma once

namespace kw {

struct ScreenPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const ScreenPoint&, const ScreenPoint&) = default;
};

struct ScreenSize {
    int width = 0;
    int height = 0;
};

// The part of a screen windows may use (without panels and docks), in
// screen coordinates.
struct ScreenArea {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// Where the main window starts: vertically centred (rounded toward zero),
// 10 pixels from the right edge of the screen.
ScreenPoint mainWindowStartPosition(ScreenSize screen, ScreenSize window);

// Where a left click on the notification-area icon at `mouse` puts the main
// window: one corner at the mouse, the window reaching toward the middle of
// the screen. Cases are tested in the order lower right, upper right, lower
// left, upper left, so a point exactly on a half line counts as the lower or
// right half.
ScreenPoint trayClickPosition(ScreenPoint mouse, ScreenSize screen, ScreenSize window);

// Moves a window placed at `place` into `area` so that it can always be
// reached. A window larger than the area keeps its top left corner inside:
// the title, its only drag handle, stays on screen.
ScreenPoint keepInArea(ScreenPoint place, ScreenSize window, ScreenArea area);

}  // namespace kw
