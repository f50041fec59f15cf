#include "core/settings/ReadableColors.h"

#include <algorithm>
#include <cmath>

namespace kw {
namespace {

double linear(std::uint8_t channel) {
    const double value = channel / 255.0;
    return value <= 0.04045 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
}

std::uint8_t halfway(std::uint8_t from, std::uint8_t to) {
    return static_cast<std::uint8_t>((from + to + 1) / 2);
}

}  // namespace

double relativeLuminance(Rgb color) {
    return 0.2126 * linear(color.red) + 0.7152 * linear(color.green) + 0.0722 * linear(color.blue);
}

double contrastRatio(Rgb first, Rgb second) {
    const double a = relativeLuminance(first);
    const double b = relativeLuminance(second);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

Rgb readableTextOn(Rgb background, Rgb preferred) {
    if (contrastRatio(background, preferred) >= kReadableContrast) return preferred;
    constexpr Rgb black{0, 0, 0};
    constexpr Rgb white{0xFF, 0xFF, 0xFF};
    return contrastRatio(background, black) >= contrastRatio(background, white) ? black : white;
}

Rgb disabledTextOn(Rgb background, Rgb enabledText) {
    return {halfway(enabledText.red, background.red), halfway(enabledText.green, background.green),
            halfway(enabledText.blue, background.blue)};
}

}  // namespace kw
