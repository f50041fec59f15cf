#pragma once

#include "core/browser/BrowserTexts.h"

#include <string_view>

// Texts of the application shell, each in one place.
namespace kw::texts {

// The refusal of a second start.
inline constexpr std::string_view kSecondInstanceCaption = "提示";
inline constexpr std::string_view kSecondInstanceText =
    "您好，\" 鹰波视听 (Kestrel Wave) \" 已经运行了。\r\n\r\n"
    "看看任务栏右方的系统托盘内 [小喇叭图标旁] 有什么变化吧。\r\n\r\n"
    "  ---- 多了一个小图标！请单击它！";

// The per-user program directory could not be made at start; the path and
// the reason follow the text.
inline constexpr std::string_view kProgramDirCaption = "错误";
inline constexpr std::string_view kProgramDirFailed = "无法建立程序目录，鹰波视听不能启动。";

// The first start made the per-user program directory; its path follows.
inline constexpr std::string_view kProgramDirMade =
    "欢迎使用鹰波视听！这是第一次启动，已经为您建立了程序目录，您的频道和设置都保存在这里：";

// The notification-area icon's tip.
inline constexpr std::string_view kTrayTip = "鹰波视听 (Kestrel Wave)\r\r [单击主窗口] [右击菜单] [双击退出]";

// The window icon's tooltip before the mouse first moves over it.
inline constexpr std::string_view kDateTooltipInitial = "显示当前日期与时间";

// What `kestrelwave --help` prints; the program takes no other arguments.
inline constexpr std::string_view kCommandLineHelp =
    "用法：kestrelwave [--help | --version]\n"
    "鹰波视听 (Kestrel Wave)：网络电台、电视直播、影视与网站的频道目录，一点即播。\n"
    "不带参数启动桌面程序；它的一切设置都在程序的“设置”窗口中。\n"
    "  --help     显示本说明并退出\n"
    "  --version  显示版本号并退出\n"
    "命令行工具：kwave --help\n";
// What `kestrelwave --version` prints before the version number.
inline constexpr std::string_view kCommandLineVersion = "鹰波视听 (Kestrel Wave) ";

// The cancel of an import's progress window.
inline constexpr std::string_view kProgressCancel = "取消";

// An exit asked for while an import runs.
inline constexpr std::string_view kStopImportAndExit =
    "正在导入频道。要停止导入并退出鹰波视听吗？\r\n\r\n已经导入的频道会保留。";

}  // namespace kw::texts
