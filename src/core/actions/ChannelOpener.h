#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kw {

class AdvertisementRoll;
class ChannelStore;
class ChildLock;
class SettingsFile;
class ShellOpener;
class UiPort;

enum class OpenMode { Play, RelatedSite };

// Playing a channel and opening its related site: the one routine behind the
// Play command, a double click, the speed-channel slots (through SlotPlayer)
// and the start-up auto-play.
class ChannelOpener {
public:
    static constexpr std::string_view kPlayingPrefix = "正在播放: ";
    static constexpr std::string_view kNothingPlayedHint = "正在播放: [空]";
    static constexpr std::string_view kNoRelatedSite = "当前选中频道没有提供相关网站。";

    ChannelOpener(ChannelStore& store, SettingsFile& settings, ChildLock& lock, ShellOpener& shell,
                  AdvertisementRoll& advertisement, UiPort& ui);

    // Looks the channel up by name. Play: asks for the password when the
    // channel is locked and the mode asks, unscrambles the address under the
    // stored name, opens it, records the last played channel and the hint.
    // Related site: opens the link as stored, without the child lock. Either
    // way ends with the advertisement roll, except after a refused password.
    // Returns true when the play ran to its end (whether or not anything
    // could be opened); false for a refused password and in related-site mode.
    // A channel whose address is empty is a failed play: the play-error
    // message, and nothing recorded.
    bool OpenChannel(std::string_view name, OpenMode mode);

    // A preview (kwave's --print) changes nothing: no last played channel
    // is recorded.
    void setPreview(bool preview) { preview_ = preview; }

    // The information line's hint: "正在播放: " and the channel last played.
    const std::string& playingHint() const { return playingHint_; }
    // How many plays were handed to the desktop: the background check rests after each.
    std::uint64_t plays() const { return plays_; }

    // The related-site command.
    void actLinkChannelExecute(std::string_view nodeText);
    // Start-up: plays the last played channel when the settings ask for it.
    void autoPlayLastChannel();

private:
    void recordPlayed(const std::string& name);

    ChannelStore& store_;
    SettingsFile& settings_;
    ChildLock& lock_;
    ShellOpener& shell_;
    AdvertisementRoll& advertisement_;
    UiPort& ui_;
    std::string playingHint_{kNothingPlayedHint};
    bool preview_ = false;
    std::uint64_t plays_ = 0;
};

}  // namespace kw
