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
#include "core/ports/UiPort.h"
#include "core/session/AppTexts.h"
#include "core/session/ChannelCommands.h"
#include "core/session/OptionsVisit.h"
#include "core/settings/AboutPage.h"
#include "core/settings/Skin.h"
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
          channelTest(*store, session.ui_, ChannelTest::DetailedProbe([&session](const ProbeTarget& target) {
              return session.probeWhileIdle(target);
          })),
          edits(*store, browser, childLock, session.ui_),
          channelExchange(*store, browser, session.ui_, session.yield_, session.programDir_),
          view(*store, browser),
          commands(*store, view, browser, edits, opener, slotPlayer, speedChannels, session.ui_,
                   [this, &session](const std::string& name) {
                       if (!session.probing_) channelTest.actTestChannelExecute(name);
                   }),
          speedSlots(speedChannels, speedChannelSet, slotPlayer, *store),
          exchange(*store, browser, channelExchange, childLock, session.ui_, session.yield_,
                   session.programDir_),
          database(*store, browser, channelExchange, session.ui_, session.random_),
          preferences(session.programDir_, session.settings_) {}

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
    ChannelTest channelTest;
    ChannelEdits edits;
    ChannelExchange channelExchange;
    SettingsRow settingsRow;

    CatalogueView view;
    ChannelCommands commands;
    SpeedSlots speedSlots;
    CatalogueExchange exchange;
    DatabaseCare database;
    Preferences preferences;
};

Session::Session(std::filesystem::path programDir, UiPort& ui, DesktopPort& desktop,
                 YieldHook::Callback yield, Environment environment, RandomSource random)
    : programDir_(std::move(programDir)),
      ui_(ui),
      desktop_(desktop),
      yield_(std::move(yield)),
      environment_(std::move(environment)),
      random_(std::move(random)),
      settings_(programDir_),
      adClock_([this] { return homePage(); }, [this] { parts_->shell.reportPlayError(); }),
      parts_(std::make_unique<Parts>(*this)) {}

Session::~Session() = default;

ChannelStore& Session::store() const { return *parts_->store; }

ChannelBrowser& Session::browser() const { return parts_->browser; }

ChannelExchange& Session::channelExchange() const { return parts_->channelExchange; }

bool Session::isOpen() const { return parts_->store->isOpen(); }

CatalogueView& Session::view() { return parts_->view; }
ChannelCommands& Session::commands() { return parts_->commands; }
SpeedSlots& Session::speedSlots() { return parts_->speedSlots; }
CatalogueExchange& Session::exchange() { return parts_->exchange; }
DatabaseCare& Session::database() { return parts_->database; }
Preferences& Session::preferences() { return parts_->preferences; }
DesktopHelpers& Session::helpers() { return parts_->helpers; }

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

ChannelTree& Session::channelTree() { return parts_->browser.tree(); }

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

// --- channel health

namespace {

// Clears a flag when the probe that set it ends, however it ends.
struct ProbingFlag {
    explicit ProbingFlag(bool& flag) : flag_(flag) { flag_ = true; }
    ~ProbingFlag() { flag_ = false; }
    ProbingFlag(const ProbingFlag&) = delete;
    ProbingFlag& operator=(const ProbingFlag&) = delete;
    bool& flag_;
};

}  // namespace

ProbeLimits Session::probeLimits(int timeoutSeconds) const {
    ProbeLimits limits;
    limits.timeout =
        std::chrono::seconds(timeoutSeconds > 0 ? timeoutSeconds : settings_.channelTestTimeout());
    return limits;
}

ProbeResult Session::probeWhileIdle(const ProbeTarget& target) {
    ProbingFlag flag(probing_);
    return probeChannel(target, probeLimits(0), [this] {
        if (probeIdle_) {
            probeIdle_();
        } else {
            yield_.yieldNow();
        }
    });
}

ProbeTarget Session::probeTarget(std::string_view name) const {
    ChannelStore& channels = store();
    const ChannelAddress address = channels.readChannelAddress(name);
    // The key is the stored name, as for a play.
    return ProbeTarget{std::string(name), unscrambleText(address.scrambledUrl, address.name), address.type,
                       channels.readChannelDetails(address.name).speed};
}

std::vector<std::string> Session::channelsBelow(NodeId node) const {
    const ChannelTree& tree = parts_->browser.tree();
    std::vector<std::string> names;
    if (node == kNoNode) return names;
    const std::size_t level = tree.level(node);
    // A channel can stand in more than one branch (the favourites); it is probed once.
    std::set<std::string, std::less<>> seen;
    for (NodeId at = node; at != kNoNode && (at == node || tree.level(at) > level);
         at = tree.nextInTreeOrder(at)) {
        if (tree.IsChannelLeaf(at) && seen.emplace(tree.text(at)).second) names.emplace_back(tree.text(at));
    }
    return names;
}

std::vector<std::string> Session::channelsInSelectedBranch() const {
    return isOpen() ? channelsBelow(parts_->browser.selected()) : std::vector<std::string>{};
}

std::vector<std::string> Session::channelsInScope(std::string_view scope) {
    std::vector<std::string> names;
    if (scope.starts_with("branch:")) {
        rebuildFromDatabase();
        const ChannelTree& tree = parts_->browser.tree();
        NodeId node = kNoNode;
        std::string_view path = scope.substr(7);
        while (!path.empty()) {
            const std::size_t slash = path.find('/');
            const std::string_view part = path.substr(0, slash);
            NodeId found = kNoNode;
            for (NodeId child : tree.children(node)) {
                if (tree.text(child) == part) found = child;
            }
            if (found == kNoNode)
                throw Error("No branch \"" + std::string(scope.substr(7)) + "\" in the channel tree");
            node = found;
            path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
        }
        if (node == kNoNode) throw Error("branch: needs the path of a branch");
        return channelsBelow(node);
    }
    const bool favourites = scope == "favorites";
    const bool user = scope == "user";
    if (!favourites && !user && scope != "all")
        throw Error("The scope must be all, favorites, user or branch:PATH, not \"" + std::string(scope) +
                    "\"");
    store().forEachListedChannel(0, [&](const ChannelListing& channel) {
        if ((favourites && channel.favorited == 0) || (user && channel.vol != "User")) return;
        names.push_back(channel.name);
    });
    return names;
}

std::string_view ChannelCheck::statusWord() const { return ChannelTest::statusWord(result.status); }

std::optional<double> ChannelCheck::shownKbitPerSecond() const {
    if (result.bytes == 0 || result.kbitPerSecond <= 0) return std::nullopt;
    const double seconds = static_cast<double>(result.bytes) * 8.0 / 1000.0 / result.kbitPerSecond;
    if (seconds < kMinRateSeconds) return std::nullopt;
    return result.kbitPerSecond;
}

std::string CheckSummary::text() const {
    std::string line = std::to_string(total) + " 个频道: ";
    for (int status : {2, 1, 0}) {
        line += std::to_string(byStatus[static_cast<std::size_t>(status)]) + " " +
                std::string(ChannelTest::statusWord(status)) + (status > 0 ? ", " : "");
    }
    return line;
}

CheckSummary summarizeChecks(const std::vector<ChannelCheck>& checks) {
    CheckSummary summary;
    summary.total = checks.size();
    for (const ChannelCheck& check : checks)
        ++summary.byStatus[static_cast<std::size_t>(check.result.status)];
    return summary;
}

std::vector<ChannelCheck> Session::checkChannels(const std::vector<std::string>& names, int jobs,
                                                 int timeoutSeconds, const ProbeProgress& progress) {
    if (probing_) return {};
    ProbingFlag flag(probing_);
    std::vector<ProbeTarget> targets;
    targets.reserve(names.size());
    for (const std::string& name : names) targets.push_back(probeTarget(name));
    ProbeLimits limits = probeLimits(timeoutSeconds);
    limits.jobs = jobs;
    std::vector<ProbeResult> results = probeChannels(targets, limits, progress);
    std::vector<ChannelCheck> checks;
    checks.reserve(names.size());
    for (std::size_t i = 0; i < names.size(); ++i) checks.push_back({names[i], std::move(results[i])});
    return checks;
}

std::size_t Session::writeDeadChannelReport(const std::filesystem::path& file,
                                            const std::vector<ChannelCheck>& checks) {
    std::string text;
    std::size_t count = 0;
    for (const ChannelCheck& check : checks) {
        if (!check.dead()) continue;
        const ChannelRecord record = store().readChannelForEdit(check.name).record;
        appendChannelRecordUtf8(
            text, {record.class0, record.class1, record.class2, record.class3, record.name,
                   unscrambleText(record.scrambledUrl, record.name), record.link, record.memo, record.type,
                   record.speed, std::string(kInsertMarker)});
        ++count;
    }
    replaceFileAtomically(file, text::toGbk(text));
    return count;
}

// --- the child lock

int Session::confirmLockMode(std::optional<int> chosenRadio) {
    Parts& open = *parts_;
    const int mode = storedLockMode(open.childLock.confirmLockMode(
        chosenRadio ? std::optional(lockModeFromStored(*chosenRadio)) : std::nullopt));
    open.browser.setLockMode(mode);
    return mode;
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
