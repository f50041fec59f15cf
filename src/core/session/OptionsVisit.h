#pragma once

#include "core/actions/LockMode.h"
#include "core/exchange/ChannelForm.h"
#include "core/settings/SettingsFile.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kw {

class ChannelBrowser;
class ChannelExchange;
class ChannelStore;
class ChildLock;
class UiPort;

// The pages of the options window, in the order of their numbers.
enum class OptionsPage { Settings = 0, Add = 1, Edit = 2, Timer = 3, About = 4 };

// What the settings page shows and takes back at OK.
struct SetupValues {
    bool autoPlayLastChannel = false;
    bool hideOnDeactive = false;
    bool backgroundCheck = true;  // "后台检查频道状态"
    // The start refreshes subscriptions this old; 0 never.
    int subscriptionRefreshDays = 0;
    static constexpr int kMaxSubscriptionRefreshDays = SettingsFile::kMaxSubscriptionRefreshDays;
    // A preview play of a directory station tells the directory, which counts it.
    bool reportDirectoryClicks = true;
    std::string sndrec;
    std::optional<LockMode> lockRadio;  // the mode of the selected radio; none selected
    std::optional<bool> autostart;      // none: no autostart folder to look in
};

// What the about page shows besides the program's own texts.
struct AboutValues {
    std::string verDat;
    std::string homePage;  // as stored: empty when missing
    std::string email;
};

// One opening of the options window on one page, from its opening to its
// closing step. It holds the page's cancel mark and, on the add and edit
// pages, the form; the window shows what it gives and forwards the clicks.
// A visit ends before the session that opened it.
class OptionsVisit {
public:
    static constexpr std::string_view kOpenRefusal = "请先关闭已经打开的对话框。";

    // What a visit works on; ended runs once, when the visit ends.
    struct Parts {
        ChannelStore& store;
        ChannelExchange& exchange;
        ChannelBrowser& browser;
        ChildLock& childLock;
        SettingsFile& settings;
        UiPort& ui;
        std::filesystem::path programDir;
        std::optional<std::string> selectedChannel;  // the selected channel leaf's name
        std::function<void()> ended;
    };
    OptionsVisit(OptionsPage page, Parts parts);
    // Ends the visit as a cancel when end() has not run: nothing is rebuilt.
    ~OptionsVisit();
    OptionsVisit(const OptionsVisit&) = delete;
    OptionsVisit& operator=(const OptionsVisit&) = delete;

    OptionsPage page() const { return page_; }
    bool ended() const { return ended_; }

    // --- the settings page

    // The settings file, the lock mode's radio and the autostart entry.
    SetupValues readSetupValues();
    // Settings OK: the settings file, then the lock mode (the password when it
    // is loosened) with the settings row, then the deactivation binding, then
    // the autostart entry starting program when the box changed.
    void spSetupOKClick(const SetupValues& values, const std::function<void(bool)>& bindHideOnDeactivate,
                        const std::filesystem::path& program = {});
    void spSetupCancelClick() { cancelMark_ = true; }
    // The set-password button: the password change flow.
    void btnSetLockedChannelPasswordClick();

    // --- the add and edit pages

    // The page's form; nullptr on the other pages.
    ChannelForm* form() { return form_.get(); }
    // The name the edit page loads: the channel leaf selected at the opening.
    const std::optional<std::string>& channelToEdit() const { return selectedChannel_; }

    // --- the about page

    AboutValues aboutValues() const;
    // "系统 S个 + 自添 U个 = T个"
    std::string channelCountLine();

    // The closing step, once (later calls do nothing): unless cancelled,
    // rebuilds the tree after the settings page, and after the add and edit
    // pages when their form asks for it. Throws kw::Error.
    void end();

private:
    OptionsPage page_;
    ChannelStore& store_;
    ChannelBrowser& browser_;
    ChildLock& childLock_;
    SettingsFile& settings_;
    std::optional<std::string> selectedChannel_;
    std::function<void()> endedCallback_;
    std::unique_ptr<ChannelForm> form_;
    bool cancelMark_ = false;
    bool ended_ = false;
    std::optional<bool> autostartWasOn_;
};

}  // namespace kw
