#pragma once

#include <ctime>
#include <string>

namespace kw {

// The window icon's tooltip for a local time: "现在是: 2003年08月15日", an
// empty line (CR LF twice), then ten blanks and "09时05分03秒".
std::string dateTooltipText(const std::tm& localTime);

// The same for the current local time.
std::string dateTooltipTextNow();

}  // namespace kw
