#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kw {

struct ChannelDetails;
struct StoredCheck;

// The enabled states of the commands that act on one channel.
struct ChannelCommandStates {
    bool playChannel = false;            // actPlayChannel
    bool testChannel = false;            // actTestChannel
    bool linkChannel = false;            // actLinkChannel
    bool deleteChannel = false;          // actDeleteChannel
    bool editChannel = false;            // actEditChannel
    bool addTimerSwitchChannel = false;  // actAddTimerSwitchChannel
    bool favoritesChannel = false;       // actFavoritesChannel
    bool lockChannel = false;            // actLockChannel
    bool setSpeedChannel = false;        // muSetSpeedChannel
    bool rate = false;                   // muRate
    bool rateChannel = false;            // cbRateChannel
};

// Everything the main window shows about the selected node. Items the last
// channel set (captions, target values, rating) stay as they were while a
// category is shown; its commands are disabled then.
struct NodeDetails {
    bool isChannel = false;
    ChannelCommandStates enabled;
    bool rateGreyed = true;  // cbRateChannel text grey (128,128,128), else the tree font's colour

    std::string favoritesCaption;        // actFavoritesChannel
    std::string favoritesHint;           // actFavoritesChannel and spFavoritesChannel
    std::string favoritesButtonCaption;  // spFavoritesChannel
    int favoriteTarget = 1;              // what the favourite command writes to ci_Favorited

    std::string lockCaption;  // actLockChannel
    std::string lockHint;
    int lockTarget = 1;    // what the lock command writes to ci_Locked
    std::string lockWord;  // "未锁", "已锁" or empty for another stored value

    int rateEntry = 2;        // cbRateChannel entry (rating - 1), -1 for none
    int checkedRateItem = 3;  // muRate1..muRate5 marked, 0 for none

    std::string memo;  // meDisplayMemo
    std::string info;  // lblInfo
};

// The state before any node was shown: captions for a channel that is no
// favourite and not locked, rating "一般".
NodeDetails initialNodeDetails();

// A category or class node: commands off, the location text in the memo.
NodeDetails categoryDetails(std::string_view nodeText, const NodeDetails& previous);

// The first step for a channel leaf, before its row is read: commands on.
NodeDetails channelCommandsEnabled(const NodeDetails& previous);

// A channel leaf with its row read (a missing row reads as empty text and 0).
NodeDetails channelDetails(const ChannelDetails& row, const NodeDetails& previous);

// The memo's line about the channel's last check, in local time, the year
// only when it is not the year of `now`:
// "上次检查：12月10日 14:02 [流畅] 128 kbit/s",
// "上次检查：12月10日 14:02 [未知] 连接被拒绝（连续 3 次）".
std::string lastCheckLine(const StoredCheck& check, std::int64_t now);

}  // namespace kw
