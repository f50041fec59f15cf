#pragma once

#include "core/base/YieldHook.h"
#include "core/settings/SettingsFile.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kw {

class AdvertisementRoll;
class ChannelBrowser;
class ChannelEdits;
class ChannelExchange;
class ChannelForm;
class ChannelOpener;
class ChannelStore;
class ChannelTest;
class ChildLock;
class DesktopPort;
class ShellOpener;
class SpeedChannelSet;
class SpeedChannels;
class UiPort;

// What the main window does itself during start-up, called at its place in
// the order of steps.
struct StartupHooks {
    std::function<void(bool hide)> setHideOnDeactivate;      // after the settings row
    std::function<void(const std::string& name)> applySkin;  // before the tree is built
    std::function<void()> showNews;                          // after the tree
};

// One run of the program: the program directory, the channel database and
// every subsystem built on it, with the values the main window holds for the
// whole run (home page, computer key, lock mode and password, advertisement
// frequency, the tree and its selection, the 22 slots). The main window and
// kwave both drive the system through it.
class Session {
public:
    Session(std::filesystem::path programDir, UiPort& ui, DesktopPort& desktop,
            YieldHook::Callback yield = {});
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    const std::filesystem::path& programDir() const { return programDir_; }
    SettingsFile& settings() { return settings_; }
    UiPort& ui() { return ui_; }

    // Opens the database and reads the settings row, without the rest of the
    // start-up: for kwave, which runs one command and has no window.
    void open();

    // The start-up of the main window, in its order: database, settings row
    // and child lock, hide-on-deactivate, speed-channel set, list positions,
    // home page, auto-play, skin, tree (from the cache), news, advertisement
    // frequency. A step that fails shows its error and the steps after it do
    // not run; the window still shows with what was set up. Returns whether
    // every step ran.
    bool start(const StartupHooks& hooks);

    // The exit sequence between removing the tray icon and ending the event
    // loop: changed speed channels to SCS/Temp.scs, the two list positions,
    // the tree cache. A step that fails shows its error and the others still
    // run, so that the program can always be ended.
    void exit();

    // True once the database is open and the subsystems on it exist.
    bool isOpen() const { return static_cast<bool>(parts_); }

    ChannelStore& store();
    ChannelBrowser& browser();
    ChildLock& childLock();
    ChannelOpener& opener();
    ChannelTest& channelTest();
    AdvertisementRoll& advertisement();
    ShellOpener& shell();
    SpeedChannels& speedChannels();
    SpeedChannelSet& speedChannelSet();
    ChannelEdits& edits();

    // --- commands on the selected channel leaf. Each does nothing unless a
    // channel leaf is selected and no build is running. Afterwards the window
    // shows browser().details(), which the commands keep up to date.

    // The Play command (button, F2, pop-up menu): plays the selected channel
    // and marks the first speed-channel slot holding it. Returns whether it played.
    bool actPlayChannelExecute();
    // A double click in the tree: the Play command on a channel leaf.
    bool tvSelectChannelDblClick() { return actPlayChannelExecute(); }
    // The related-site command.
    void actLinkChannelExecute();
    // The favourites command (F5, the favourites button, pop-up menu).
    void actFavoritesChannelExecute();
    // Rating: item 0 to 4 from the rating list (cbRateChannelChange) or the
    // submenu (muRate1Click .. muRate5Click pass 0 .. 4).
    void SetChannelRating(int item);
    // Delete after the confirmation. Returns whether it was deleted.
    bool actDeleteChannelExecute();
    // Lock or unlock, as the details' lock target says. Returns false when
    // the password was refused.
    bool actLockChannelExecute();
    // The channel test (F4).
    void actTestChannelExecute();
    // The speed-channel submenu: assigns the selected channel to slot 1..22.
    // Returns whether the slot was assigned.
    bool muSpeedChannelClick(int slot);

    // --- commands that need no selection.

    // A click on speed-channel slot 1..22: plays its channel when the click
    // pressed it (the child lock applies).
    void SpeedChannelClick(int slot);
    // Options OK, child-lock part: confirms the chosen lock-mode radio
    // (nullopt when none is selected) and hands the mode now in force to the
    // browser, so the next rebuild hides or shows locked channels by it.
    int confirmLockMode(std::optional<int> chosenRadio);

    // --- channel entry and exchange, compaction.

    ChannelExchange& exchange();
    // The export command: save dialog, file, message. Returns whether the file was written.
    bool actExportUserChannel();
    // Batch add: open dialog, records into the database, tree rebuilt from the
    // database, final message. Returns whether it ran to the end.
    bool actUserBatchAddChannel();
    // True while batch add runs: commands that change the database or the
    // tree wait until it ends.
    bool exchangeRunning();
    // Compaction: closes the connection, compacts the file, restores the
    // connection as it was; the engine's message on failure, nothing on success.
    // Returns whether the file was compacted.
    bool actPackMDB();
    // The exit roll: a draw from 0 to 49, the compaction on 8. Tests replace
    // the draw.
    static constexpr int kPackDrawRange = 50;
    static constexpr int kPackDrawHit = 8;
    void setPackDraw(std::function<int()> draw) { packDraw_ = std::move(draw); }

    // --- the options window: page 0 settings, 1 add, 2 edit, 3 timer, 4 about.

    static constexpr std::string_view kOptionsOpenRefusal = "请先关闭已经打开的对话框。";
    // Opening: false, after the refusal message, while one is open; else sets
    // the options-open flag and clears the cancel mark.
    bool beginOptions(int page);
    bool optionsOpen() const { return optionsOpen_; }
    // The add/edit page's rules for this opening, on the program-wide cancel mark.
    std::unique_ptr<ChannelForm> makeChannelForm(int page);
    // The name the edit page loads: the selected channel leaf, if any.
    std::optional<std::string> channelToEdit();
    struct SetupValues {
        bool autoPlayLastChannel = false;
        bool hideOnDeactive = false;
        std::string sndrec;
        std::optional<int> lockRadio;  // the selected lock-mode radio; none selected
    };
    // What the settings page shows: the settings file and the lock mode's radio.
    SetupValues readSetupValues();
    // Settings OK: the settings file, then the lock mode (the password when it
    // is loosened) with the settings row, then the deactivation binding.
    void spSetupOKClick(const SetupValues& values, const std::function<void(bool)>& bindHideOnDeactivate);
    void spSetupCancelClick() { cancelMark_ = true; }
    // The about page's count line.
    std::string aboutChannelCount();
    // The closing step: clears the flag and, unless the cancel mark is set,
    // rebuilds the tree for pages 0 to 2 (page 1 only when it stored channels).
    void endOptions(int page, ChannelForm* form);

private:
    struct Parts;
    std::function<int()> packDraw_;
    bool optionsOpen_ = false;
    bool cancelMark_ = false;

    std::optional<std::string> selectedChannelName();

    // The first start-up steps: the database, the settings row, the child lock.
    void openDatabase();
    // The start-up steps after the speed set: the two list positions and the home page.
    void readListPositionsAndHomePage();

    std::filesystem::path programDir_;
    UiPort& ui_;
    DesktopPort& desktop_;
    YieldHook yield_;
    SettingsFile settings_;
    std::unique_ptr<ShellOpener> shell_;
    std::unique_ptr<SpeedChannels> speedChannels_;
    std::unique_ptr<SpeedChannelSet> speedChannelSet_;
    std::unique_ptr<AdvertisementRoll> advertisement_;
    std::unique_ptr<Parts> parts_;
};

}  // namespace kw
