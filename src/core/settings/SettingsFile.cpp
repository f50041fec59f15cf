#include "core/settings/SettingsFile.h"

#include "core/base/ProfileFile.h"

#include <algorithm>

namespace kw {
namespace {

constexpr std::string_view kSetupOptions = "SetupOptions";
constexpr std::string_view kLastStatus = "LastStatus";
constexpr std::string_view kDirectory = "Directory";

int listIndex(const ProfileFile& file, std::string_view key, bool (*isValid)(int)) {
    const int index = file.readInteger(kLastStatus, key, 0);
    return isValid(index) ? index : 0;
}

}  // namespace

SettingsFile::SettingsFile(std::filesystem::path programDir) : programDir_(std::move(programDir)) {}

int SettingsFile::channelTestTimeout() const {
    const int seconds = ProfileFile(path()).readInteger(kSetupOptions, "ChannelTestTimeout", 5);
    return seconds < 1 ? 5 : std::min(seconds, 60);
}

bool SettingsFile::isHideOnDeactive() const {
    return ProfileFile(path()).readBool(kSetupOptions, "IsHideOnDeactive", false);
}

void SettingsFile::setHideOnDeactive(bool value) {
    ProfileFile(path()).writeBool(kSetupOptions, "IsHideOnDeactive", value);
}

bool SettingsFile::isAutoPlayLastChannel() const {
    return ProfileFile(path()).readBool(kSetupOptions, "IsAutoPlayLastChannel", false);
}

void SettingsFile::setAutoPlayLastChannel(bool value) {
    ProfileFile(path()).writeBool(kSetupOptions, "IsAutoPlayLastChannel", value);
}

std::string SettingsFile::sndrec() const {
    return ProfileFile(path()).readText(kSetupOptions, "SNDREC", kDefaultSoundRecorder);
}

void SettingsFile::setSndrec(std::string_view program) {
    ProfileFile(path()).writeText(kSetupOptions, "SNDREC", program);
}

std::string SettingsFile::authorHomePage() const {
    return ProfileFile(path()).readText(kSetupOptions, "AuthorHomePage");
}

void SettingsFile::setAuthorHomePage(std::string_view address) {
    ProfileFile(path()).writeText(kSetupOptions, "AuthorHomePage", address);
}

std::string SettingsFile::homePageUrl() const {
    std::string address = authorHomePage();
    // An empty value would make "/" the home page; it counts as none.
    if (address.empty()) return std::string(kDefaultHomePage);
    if (!address.ends_with('/')) address += '/';
    return address;
}

std::string SettingsFile::authorEmail() const {
    return ProfileFile(path()).readText(kSetupOptions, "AuthorEmail");
}

void SettingsFile::setAuthorEmail(std::string_view address) {
    ProfileFile(path()).writeText(kSetupOptions, "AuthorEmail", address);
}

std::string SettingsFile::verDat() const { return ProfileFile(path()).readText(kSetupOptions, "VerDat"); }

void SettingsFile::setVerDat(std::string_view label) {
    ProfileFile(path()).writeText(kSetupOptions, "VerDat", label);
}

std::filesystem::path SettingsFile::scs() const {
    const std::string stored = ProfileFile(path()).readText(kLastStatus, "SCS");
    if (stored.empty()) return programDir_ / kSpeedSetFolder / kDefaultSpeedSet;
    return programDir_ / std::filesystem::path(stored);  // an absolute stored path replaces the folder
}

void SettingsFile::setScs(const std::filesystem::path& setFile) {
    ProfileFile(path()).writeText(kLastStatus, "SCS", setFile.string());
}

BackgroundCheckPace SettingsFile::backgroundCheckPace() const {
    const ProfileFile file(path());
    constexpr std::string_view kSection = "BackgroundCheck";
    BackgroundCheckPace pace;
    const auto within = [&](std::string_view key, int low, int high, int fallback) {
        const int value = file.readInteger(kSection, key, fallback);
        return value < low || value > high ? fallback : value;
    };
    pace.enabled = file.readBool(kSection, "Enabled", pace.enabled);
    pace.atOnce = within("AtOnce", 1, 16, pace.atOnce);
    pace.perMinute = within("PerMinute", 1, 600, pace.perMinute);
    pace.recheckDays = within("RecheckDays", 1, 365, pace.recheckDays);
    pace.retryMinutes = within("RetryMinutes", 1, 10080, pace.retryMinutes);
    pace.pauseAfterPlayMinutes = within("PauseAfterPlayMinutes", 0, 1440, pace.pauseAfterPlayMinutes);
    return pace;
}

void SettingsFile::setBackgroundCheckEnabled(bool enabled) {
    ProfileFile(path()).writeBool("BackgroundCheck", "Enabled", enabled);
}

int SettingsFile::subscriptionRefreshDays() const {
    const int days = ProfileFile(path()).readInteger("Subscriptions", "RefreshAfterDays", 0);
    return days < 0 || days > kMaxSubscriptionRefreshDays ? 0 : days;
}

void SettingsFile::setSubscriptionRefreshDays(int days) {
    ProfileFile(path()).writeInteger("Subscriptions", "RefreshAfterDays", days);
}

std::string SettingsFile::directoryServer() const {
    return ProfileFile(path()).readText(kDirectory, "Server");
}

bool SettingsFile::reportsDirectoryClicks() const {
    return ProfileFile(path()).readBool(kDirectory, "ReportClicks", true);
}

void SettingsFile::setReportDirectoryClicks(bool report) {
    ProfileFile(path()).writeBool(kDirectory, "ReportClicks", report);
}

bool SettingsFile::hidesDeadChannels() const {
    return ProfileFile(path()).readBool(kLastStatus, "HideDeadChannels", false);
}

void SettingsFile::setHideDeadChannels(bool hide) {
    ProfileFile(path()).writeBool(kLastStatus, "HideDeadChannels", hide);
}

int SettingsFile::filterChannelIndex() const {
    return listIndex(ProfileFile(path()), "cbFilterChannel.ItemIndex", isValidRatingFilter);
}

void SettingsFile::setFilterChannelIndex(int index) {
    ProfileFile(path()).writeInteger(kLastStatus, "cbFilterChannel.ItemIndex", index);
}

int SettingsFile::classDisplayChannelIndex() const {
    return listIndex(ProfileFile(path()), "cbClassDisplayChannel.ItemIndex", isValidDisplayMode);
}

void SettingsFile::setClassDisplayChannelIndex(int index) {
    ProfileFile(path()).writeInteger(kLastStatus, "cbClassDisplayChannel.ItemIndex", index);
}

std::string SettingsFile::lastPlayChannelName() const {
    return ProfileFile(path()).readText(kLastStatus, "LastPlayChannelName");
}

void SettingsFile::setLastPlayChannelName(std::string_view name) {
    ProfileFile(path()).writeText(kLastStatus, "LastPlayChannelName", name);
}

std::string SettingsFile::lastSkinName() const {
    return ProfileFile(path()).readText(kLastStatus, "LastSkinName", kDefaultSkinName);
}

void SettingsFile::setLastSkinName(std::string_view name) {
    ProfileFile(path()).writeText(kLastStatus, "LastSkinName", name);
}

}  // namespace kw
