#pragma once

#include "core/settings/ListEntries.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace kw {

inline constexpr std::string_view kSettingsFileName = "Kestrelwave.ini";
// The speed-channel sets' folder in the program directory and the set an
// installation ships.
inline constexpr std::string_view kSpeedSetFolder = "SCS";
inline constexpr std::string_view kDefaultSpeedSet = "Default.scs";
// The home page used when the settings file names none.
inline constexpr std::string_view kDefaultHomePage = "http://www.kestrelwave.example/";
inline constexpr std::string_view kDefaultSkinName = "浪漫情怀";
inline constexpr std::string_view kDefaultSoundRecorder = "sndrec32.exe";

// How the background check of the channels goes, from [BackgroundCheck]; a
// missing value or one outside its range (only a hand edit puts it there)
// reads as the default.
struct BackgroundCheckPace {
    bool enabled = true;             // Enabled
    int atOnce = 4;                  // AtOnce, 1..16 channels probed together
    int perMinute = 30;              // PerMinute, 1..600 channels a minute at most
    int recheckDays = 7;             // RecheckDays, 1..365 days before a channel is checked again
    int retryMinutes = 60;           // RetryMinutes, 1..10080 before a first failure is checked again
    int pauseAfterPlayMinutes = 30;  // PauseAfterPlayMinutes, 0..1440 of rest after a play
};

// Typed access to Kestrelwave.ini in the program directory. Nothing is kept in
// memory: every getter reads the file and every setter writes it at once, so
// windows and kwave always see what the other wrote. Setters throw kw::Error
// "Unable to write to <path>" when the file cannot be written.
class SettingsFile {
public:
    explicit SettingsFile(std::filesystem::path programDir);

    const std::filesystem::path& programDir() const { return programDir_; }
    std::filesystem::path path() const { return programDir_ / kSettingsFileName; }

    // [SetupOptions]
    bool isHideOnDeactive() const;  // false when missing
    void setHideOnDeactive(bool value);
    bool isAutoPlayLastChannel() const;  // false when missing
    void setAutoPlayLastChannel(bool value);
    std::string sndrec() const;  // kDefaultSoundRecorder when missing
    void setSndrec(std::string_view program);
    // The stored home page as the about page shows it: empty when missing.
    std::string authorHomePage() const;
    void setAuthorHomePage(std::string_view address);
    // The home page the program opens: the stored one, or kDefaultHomePage when
    // it is missing or empty, always ending in "/" (the file is not changed).
    std::string homePageUrl() const;
    std::string authorEmail() const;  // empty when missing
    void setAuthorEmail(std::string_view address);
    std::string verDat() const;  // empty when missing
    // Seconds the channel test waits for an answer: ChannelTestTimeout, 5 when
    // missing, and kept within 1 to 60 so a hand edit cannot hang a test.
    int channelTestTimeout() const;
    void setVerDat(std::string_view label);

    // [BackgroundCheck]
    BackgroundCheckPace backgroundCheckPace() const;
    void setBackgroundCheckEnabled(bool enabled);

    // [Subscriptions] RefreshAfterDays: the start refreshes subscriptions
    // not refreshed for this many days; 0 (also when missing or out of 0 to 365) never.
    static constexpr int kMaxSubscriptionRefreshDays = 365;
    int subscriptionRefreshDays() const;
    void setSubscriptionRefreshDays(int days);

    // [Directory] Server: the radio directory's server to ask instead of
    // looking its mirrors up ("http://127.0.0.1:8080"); empty when missing.
    std::string directoryServer() const;
    // [Directory] ReportClicks: whether playing a directory station tells the
    // directory, which counts the play; true when missing.
    bool reportsDirectoryClicks() const;
    void setReportDirectoryClicks(bool report);

    // [LastStatus]
    // The speed-channel set to load: the stored path, or SCS/Default.scs in the
    // program directory when the value is missing or empty. A relative stored
    // path is taken relative to the program directory.
    std::filesystem::path scs() const;
    void setScs(const std::filesystem::path& setFile);
    // The rating filter 0..5 and the display mode 0..6; 0 when missing, not a
    // number or outside the list (only a hand edit can put it there).
    int filterChannelIndex() const;
    void setFilterChannelIndex(int index);
    int classDisplayChannelIndex() const;
    void setClassDisplayChannelIndex(int index);
    bool hidesDeadChannels() const;  // false when missing
    void setHideDeadChannels(bool hide);
    std::string lastPlayChannelName() const;  // empty when missing
    void setLastPlayChannelName(std::string_view name);
    // kDefaultSkinName only when the key is missing; a present empty value stays empty.
    std::string lastSkinName() const;
    void setLastSkinName(std::string_view name);

private:
    std::filesystem::path programDir_;
};

}  // namespace kw
