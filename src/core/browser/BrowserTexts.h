#pragma once

#include <array>
#include <string_view>

// The texts the channel browser shows, each in one place.
namespace kw::texts {

inline constexpr std::string_view kTreeRoot = "鹰波视听 (Kestrel Wave)";
inline constexpr std::string_view kFavouritesRoot = "A我的最爱";
// The category roots a tree built from the database always has, in this order.
inline constexpr std::array<std::string_view, 8> kCategoryRoots{
    "A我的最爱", "B电视台", "C广播电台", "D在线电影", "E最新专题", "Flash精品", "G远程教育", "H精选网址",
};

// The program's slogan: the information line's first text and the about page's line.
inline constexpr std::string_view kSlogan = "一点即播 · 天下好频道尽在掌握";

inline constexpr std::string_view kInfoCategory = "单击+号或双击文字展开以便选台";
inline constexpr std::string_view kInfoChannel = "双击频道名称播放选中频道";
inline constexpr std::string_view kLastCheckPrefix = "上次检查：";
inline constexpr std::string_view kLocationPrefix = "当前位于:  ";
inline constexpr std::string_view kChooseChannel = "[ 请选择具体的频道 ]";

inline constexpr std::string_view kFavoriteCaption = "收藏";
inline constexpr std::string_view kFavoriteHint = "收藏选中频道";
inline constexpr std::string_view kFavoriteButton = "收藏";
inline constexpr std::string_view kRestoreCaption = "还原 (取消收藏)";
inline constexpr std::string_view kRestoreHint = "取消收藏选中频道, 并还原到其相应分类位置";
inline constexpr std::string_view kRestoreButton = "还原";

inline constexpr std::string_view kLockCaption = "加锁";
inline constexpr std::string_view kLockHint = "选中频道加锁";
inline constexpr std::string_view kUnlockedWord = "未锁";
inline constexpr std::string_view kUnlockCaption = "解锁";
inline constexpr std::string_view kUnlockHint = "选中频道解锁";
inline constexpr std::string_view kLockedWord = "已锁";

inline constexpr std::string_view kFindCaption = "查找频道";
inline constexpr std::string_view kFindPrompt =
    "按频道名称从当前位置开始往下查找频道。\r\n\r\n请输入您要查找的频道名称(全部或部分关键词) [按 F3 "
    "可继续查找]";
inline constexpr std::string_view kNotFoundBefore = "未找到含有 \"";
inline constexpr std::string_view kNotFoundAfter = "\" 的频道。";

}  // namespace kw::texts
