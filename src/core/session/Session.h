#pragma once

#include "core/actions/AdClock.h"
#include "core/base/Environment.h"
#include "core/base/YieldHook.h"
#include "core/browser/CatalogueQuery.h"
#include "core/browser/CatalogueView.h"
#include "core/browser/TreeCache.h"
#include "core/exchange/CatalogueExchange.h"
#include "core/health/BackgroundCheck.h"
#include "core/health/ChannelHealth.h"
#include "core/session/DatabaseCare.h"
#include "core/settings/Preferences.h"
#include "core/settings/SettingsFile.h"
#include "core/sources/Subscriptions.h"
#include "core/speed/SpeedSlots.h"

#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kw {

class AdvertisementRoll;
class ChannelBrowser;
class ChannelCommands;
class ChannelExchange;
class ChannelForm;
class DeadChannelCleanup;
class ChannelStore;
class DesktopHelpers;
class DesktopPort;
class DirectoryServers;
class RadioDirectory;
class OptionsVisit;
class ShellOpener;
class StreamProbe;
class UiPort;
class WebFetch;
struct Skin;
enum class OptionsPage;

namespace test {
class SessionProbe;
}

// What the main window does itself during start-up, called at its place in
// the order of steps.
struct StartupHooks {
    std::function<void(bool hide)> setHideOnDeactivate;      // after the settings row
    std::function<void(const std::string& name)> applySkin;  // before the tree is built
    std::function<void()> showNews;                          // after the tree
};

// Everything the main window mirrors after a command: the slots, the hints,
// the find state, the list positions and the details of the selected node.
struct WindowState {
    SpeedSlotStates speedSlots;
    std::string openSetHint;    // the set Open button's hint
    std::string playingHint;    // the information line's tooltip
    bool databaseOpen = false;  // the rest is meaningful only then
    bool findContinueEnabled = false;
    std::string lastSearchText;
    int ratingFilter = 0;
    int displayMode = 0;
    NodeDetails details;
};

// One run of the program: the program directory, the channel database and
// every subsystem built on it, with the values the main window holds for the
// whole run (home page, computer key, lock mode and password, advertisement
// frequency, the tree and its selection, the 22 slots, the skin). The main
// window and kwave both drive the system through it and through nothing else.
// Commands that need the database do nothing until it is open.
class Session {
public:
    Session(std::filesystem::path programDir, UiPort& ui, DesktopPort& desktop, StreamProbe& probe,
            WebFetch& web, DirectoryServers& directoryServers, YieldHook::Callback yield = {},
            Environment environment = Environment::fromProcess(),
            RandomSource random = clockSeededRandomSource());
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    const std::filesystem::path& programDir() const { return programDir_; }

    // Opens the database and reads the settings row, without the rest of the
    // start-up: for kwave, which runs one command and has no window.
    void open();

    // The start-up of the main window, in its order: database, settings row
    // and child lock, hide-on-deactivate, speed-channel set, list positions,
    // home page, auto-play, skin, tree (from the cache), news, advertisement
    // frequency. A step that fails shows its error and the steps after it do
    // not run; the window still shows with what was set up. Returns whether
    // every step ran. The tree takes the nodes of treeCache, a read of the
    // cache begun earlier, when there is one.
    bool start(const StartupHooks& hooks, std::unique_ptr<TreeCachePreload> treeCache = nullptr);
    // Begins reading programDir's tree cache on a thread of its own, for the
    // start to take over; nullptr when there is no cache.
    static std::unique_ptr<TreeCachePreload> readTreeCacheAhead(const std::filesystem::path& programDir);

    // The exit sequence between removing the tray icon and ending the event
    // loop: changed speed channels to SCS/Temp.scs, the two list positions,
    // the tree cache, now and then the compaction. A step that fails shows
    // its error and the others still run, so that the program can always be
    // ended.
    void exit();
    // After a run that broke off without the exit sequence: removes the
    // database engine's lock file, which would otherwise stay behind.
    void removeLockFileAfterBrokenRun() const;

    // True once the database is open.
    bool isOpen() const;
    // Everything the main window mirrors after a command.
    WindowState windowState() const;
    // A preview (kwave's --print) plays without recording the last played channel.
    void setPreview(bool preview);
    // How many opens the desktop has refused so far, at once or later.
    unsigned failedOpens() const;

    // --- the roles; each front end takes the ones it uses.

    CatalogueView& view();
    CatalogueQuery& query();
    ChannelCommands& commands();
    SpeedSlots& speedSlots();
    CatalogueExchange& exchange();
    DatabaseCare& database();
    Preferences& preferences();
    DesktopHelpers& helpers();
    ChannelHealth& health();
    // The re-check of the catalogue that the window's event loop drives.
    BackgroundCheck& backgroundCheck();
    DeadChannelCleanup& deadChannelCleanup();
    // Playlists fetched from an address, and their refresh.
    Subscriptions& subscriptions();
    // The community radio directory: its search, and its stations as channels.
    RadioDirectory& directory();

    // --- the options window

    // Opens a visit of the options window on page. nullptr without a
    // database, and, after the refusal message, while a visit is open.
    std::unique_ptr<OptionsVisit> visitOptions(OptionsPage page);
    bool optionsOpen() const { return optionsOpen_; }

    // --- the advertisement and news window: its clock and showings.

    AdClock& adClock() { return adClock_; }

private:
    // The completed home-page address (always ending in "/").
    std::string homePage() const;

    // Tests look inside through test::SessionProbe; the front ends cannot.
    friend class test::SessionProbe;
    struct Parts;
    bool optionsOpen_ = false;

    ChannelStore& store() const;
    ChannelBrowser& browser() const;
    ChannelExchange& channelExchange() const;
    std::optional<std::string> selectedChannelName() const;
    void rebuildFromDatabase() { query().rebuildFromDatabase(); }

    // The first start-up steps: the database, the settings row, the child lock.
    void openDatabase();
    // The start-up steps after the speed set: the two list positions and the home page.
    void readListPositionsAndHomePage();

    std::filesystem::path programDir_;
    UiPort& ui_;
    DesktopPort& desktop_;
    StreamProbe& probe_;
    WebFetch& web_;
    DirectoryServers& directoryServers_;
    YieldHook yield_;
    Environment environment_;
    RandomSource random_;
    SettingsFile settings_;
    AdClock adClock_;
    std::unique_ptr<Parts> parts_;
    bool preview_ = false;
};

}  // namespace kw
