#pragma once

#include "core/actions/AdClock.h"
#include "core/actions/ChannelProbe.h"
#include "core/base/YieldHook.h"
#include "core/browser/ChannelTree.h"
#include "core/browser/NodeDetails.h"
#include "core/browser/TreeCache.h"
#include "core/exchange/PlaylistExchange.h"
#include "core/settings/SettingsFile.h"
#include "core/store/DatabaseRepair.h"

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
class ChannelEdits;
class ChannelExchange;
class ChannelForm;
class ChannelOpener;
class ChannelStore;
class DesktopHelpers;
class DesktopPort;
class ShellOpener;
class SpeedChannelSet;
class SpeedChannels;
class UiPort;
struct Skin;

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

// One speed-channel slot as its button shows it.
struct SpeedSlotState {
    std::string name;  // the tooltip; empty when unassigned
    bool pressed = false;
};

// Everything the main window mirrors after a command: the slots, the hints,
// the find state, the list positions and the details of the selected node.
struct WindowState {
    std::array<SpeedSlotState, 22> speedSlots;
    std::string openSetHint;    // the set Open button's hint
    std::string playingHint;    // the information line's tooltip
    bool databaseOpen = false;  // the rest is meaningful only then
    bool findContinueEnabled = false;
    std::string lastSearchText;
    int ratingFilter = 0;
    int displayMode = 0;
    NodeDetails details;
};

// What the information line and the cursor show while the mouse is over a node.
struct NodeHover {
    std::string_view info;
    bool channel = false;
};

// One channel's outcome in a catalogue check.
struct ChannelCheck {
    std::string name;
    ProbeResult result;

    // The channel test's status word: "[流畅]", "[可达]" or "[未知]".
    std::string_view statusWord() const;
    // Checked and found unknown: nothing answered as a stream or a page.
    bool dead() const { return result.checked && result.status == 0; }
    // The rate to show; none when it was measured over too short a time to
    // mean anything (a local server hands the whole sample over at once).
    std::optional<double> shownKbitPerSecond() const;
    static constexpr double kMinRateSeconds = 0.25;
};

// A catalogue check's totals, as the results window and kwave show them.
struct CheckSummary {
    std::size_t total = 0;
    std::array<std::size_t, 3> byStatus{};  // indexed by status 0..2

    // "N 个频道: a [流畅], b [可达], c [未知]"
    std::string text() const;
};
CheckSummary summarizeChecks(const std::vector<ChannelCheck>& checks);

// One run of the program: the program directory, the channel database and
// every subsystem built on it, with the values the main window holds for the
// whole run (home page, computer key, lock mode and password, advertisement
// frequency, the tree and its selection, the 22 slots, the skin). The main
// window and kwave both drive the system through it and through nothing else.
// Commands that need the database do nothing until it is open.
class Session {
public:
    Session(std::filesystem::path programDir, UiPort& ui, DesktopPort& desktop,
            YieldHook::Callback yield = {});
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
    // the tree cache. A step that fails shows its error and the others still
    // run, so that the program can always be ended.
    void exit();
    // After a run that broke off without the exit sequence: removes the
    // database engine's lock file, which would otherwise stay behind.
    void removeLockFileAfterBrokenRun() const;

    // True once the database is open and the subsystems on it exist.
    bool isOpen() const { return static_cast<bool>(parts_); }

    // --- what the windows show

    // The channel tree, for the tree view's model: it follows the tree's
    // observer. Empty until the database is open.
    ChannelTree& channelTree();
    WindowState windowState() const;
    // The details of node as the window shows them (a database error is shown
    // through the Ui and leaves the details as set up to that point).
    const NodeDetails& ShowNodeDetails(NodeId node);
    // The pop-up menu over the tree acts on the node under the mouse, or on
    // the selection when there is none; returns the details then in force.
    const NodeDetails& tvSelectChannelContextPopup(NodeId nodeUnderMouse);
    NodeHover tvSelectChannelMouseMove(NodeId node) const;
    std::string_view SpeedChannelMouseMove(int slot) const;

    // --- the tree, its lists and find

    void muCurNodeFullExpandClick();
    void muCurNodeFullCollapseClick();
    void muFullExpandClick();
    void muFullCollapseClick();
    void cbFilterChannelChange(int filter);
    void cbClassDisplayChannelChange(int mode);
    void actFindChannelExecute();
    void actFindChannelContinueExecute();
    // Selects the next channel below the selection whose name contains text.
    bool FindNextChannel(std::string_view text);

    // For kwave, which sees the database as it is now: sets the rating filter
    // and display mode (each checked against its list; kw::Error outside it)
    // and builds the tree from the database.
    void rebuildFromDatabase(std::optional<int> ratingFilter = std::nullopt,
                             std::optional<int> displayMode = std::nullopt);
    // The first channel leaf in tree order whose text is exactly name, or kNoNode.
    NodeId findChannelLeaf(std::string_view name) const;
    // The first node in tree order whose text is exactly text, or kNoNode.
    NodeId findNode(std::string_view text) const;
    // Selects node and shows its details, as a click on it does.
    void select(NodeId node);
    // Builds the tree from the database and selects the first channel leaf
    // named name; kw::Error when there is none.
    NodeId selectChannelLeaf(std::string_view name);

    // --- commands on the selected channel leaf. Each does nothing unless a
    // channel leaf is selected and no build is running; windowState() then
    // shows what changed.

    // The Play command (button, F2, Enter, pop-up menu): plays the selected
    // channel and marks the first speed-channel slot holding it. Returns
    // whether it played.
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
    // The channel test (F4). The probe waits for the network; meanwhile the
    // probe idle callback (or the yield callback) runs, and a second test or
    // check started from it is not run.
    void actTestChannelExecute();

    // --- channel health: probes that change nothing in the database

    // Lets the window take input while a probe waits, so the user can go on
    // browsing; without it the yield callback runs.
    void setProbeIdle(std::function<void()> idle) { probeIdle_ = std::move(idle); }
    bool probing() const { return probing_; }
    // The channels a check covers: "all", "favorites", "user", or
    // "branch:PATH" with PATH the node texts from the top joined by "/".
    // Throws kw::Error for another scope or a branch not in the tree.
    std::vector<std::string> channelsInScope(std::string_view scope);
    // The channels in the selected node's branch (itself when it is a channel).
    std::vector<std::string> channelsInSelectedBranch() const;
    // Probes the named channels, jobs at once, with the time-out in seconds (0
    // takes the settings file's). Returns nothing when a probe already runs.
    std::vector<ChannelCheck> checkChannels(const std::vector<std::string>& names, int jobs,
                                            int timeoutSeconds, const ProbeProgress& progress);
    // Writes the channels found dead (status 0) as a channel text file that
    // batch add reads; returns how many.
    std::size_t writeDeadChannelReport(const std::filesystem::path& file,
                                       const std::vector<ChannelCheck>& checks);
    // The speed-channel submenu: assigns the selected channel to slot 1..22.
    // Returns whether the slot was assigned.
    bool muSpeedChannelClick(int slot);

    // --- commands by channel name, for kwave

    // Plays the channel by name: its leaf when the tree shows it, else (hidden
    // by the lock mode or the rating filter) the stored channel itself, as a
    // speed-channel slot plays it. kw::Error when no channel has that name.
    bool playChannel(std::string_view name);
    // Favourite on or off; returns whether the search after the move found
    // the channel again (it is then selected).
    bool setChannelFavorite(std::string_view name, bool favourite);
    // Lock on or off; false when the password was refused.
    bool setChannelLocked(std::string_view name, bool locked);
    // The name of the selected node.
    std::string selectedText() const;
    // A preview (kwave's --print) plays without recording the last played channel.
    void setPreview(bool preview);
    // How many opens the desktop has refused so far, at once or later.
    unsigned failedOpens() const;
    // The about page's count line "系统 S个 + 自添 U个 = T个".
    std::string channelCountLine();
    // The names of the channels of one rating (0: all), in the engine's order.
    std::vector<std::string> channelNames(int ratingFilter);

    // --- speed-channel slots and sets

    // A click on speed-channel slot 1..22: plays its channel when the click
    // pressed it (the child lock applies).
    void SpeedChannelClick(int slot);
    void SpeedChannelSaveClick();
    void SpeedChannelOpenClick();
    // Loads the set in use, as start-up does (kwave has no start-up).
    void loadSpeedChannelSet();
    // Saves changed slots to SCS/Temp.scs, as the exit does.
    void saveChangedSpeedChannels();

    // --- settings and skins

    // Options OK, child-lock part: confirms the chosen lock-mode radio
    // (nullopt when none is selected) and hands the mode now in force to the
    // browser, so the next rebuild hides or shows locked channels by it.
    int confirmLockMode(std::optional<int> chosenRadio);
    // A key of the settings file as the program reads it, and writing one.
    std::string readSetting(std::string_view section, std::string_view key, std::string_view fallback) const;
    void writeSetting(std::string_view section, std::string_view key, std::string_view value);
    // The skin names of the skin list, in file order.
    std::vector<std::string> skinNames() const;
    // Reads the skin and hands it to paint; only when painting succeeds does
    // it become the current skin and LastSkinName. Errors of either leave the
    // window and the settings as they were.
    void ApplySkin(std::string_view name, const std::function<void(const Skin&)>& paint);
    const std::string& currentSkinName() const { return currentSkinName_; }
    // Whether name is the current skin; skin names compare as the profile
    // files compare names (ASCII letters without regard to case).
    bool isCurrentSkin(std::string_view name) const;

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

    // --- the database file's health

    // Begins the engine's check of the database file on a thread of its own,
    // so that the window's start-up does not wait for it.
    void beginDatabaseCheck();
    // Once the check begun has finished: a damaged file is reported and
    // repaired when the user agrees. False while it still runs, or while
    // another long command runs (ask again later).
    bool finishDatabaseCheck();
    // The engine's check of the database file, now.
    DatabaseCheck checkDatabase() const;
    // Repairs the database file with the connection closed meanwhile, then
    // rebuilds the tree; shows what was done, or why not. Returns whether it
    // was repaired.
    bool repairDatabase();
    // Writes already make sure the connection holds its locks on the file
    // (other code of the process may have dropped them); the window also
    // runs this check on a timer, so that a second program never meets a
    // connection without locks for long.
    void keepDatabaseLocks();
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
    // The settings page's set-password button: the password change flow.
    void btnSetLockedChannelPasswordClick();
    // What the about page shows besides the program's own texts.
    struct AboutValues {
        std::string verDat;
        std::string homePage;  // as stored: empty when missing
        std::string email;
    };
    AboutValues aboutValues() const;
    // The about page's count line.
    std::string aboutChannelCount();
    // The closing step: clears the flag and, unless the cancel mark is set,
    // rebuilds the tree for pages 0 to 2 (page 1 only when it stored channels).
    void endOptions(int page, ChannelForm* form);

    // --- the advertisement and news window: its clock and showings.

    AdClock& adClock() { return adClock_; }

    // --- desktop helpers

    // The completed home-page address (always ending in "/").
    std::string homePage() const;
    // The search box's button with the text the box holds.
    void spGoogleClick(std::string_view boxText);
    void spVolumClick();
    void spSoundRecordClick();
    void actHelpExecute();
    void actAuthorHomePageExecute();
    void actAuthorEmailExecute();

    // --- playlists (M3U/M3U8, PLS, XSPF) in and out.

    // Reads a playlist into the user's channels and rebuilds the tree (a dry
    // run stores nothing and leaves the tree). Throws kw::Error.
    PlaylistExchange::ImportReport importPlaylist(const std::filesystem::path& file,
                                                  const PlaylistExchange::ImportOptions& options);
    // The menu command and a dropped file: the import of file (the open dialog
    // when empty), then the final message or the error. Returns whether it ran to the end.
    bool actImportPlaylist(const std::string& file = {});
    // Writes the channels in scope. Locked channels go out when the lock mode
    // lets them play without a password, or when the password is right:
    // `password` when given, else asked once through the password dialog.
    PlaylistExchange::ExportReport exportPlaylist(const std::filesystem::path& file,
                                                  PlaylistExchange::ExportRequest request,
                                                  const std::optional<std::string>& password = std::nullopt);

private:
    // Tests look inside through test::SessionProbe; the front ends cannot.
    friend class test::SessionProbe;
    struct Parts;
    std::function<int()> packDraw_;
    std::unique_ptr<DatabaseCheckAhead> databaseCheck_;
    bool optionsOpen_ = false;
    bool cancelMark_ = false;

    Parts& parts() const;
    ChannelStore& store() const;
    ChannelBrowser& browser() const;
    std::optional<std::string> selectedChannelName() const;

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
    std::unique_ptr<DesktopHelpers> helpers_;
    AdClock adClock_;
    std::unique_ptr<Parts> parts_;
    // The tree the window's model watches before the database is open.
    ChannelTree emptyTree_;
    std::string currentSkinName_;
    bool preview_ = false;
    std::function<void()> probeIdle_;
    bool probing_ = false;
    ProbeLimits probeLimits(int timeoutSeconds) const;
    ProbeResult probeWhileIdle(const ProbeTarget& target);
    ProbeTarget probeTarget(std::string_view name) const;
    std::vector<std::string> channelsBelow(NodeId node) const;
};

}  // namespace kw
