#include "core/session/WindowPlacement.h"

#include <algorithm>

namespace kw {

ScreenPoint mainWindowStartPosition(ScreenSize screen, ScreenSize window) {
    return {screen.width - window.width - 10, (screen.height - window.height) / 2};
}

ScreenPoint trayClickPosition(ScreenPoint mouse, ScreenSize screen, ScreenSize window) {
    const int halfWidth = screen.width / 2;
    const int halfHeight = screen.height / 2;
    const bool right = mouse.x >= halfWidth;
    const bool lower = mouse.y >= halfHeight;
    // Every point falls in one of the four cases because the tests overlap
    // on the half lines.
    return {right ? mouse.x - window.width : mouse.x, lower ? mouse.y - window.height : mouse.y};
}

ScreenPoint keepInArea(ScreenPoint place, ScreenSize window, ScreenArea area) {
    // The far edge first, then the near one, so the near one wins when the
    // window does not fit.
    const auto keep = [](int at, int size, int start, int length) {
        return std::max(std::min(at, start + length - size), start);
    };
    return {keep(place.x, window.width, area.left, area.width),
            keep(place.y, window.height, area.top, area.height)};
}

}  // namespace kw
