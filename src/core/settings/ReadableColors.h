#pragma once

#include "core/settings/Skin.h"

namespace kw {

// The contrast that text needs against its background to be read by most
// people (WCAG 2 level AA for normal text).
inline constexpr double kReadableContrast = 4.5;

// Relative luminance of an sRGB colour, 0 (black) to 1 (white).
double relativeLuminance(Rgb color);

// (lighter + 0.05) / (darker + 0.05): 1 for equal colours, 21 for black on white.
double contrastRatio(Rgb first, Rgb second);

// The skin's text colour where it is readable on the background, else black
// or white, whichever stands out more.
Rgb readableTextOn(Rgb background, Rgb preferred);

// Text of a disabled control: halfway between the enabled text and the
// background, so that it reads as greyed out on light and dark skins alike.
Rgb disabledTextOn(Rgb background, Rgb enabledText);

// The one style of every hint: black on pale yellow with a grey border.
struct TooltipColors {
    Rgb text{0, 0, 0};
    Rgb background{0xFF, 0xFF, 0xE1};
    Rgb border{0x76, 0x76, 0x76};
};
inline constexpr TooltipColors kTooltipColors{};

}  // namespace kw
