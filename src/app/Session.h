#pragma once

#include "app/SettingsFile.h"
#include "app/YieldHook.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace kw {

class AdvertisementRoll;
class ChannelBrowser;
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
    std::function<void(bool hide)> setHideOnDeactivate;       // step 8.1
    std::function<void(const std::string& name)> applySkin;   // step 11
    std::function<void()> showNews;                           // step 12
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

private:
    struct Parts;

    // Start-up steps 6 and 7: the database, the settings row, the child lock.
    void openDatabase();
    // Start-up steps 8.3 and 9: the two list positions and the home page.
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
