#pragma once

#include <array>
#include <string_view>

// The entries of the main window's three lists. The stored list positions,
// the rating commands and kwave's checks all count from these arrays, so
// their ranges cannot drift apart.
namespace kw {

// cbRateChannel and the rating submenu: item 0 is rating 1 ("最爱").
inline constexpr std::array<std::string_view, 5> kRatingNames{"最爱", "喜爱", "一般", "讨厌", "厌恶"};

// cbFilterChannel: entry 0 shows every channel, entry N those of rating N.
inline constexpr std::array<std::string_view, 6> kFilterChannelEntries{
    "显示全部频道", "只显最爱频道", "只显喜爱频道", "只显一般频道", "只显讨厌频道", "只显厌恶频道",
};

// cbClassDisplayChannel: the display modes 0 to 6.
inline constexpr std::array<std::string_view, 7> kClassDisplayChannelEntries{
    "内容优先分类", "区域优先分类", "仅按内容分类", "仅按区域分类",
    "仅按语言分类", "仅按总分类",   "总分类期号",
};

inline constexpr int kRatingItemCount = static_cast<int>(kRatingNames.size());
inline constexpr int kFilterChannelCount = static_cast<int>(kFilterChannelEntries.size());
inline constexpr int kClassDisplayChannelCount = static_cast<int>(kClassDisplayChannelEntries.size());

constexpr bool isValidRatingFilter(int filter) { return filter >= 0 && filter < kFilterChannelCount; }
constexpr bool isValidDisplayMode(int mode) { return mode >= 0 && mode < kClassDisplayChannelCount; }

}  // namespace kw
