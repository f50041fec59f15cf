#pragma once

#include <cstddef>
#include <functional>

namespace kw {

// The main window's commands and the menu entries that are no shared
// command. Each carries the object name of the same spelling.
enum class MainCommand {
    actPlayChannel,
    actFavoritesChannel,
    actTestChannel,
    actLinkChannel,
    actLockChannel,
    actAddTimerSwitchChannel,
    actFindChannel,
    actFindChannelContinue,
    actDeleteChannel,
    actEditChannel,
    actUserAddChannel,
    actUserBatchAddChannel,
    actExportUserChannel,
    actRadioDirectory,
    actSetup,
    actSetTimerSwitchChannel,
    actHelp,
    actAuthorHomePage,
    actAuthorEmail,
    actSplash,
    actNews,
    actAD,
    actPackMDB,
    actAbout,
    actHideWindow,
    actExit,
    muCurNodeFullExpand,
    muCurNodeFullCollapse,
    muFullExpand,
    muFullCollapse,
    muIconSelectChannel,
};

inline constexpr std::size_t kMainCommandCount =
    static_cast<std::size_t>(MainCommand::muIconSelectChannel) + 1;

// Runs a command at the event boundary: a core error is shown in an error box.
using CommandRunner = std::function<void(const std::function<void()>&)>;

}  // namespace kw
