#include "core/session/Session.h"

#include "core/actions/AdvertisementRoll.h"
#include "core/actions/ChannelEdits.h"
#include "core/actions/ChannelOpener.h"
#include "core/actions/ChannelTest.h"
#include "core/actions/ChildLock.h"
#include "core/actions/ComputerKey.h"
#include "core/actions/DesktopHelpers.h"
#include "core/actions/ShellOpen.h"
#include "core/base/AsciiText.h"
#include "core/base/Error.h"
#include "core/base/ProfileFile.h"
#include "core/base/SafeFile.h"
#include "core/base/ScrambleText.h"
#include "core/base/TextCodec.h"
#include "core/browser/BrowserTexts.h"
#include "core/browser/ChannelBrowser.h"
#include "core/exchange/ChannelExchange.h"
#include "core/exchange/ChannelTextFile.h"
#include "core/health/DeadChannelCleanup.h"
#include "core/ports/DesktopPort.h"
#include "core/ports/UiPort.h"
#include "core/session/AppTexts.h"
#include "core/session/ChannelCommands.h"
#include "core/session/OptionsVisit.h"
#include "core/settings/AboutPage.h"
#include "core/settings/Skin.h"
#include "core/sources/DirectoryClient.h"
#include "core/sources/RadioDirectory.h"
#include "core/speed/SlotPlayer.h"
#include "core/speed/SpeedChannelSet.h"
#include "core/speed/SpeedChannels.h"
#include "core/store/ChannelStore.h"
#include "core/store/Compaction.h"

#include <chrono>
#include <set>

namespace kw {

// Every subsystem of the run. They exist from the start; the store opens
// with the database, and until then the roles' commands do nothing.
struct Session::Parts {
    explicit Parts(Session& session)
        : store(ChannelStore::unopened(session.programDir_ / ChannelStore::kFileName)),
          shell(session.desktop_, session.ui_),
          advertisement(session.ui_, session.random_),
          helpers(session.programDir_, session.settings_, shell, session.desktop_, session.ui_),
          speedChannelSet(speedChannels, session.settings_, session.ui_),
          childLock(*store, session.ui_, computerKeyFor(session.environment_.machineId)),
          browser(*store, session.programDir_, session.ui_, session.yield_),
          opener(*store, session.settings_, childLock, shell, advertisement, session.ui_),
          slotPlayer(opener, speedChannels),
          health(*store, browser, session.settings_, session.probe_, session.yield_),
          deadChannelCleanup(*store, browser, session.ui_),
          channelTest(*store, session.ui_,
                      ChannelTest::DetailedProbe([this](std::string_view name, const ProbeTarget& target) {
                          return health.probeWhileIdle(name, target);
                      })),
          edits(*store, browser, childLock, session.ui_),
          channelExchange(*store, browser, session.ui_, session.yield_, session.programDir_),
          view(*store, browser, session.settings_),
          query(*store, browser),
          commands(*store, query, browser, edits, opener, slotPlayer, speedChannels, session.ui_,
                   [this](const std::string& name) {
                       if (health.probing()) return;
                       channelTest.actTestChannelExecute(name);
                       // The details end with the check just made.
                       browser.ShowNodeDetails(browser.selected());
                   }),
          speedSlots(speedChannels, speedChannelSet, slotPlayer, *store, browser.deadChannels()),
          exchange(*store, browser, channelExchange, childLock, session.ui_, session.yield_,
                   session.programDir_),
          database(*store, browser, channelExchange, session.ui_, session.random_),
          preferences(session.programDir_, session.settings_),
          subscriptions(*store, channelExchange, browser, session.settings_, session.web_, session.ui_,
                        session.yield_, session.programDir_, ChannelHealth::systemSeconds),
          directoryClient(session.web_, session.directoryServers_, session.ui_, session.yield_,
                          session.settings_),
          directory(*store, channelExchange, browser, subscriptions, directoryClient, shell, session.ui_,
                    session.yield_),
          background(*store, health, session.settings_, session.probe_,
                     BackgroundCheckHooks{[this, &session] {
                                              return health.probing() || browser.busy() ||
                                                     session.desktop_.watchingLaunches();
                                          },
                                          [this] { return opener.plays(); },
                                          {}}) {}

    std::unique_ptr<ChannelStore> store;
    ShellOpener shell;
    AdvertisementRoll advertisement;
    DesktopHelpers helpers;
    SpeedChannels speedChannels;
    SpeedChannelSet speedChannelSet;
    ChildLock childLock;
    ChannelBrowser browser;
    ChannelOpener opener;
    SlotPlayer slotPlayer;
    ChannelHealth health;
    DeadChannelCleanup deadChannelCleanup;
    ChannelTest channelTest;
    ChannelEdits edits;
    ChannelExchange channelExchange;
    SettingsRow settingsRow;

    CatalogueView view;
    CatalogueQuery query;
    ChannelCommands commands;
    SpeedSlots speedSlots;
    CatalogueExchange exchange;
    DatabaseCare database;
    Preferences preferences;
    Subscriptions subscriptions;
    DirectoryClient directoryClient;
    RadioDirectory directory;
    // Last: its thread is stopped before anything it uses goes.
    BackgroundCheck background;
};

Session::Session(std::filesystem::path programDir, UiPort& ui, DesktopPort& desktop, StreamProbe& probe,
                 WebFetch& web, DirectoryServers& directoryServers, YieldHook::Callback yield,
                 Environment environment, RandomSource random)
    : programDir_(std::move(programDir)),
      ui_(ui),
      desktop_(desktop),
      probe_(probe),
      web_(web),
      directoryServers_(directoryServers),
      yield_(std::move(yield)),
      environment_(std::move(environment)),
      random_(std::move(random)),
      settings_(programDir_),
      adClock_([this] { return homePage(); }, [this] { parts_->shell.reportPlayError(); }),
      parts_(std::make_unique<Parts>(*this)) {
    parts_->subscriptions.setRenameHook(
        [this](std::string_view from, std::string_view to) { parts_->speedSlots.followRename(from, to); });
    parts_->subscriptions.readSourceWith(
        std::string(RadioDirectory::kSourceAddress),
        [this](const std::vector<SourceEntry>& known, const Subscriptions::Take& take) {
            return parts_->directory.readAgain(known, take);
        });
}

Session::~Session() = default;

ChannelStore& Session::store() const { return *parts_->store; }

ChannelBrowser& Session::browser() const { return parts_->browser; }

ChannelExchange& Session::channelExchange() const { return parts_->channelExchange; }

bool Session::isOpen() const { return parts_->store->isOpen(); }

CatalogueView& Session::view() { return parts_->view; }
CatalogueQuery& Session::query() { return parts_->query; }
ChannelCommands& Session::commands() { return parts_->commands; }
SpeedSlots& Session::speedSlots() { return parts_->speedSlots; }
CatalogueExchange& Session::exchange() { return parts_->exchange; }
DatabaseCare& Session::database() { return parts_->database; }
Preferences& Session::preferences() { return parts_->preferences; }
DesktopHelpers& Session::helpers() { return parts_->helpers; }
ChannelHealth& Session::health() { return parts_->health; }
BackgroundCheck& Session::backgroundCheck() { return parts_->background; }
DeadChannelCleanup& Session::deadChannelCleanup() { return parts_->deadChannelCleanup; }
Subscriptions& Session::subscriptions() { return parts_->subscriptions; }

RadioDirectory& Session::directory() { return parts_->directory; }

void Session::openDatabase() {
    // What a writer killed midway left behind goes before anything is read.
    removeStaleTemporariesIn(programDir_);
    removeStaleTemporariesIn(programDir_ / kSpeedSetFolder);
    finishInterruptedCompaction(programDir_ / ChannelStore::kFileName);
    parts_->store->reopen();
    parts_->settingsRow = parts_->store->readSettingsRow();
    parts_->childLock.load(parts_->settingsRow);
    parts_->browser.setLockMode(storedLockMode(parts_->childLock.lockMode()));
    parts_->opener.setPreview(preview_);
}

void Session::readListPositionsAndHomePage() {
    parts_->browser.setRatingFilter(settings_.filterChannelIndex());
    parts_->browser.setDisplayMode(settings_.classDisplayChannelIndex());
    parts_->browser.setHideDeadChannels(settings_.hidesDeadChannels());
    parts_->shell.setHomePage(settings_.homePageUrl());
}

std::string Session::homePage() const { return parts_->helpers.homePage(); }

void Session::open() {
    openDatabase();
    readListPositionsAndHomePage();
}

std::unique_ptr<TreeCachePreload> Session::readTreeCacheAhead(const std::filesystem::path& programDir) {
    return TreeCachePreload::start(programDir / kTreeCacheFileName);
}

bool Session::start(const StartupHooks& hooks, std::unique_ptr<TreeCachePreload> treeCache) {
    try {
        openDatabase();
        if (hooks.setHideOnDeactivate) hooks.setHideOnDeactivate(settings_.isHideOnDeactive());
        parts_->speedSlots.loadSpeedChannelSet();
        readListPositionsAndHomePage();
        parts_->opener.autoPlayLastChannel();
        if (hooks.applySkin) {
            // A skin whose picture cannot be loaded is reported, but the tree
            // is still built: the user keeps a working window.
            try {
                hooks.applySkin(settings_.lastSkinName());
            } catch (const Error& error) {
                ui_.ShowError(error.what());
            }
        }
        if (treeCache) parts_->browser.usePreloadedCache(std::move(treeCache));
        parts_->browser.RebuildChannelTree(true);
        if (hooks.showNews) hooks.showNews();
        parts_->advertisement.start(AdvertisementRoll::frequencyFrom(parts_->settingsRow));
        return true;
    } catch (const std::exception& error) {
        ui_.ShowError(error.what());
        return false;
    }
}

void Session::exit() {
    // Every step runs whatever the one before it threw: an unexpected error
    // must not cost the user the tree cache or the list positions.
    const auto step = [this](auto&& action) {
        try {
            action();
        } catch (const std::exception& error) {
            ui_.ShowError(error.what());
        }
    };
    step([this] { parts_->speedSlots.saveChangedSpeedChannels(); });
    if (!isOpen()) return;
    step([this] {
        settings_.setFilterChannelIndex(parts_->browser.ratingFilter());
        settings_.setClassDisplayChannelIndex(parts_->browser.displayMode());
    });
    step([this] { parts_->browser.SaveChannelTreeCache(); });
    // The compaction comes last, once everything else is saved.
    step([this] { parts_->database.packOnLuckyDraw(); });
}

void Session::removeLockFileAfterBrokenRun() const {
    std::error_code ignored;
    std::filesystem::remove(programDir_ / ChannelStore::kLockFileName, ignored);
}

// --- what the windows show

WindowState Session::windowState() const {
    WindowState state;
    state.speedSlots = parts_->speedSlots.states();
    state.openSetHint = parts_->speedSlots.openSetHint();
    state.playingHint = ChannelOpener::kNothingPlayedHint;
    if (!isOpen()) return state;
    const ChannelBrowser& browser = parts_->browser;
    state.playingHint = parts_->opener.playingHint();
    state.databaseOpen = true;
    state.findContinueEnabled = browser.findContinueEnabled();
    state.lastSearchText = browser.lastSearchText();
    state.ratingFilter = browser.ratingFilter();
    state.displayMode = browser.displayMode();
    state.details = browser.details();
    return state;
}

void Session::setPreview(bool preview) {
    preview_ = preview;
    parts_->opener.setPreview(preview);
}

unsigned Session::failedOpens() const { return parts_->shell.failures(); }

std::optional<std::string> Session::selectedChannelName() const {
    return parts_->commands.selectedChannelName();
}

// --- the options window.

std::unique_ptr<OptionsVisit> Session::visitOptions(OptionsPage page) {
    // Without a database there is nothing the options could show or change.
    if (!isOpen()) return nullptr;
    if (optionsOpen_) {
        ui_.ShowMessage(OptionsVisit::kOpenRefusal);
        return nullptr;
    }
    auto visit = std::make_unique<OptionsVisit>(
        page, OptionsVisit::Parts{*parts_->store, parts_->channelExchange, parts_->browser, parts_->childLock,
                                  settings_, ui_, programDir_, selectedChannelName(),
                                  [this] { optionsOpen_ = false; }});
    optionsOpen_ = true;
    return visit;
}

}  // namespace kw
