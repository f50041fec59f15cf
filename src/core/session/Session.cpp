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
#include "core/exchange/ChannelForm.h"
#include "core/exchange/ChannelTextFile.h"
#include "core/ports/UiPort.h"
#include "core/session/AppTexts.h"
#include "core/settings/AboutPage.h"
#include "core/settings/Skin.h"
#include "core/speed/SlotPlayer.h"
#include "core/speed/SpeedChannelSet.h"
#include "core/speed/SpeedChannels.h"
#include "core/store/ChannelStore.h"
#include "core/store/Compaction.h"

#include <chrono>
#include <random>
#include <set>

namespace kw {

// The subsystems that stand on an open database.
struct Session::Parts {
    Parts(std::unique_ptr<ChannelStore> openedStore, Session& session)
        : store(std::move(openedStore)),
          childLock(*store, session.ui_, computerKey()),
          browser(*store, session.programDir_, session.ui_, session.yield_),
          opener(*store, session.settings_, childLock, *session.shell_, *session.advertisement_, session.ui_),
          slotPlayer(opener, *session.speedChannels_),
          channelTest(*store, session.ui_, ChannelTest::DetailedProbe([&session](const ProbeTarget& target) {
              return session.probeWhileIdle(target);
          })),
          edits(*store, browser, childLock, session.ui_),
          exchange(*store, browser, session.ui_, session.yield_, session.programDir_) {}

    std::unique_ptr<ChannelStore> store;
    ChildLock childLock;
    ChannelBrowser browser;
    ChannelOpener opener;
    SlotPlayer slotPlayer;
    ChannelTest channelTest;
    ChannelEdits edits;
    ChannelExchange exchange;
    SettingsRow settingsRow;
};

Session::Session(std::filesystem::path programDir, UiPort& ui, DesktopPort& desktop,
                 YieldHook::Callback yield)
    : programDir_(std::move(programDir)),
      ui_(ui),
      desktop_(desktop),
      yield_(std::move(yield)),
      settings_(programDir_),
      shell_(std::make_unique<ShellOpener>(desktop_, ui_)),
      speedChannels_(std::make_unique<SpeedChannels>()),
      speedChannelSet_(std::make_unique<SpeedChannelSet>(*speedChannels_, settings_, ui_)),
      advertisement_(std::make_unique<AdvertisementRoll>(ui_)),
      helpers_(std::make_unique<DesktopHelpers>(programDir_, settings_, *shell_, desktop_, ui_)),
      adClock_([this] { return homePage(); }, [this] { shell_->reportPlayError(); }) {}

Session::~Session() = default;

Session::Parts& Session::parts() const {
    if (!parts_) throw Error("The channel database is not open.");
    return *parts_;
}

ChannelStore& Session::store() const { return *parts().store; }

ChannelBrowser& Session::browser() const { return parts().browser; }

void Session::openDatabase() {
    // What a writer killed midway left behind goes before anything is read.
    removeStaleTemporariesIn(programDir_);
    removeStaleTemporariesIn(programDir_ / kSpeedSetFolder);
    finishInterruptedCompaction(programDir_ / ChannelStore::kFileName);
    parts_ = std::make_unique<Parts>(ChannelStore::open(programDir_ / ChannelStore::kFileName), *this);
    parts_->settingsRow = parts_->store->readSettingsRow();
    parts_->childLock.load(parts_->settingsRow);
    parts_->browser.setLockMode(parts_->childLock.lockMode());
    parts_->opener.setPreview(preview_);
}

void Session::readListPositionsAndHomePage() {
    parts_->browser.setRatingFilter(settings_.filterChannelIndex());
    parts_->browser.setDisplayMode(settings_.classDisplayChannelIndex());
    shell_->setHomePage(settings_.homePageUrl());
}

std::string Session::homePage() const {
    // Read at start-up; before that (kwave) straight from the settings file.
    return shell_->homePage().empty() ? settings_.homePageUrl() : shell_->homePage();
}

void Session::spGoogleClick(std::string_view boxText) { helpers_->spGoogleClick(boxText); }

void Session::spVolumClick() { helpers_->spVolumClick(); }

void Session::spSoundRecordClick() { helpers_->spSoundRecordClick(); }

void Session::actHelpExecute() { helpers_->actHelpExecute(); }

void Session::actAuthorHomePageExecute() { helpers_->actAuthorHomePageExecute(homePage()); }

void Session::actAuthorEmailExecute() { helpers_->actAuthorEmailExecute(); }

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
        speedChannelSet_->loadAtStartup();
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
        advertisement_->start(AdvertisementRoll::frequencyFrom(parts_->settingsRow));
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
    if (speedChannels_->dirty()) step([this] { speedChannelSet_->saveOnExit(); });
    if (!parts_) return;
    step([this] {
        settings_.setFilterChannelIndex(parts_->browser.ratingFilter());
        settings_.setClassDisplayChannelIndex(parts_->browser.displayMode());
    });
    step([this] { parts_->browser.SaveChannelTreeCache(); });
    // The compaction comes last, once everything else is saved.
    const int draw = packDraw_ ? packDraw_() : [] {
        std::mt19937 generator(
            static_cast<unsigned>(std::chrono::system_clock::now().time_since_epoch().count()));
        return std::uniform_int_distribution<int>(0, kPackDrawRange - 1)(generator);
    }();
    if (draw == kPackDrawHit) step([this] { actPackMDB(); });
}

void Session::removeLockFileAfterBrokenRun() const {
    std::error_code ignored;
    std::filesystem::remove(programDir_ / ChannelStore::kLockFileName, ignored);
}

// --- what the windows show

ChannelTree& Session::channelTree() { return parts_ ? parts_->browser.tree() : emptyTree_; }

WindowState Session::windowState() const {
    WindowState state;
    for (int slot = 1; slot <= SpeedChannels::kSlotCount; ++slot) {
        state.speedSlots[static_cast<std::size_t>(slot - 1)] = {speedChannels_->name(slot),
                                                                speedChannels_->pressed(slot)};
    }
    state.openSetHint = speedChannelSet_->openHint();
    state.playingHint = ChannelOpener::kNothingPlayedHint;
    if (!parts_) return state;
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

const NodeDetails& Session::ShowNodeDetails(NodeId node) {
    // Without a database the window keeps its first captions and the slogan.
    static const NodeDetails kNoDatabase = [] {
        NodeDetails details = initialNodeDetails();
        details.info = texts::kSlogan;
        return details;
    }();
    return parts_ ? parts_->browser.ShowNodeDetails(node) : kNoDatabase;
}

const NodeDetails& Session::tvSelectChannelContextPopup(NodeId nodeUnderMouse) {
    if (parts_ && nodeUnderMouse != kNoNode) parts_->browser.select(nodeUnderMouse);
    return ShowNodeDetails(parts_ ? parts_->browser.selected() : kNoNode);
}

NodeHover Session::tvSelectChannelMouseMove(NodeId node) const {
    const bool channel = parts_ && parts_->browser.tree().IsChannelLeaf(node);
    return {channel ? texts::kInfoChannel : texts::kInfoCategory, channel};
}

std::string_view Session::SpeedChannelMouseMove(int slot) const { return speedChannels_->hoverText(slot); }

// --- the tree, its lists and find

void Session::muCurNodeFullExpandClick() {
    if (parts_) parts_->browser.muCurNodeFullExpandClick();
}
void Session::muCurNodeFullCollapseClick() {
    if (parts_) parts_->browser.muCurNodeFullCollapseClick();
}
void Session::muFullExpandClick() {
    if (parts_) parts_->browser.muFullExpandClick();
}
void Session::muFullCollapseClick() {
    if (parts_) parts_->browser.muFullCollapseClick();
}
void Session::cbFilterChannelChange(int filter) {
    if (parts_) parts_->browser.cbFilterChannelChange(filter);
}
void Session::cbClassDisplayChannelChange(int mode) {
    if (parts_) parts_->browser.cbClassDisplayChannelChange(mode);
}
void Session::actFindChannelExecute() {
    if (parts_) parts_->browser.actFindChannelExecute();
}
void Session::actFindChannelContinueExecute() {
    if (parts_) parts_->browser.actFindChannelContinueExecute();
}
bool Session::FindNextChannel(std::string_view text) {
    return parts_ && parts_->browser.FindNextChannel(text);
}

void Session::rebuildFromDatabase(std::optional<int> ratingFilter, std::optional<int> displayMode) {
    ChannelBrowser& browser = parts().browser;
    if (ratingFilter) {
        if (!isValidRatingFilter(*ratingFilter))
            throw Error("The rating filter must be 0 to " + std::to_string(kFilterChannelCount - 1));
        browser.setRatingFilter(*ratingFilter);
    }
    if (displayMode) {
        if (!isValidDisplayMode(*displayMode))
            throw Error("The display mode must be 0 to " + std::to_string(kClassDisplayChannelCount - 1));
        browser.setDisplayMode(*displayMode);
    }
    browser.RebuildChannelTree(false);
}

NodeId Session::findChannelLeaf(std::string_view name) const {
    const ChannelTree& tree = parts().browser.tree();
    for (NodeId node = tree.nextInTreeOrder(kNoNode); node != kNoNode; node = tree.nextInTreeOrder(node)) {
        if (tree.IsChannelLeaf(node) && tree.text(node) == name) return node;
    }
    return kNoNode;
}

NodeId Session::findNode(std::string_view text) const {
    const ChannelTree& tree = parts().browser.tree();
    for (NodeId node = tree.nextInTreeOrder(kNoNode); node != kNoNode; node = tree.nextInTreeOrder(node)) {
        if (tree.text(node) == text) return node;
    }
    return kNoNode;
}

void Session::select(NodeId node) {
    ChannelBrowser& browser = parts().browser;
    browser.select(node);
    browser.ShowNodeDetails(node);
}

NodeId Session::selectChannelLeaf(std::string_view name) {
    rebuildFromDatabase();
    const NodeId node = findChannelLeaf(name);
    if (node == kNoNode) throw Error("No channel named \"" + std::string(name) + "\" in the channel tree");
    select(node);
    return node;
}

void Session::setPreview(bool preview) {
    preview_ = preview;
    if (parts_) parts_->opener.setPreview(preview);
}

unsigned Session::failedOpens() const { return shell_->failures(); }

std::string Session::selectedText() const {
    const ChannelTree& tree = parts().browser.tree();
    return std::string(tree.text(tree.selected()));
}

// --- commands on the selected channel leaf

// The selected channel's name, copied: a password or question may be shown
// before the name is used, and the tree must not be read by then.
std::optional<std::string> Session::selectedChannelName() const {
    if (!parts_) return std::nullopt;
    const NodeId node = parts_->edits.selectedChannel();
    if (node == kNoNode) return std::nullopt;
    return std::string(parts_->browser.tree().text(node));
}

bool Session::actPlayChannelExecute() {
    const std::optional<std::string> name = selectedChannelName();
    return name && parts_->slotPlayer.actPlayChannelExecute(*name);
}

void Session::actLinkChannelExecute() {
    if (const std::optional<std::string> name = selectedChannelName())
        parts_->opener.actLinkChannelExecute(*name);
}

void Session::actFavoritesChannelExecute() {
    if (parts_) parts_->edits.actFavoritesChannelExecute();
}

void Session::SetChannelRating(int item) {
    if (parts_) parts_->edits.SetChannelRating(item);
}

bool Session::actDeleteChannelExecute() { return parts_ && parts_->edits.actDeleteChannelExecute(); }

bool Session::actLockChannelExecute() { return parts_ && parts_->edits.actLockChannelExecute(); }

void Session::actTestChannelExecute() {
    if (probing_) return;
    if (const std::optional<std::string> name = selectedChannelName())
        parts_->channelTest.actTestChannelExecute(*name);
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
    const ChannelTree& tree = parts().browser.tree();
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
    return parts_ ? channelsBelow(parts_->browser.selected()) : std::vector<std::string>{};
}

std::vector<std::string> Session::channelsInScope(std::string_view scope) {
    std::vector<std::string> names;
    if (scope.starts_with("branch:")) {
        rebuildFromDatabase();
        const ChannelTree& tree = parts().browser.tree();
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

bool Session::muSpeedChannelClick(int slot) {
    const std::optional<std::string> name = selectedChannelName();
    return name && speedChannels_->assign(slot, *name, ui_);
}

// --- commands by channel name

bool Session::playChannel(std::string_view name) {
    rebuildFromDatabase();
    if (const NodeId node = findChannelLeaf(name); node != kNoNode) {
        select(node);
        return actPlayChannelExecute();
    }
    if (parts().store->readChannelAddress(name).name.empty())
        throw Error("No channel named \"" + std::string(name) + "\" in the channel tree");
    return parts_->slotPlayer.actPlayChannelExecute(name);
}

bool Session::setChannelFavorite(std::string_view name, bool favourite) {
    return parts().edits.SetChannelFavorite(selectChannelLeaf(name), favourite ? 1 : 0);
}

bool Session::setChannelLocked(std::string_view name, bool locked) {
    return parts().edits.setChannelLocked(selectChannelLeaf(name), locked ? 1 : 0);
}

std::string Session::channelCountLine() { return kw::channelCountLine(*parts().store); }

std::vector<std::string> Session::channelNames(int ratingFilter) {
    if (!isValidRatingFilter(ratingFilter))
        throw Error("The rating filter must be 0 to " + std::to_string(kFilterChannelCount - 1));
    std::vector<std::string> names;
    parts().store->forEachListedChannel(
        ratingFilter, [&](const ChannelListing& channel) { names.push_back(channel.name); });
    return names;
}

// --- speed-channel slots and sets

void Session::SpeedChannelClick(int slot) { parts().slotPlayer.SpeedChannelClick(slot); }

void Session::SpeedChannelSaveClick() { speedChannelSet_->SpeedChannelSaveClick(); }

void Session::SpeedChannelOpenClick() { speedChannelSet_->SpeedChannelOpenClick(); }

void Session::loadSpeedChannelSet() { speedChannelSet_->loadAtStartup(); }

void Session::saveChangedSpeedChannels() {
    if (speedChannels_->dirty()) speedChannelSet_->saveOnExit();
}

// --- settings and skins

int Session::confirmLockMode(std::optional<int> chosenRadio) {
    Parts& open = parts();
    const int mode = open.childLock.confirmLockMode(chosenRadio);
    open.browser.setLockMode(mode);
    return mode;
}

std::string Session::readSetting(std::string_view section, std::string_view key,
                                 std::string_view fallback) const {
    return ProfileFile(settings_.path()).readText(section, key, fallback);
}

void Session::writeSetting(std::string_view section, std::string_view key, std::string_view value) {
    ProfileFile(settings_.path()).writeText(section, key, value);
}

std::vector<std::string> Session::skinNames() const {
    return kw::skinNames(ProfileFile(skinListPath(programDir_)));
}

void Session::ApplySkin(std::string_view name, const std::function<void(const Skin&)>& paint) {
    const Skin skin = readSkin(ProfileFile(skinListPath(programDir_)), name, programDir_);
    paint(skin);
    currentSkinName_ = name;
    settings_.setLastSkinName(name);
}

bool Session::isCurrentSkin(std::string_view name) const {
    return ascii::equalIgnoringCase(name, currentSkinName_);
}

// --- channel entry and exchange, compaction.

ChannelExchange& Session::exchange() { return parts().exchange; }

bool Session::exchangeRunning() { return parts_ && parts_->exchange.running(); }

bool Session::actExportUserChannel() {
    return parts_ && !exchangeRunning() && exchange().actExportUserChannel();
}

bool Session::actUserBatchAddChannel() {
    return parts_ && !exchangeRunning() && exchange().actUserBatchAddChannel();
}

bool Session::actPackMDB() {
    if (!parts_ || exchangeRunning() || browser().busy()) return false;
    ChannelStore& channels = store();
    const bool wasOpen = channels.isOpen();
    channels.close();
    bool compacted = true;
    try {
        CompactDatabaseFile(channels.file());
    } catch (const Error& error) {
        ui_.ShowMessage(error.what());
        compacted = false;
    }
    if (wasOpen) channels.reopen();
    return compacted;
}

// --- the database file's health.

void Session::beginDatabaseCheck() {
    databaseCheck_ = std::make_unique<DatabaseCheckAhead>(programDir_ / ChannelStore::kFileName);
}

bool Session::finishDatabaseCheck() {
    if (!databaseCheck_ || !databaseCheck_->ready()) return !databaseCheck_;
    if (parts_ && (exchangeRunning() || browser().busy())) return false;
    const DatabaseCheck check = databaseCheck_->take();
    databaseCheck_.reset();
    // A file that is no database at all was reported by the start itself.
    if (check.sound || !check.readable) return true;
    std::string question = std::string(repair_texts::kDamaged) + "\r\n";
    for (const std::string& problem : check.problems) question += "\r\n" + problem;
    question += "\r\n\r\n" + std::string(repair_texts::kAskRepair);
    if (ui_.AskYesNo(kAppTitle, question)) repairDatabase();
    return true;
}

DatabaseCheck Session::checkDatabase() const {
    return checkDatabaseFile(programDir_ / ChannelStore::kFileName);
}

bool Session::repairDatabase() {
    if (parts_ && (exchangeRunning() || browser().busy())) return false;
    const bool wasOpen = parts_ && store().isOpen();
    if (wasOpen) store().close();
    bool repaired = true;
    try {
        const DatabaseRepair repair = repairDatabaseFile(programDir_ / ChannelStore::kFileName);
        std::string report = describeRepair(repair);
        if (!checkDatabase().sound) report += "\r\n" + std::string(repair_texts::kStillDamaged);
        ui_.ShowMessage(report);
    } catch (const Error& error) {
        ui_.ShowMessage(error.what());
        repaired = false;
    }
    if (wasOpen) {
        store().reopen();
        browser().RebuildChannelTree(false);
    }
    return repaired;
}

void Session::keepDatabaseLocks() {
    if (!parts_ || !store().isOpen()) return;
    try {
        store().retakeLostLocks();
    } catch (const Error&) {
        // A file that cannot be opened again is reported by the next command
        // that uses it, not by a timer every few seconds.
    }
}

// --- the options window.

bool Session::beginOptions(int page) {
    // Without a database there is nothing the options could show or change.
    if (!parts_) return false;
    if (optionsOpen_) {
        ui_.ShowMessage(kOptionsOpenRefusal);
        return false;
    }
    (void)page;
    optionsOpen_ = true;
    cancelMark_ = false;
    return true;
}

std::unique_ptr<ChannelForm> Session::makeChannelForm(int page) {
    return std::make_unique<ChannelForm>(store(), exchange(), browser(), ui_, programDir_, page, cancelMark_);
}

std::optional<std::string> Session::channelToEdit() { return selectedChannelName(); }

Session::SetupValues Session::readSetupValues() {
    SetupValues values;
    values.autoPlayLastChannel = settings_.isAutoPlayLastChannel();
    values.hideOnDeactive = settings_.isHideOnDeactive();
    values.sndrec = settings_.sndrec();
    values.lockRadio = ChildLock::radioForMode(parts().childLock.lockMode());
    return values;
}

void Session::spSetupOKClick(const SetupValues& values,
                             const std::function<void(bool)>& bindHideOnDeactivate) {
    settings_.setAutoPlayLastChannel(values.autoPlayLastChannel);
    settings_.setHideOnDeactive(values.hideOnDeactive);
    settings_.setSndrec(text::trimBlanks(values.sndrec));
    confirmLockMode(values.lockRadio);
    if (bindHideOnDeactivate) bindHideOnDeactivate(values.hideOnDeactive);
}

void Session::btnSetLockedChannelPasswordClick() { parts().childLock.changePassword(); }

Session::AboutValues Session::aboutValues() const {
    return {settings_.verDat(), settings_.authorHomePage(), settings_.authorEmail()};
}

std::string Session::aboutChannelCount() { return channelCountLine(); }

void Session::endOptions(int page, ChannelForm* form) {
    optionsOpen_ = false;
    bool rebuild = false;
    if (page == 0) {
        rebuild = !cancelMark_;
    } else if (page == ChannelForm::kPageAdd || page == ChannelForm::kPageEdit) {
        rebuild = form != nullptr ? form->finish() : !cancelMark_;
    }
    if (rebuild) browser().applyPendingChanges();
}

// --- playlists in and out.

PlaylistExchange::ImportReport Session::importPlaylist(const std::filesystem::path& file,
                                                       const PlaylistExchange::ImportOptions& options) {
    PlaylistExchange playlists(exchange(), store(), ui_, yield_);
    PlaylistExchange::ImportReport report;
    try {
        report = playlists.importPlaylist(file, options);
    } catch (const Error&) {
        // What was stored before the error stays, so the tree shows it.
        if (!options.dryRun) browser().applyPendingChanges();
        throw;
    }
    if (!options.dryRun) browser().applyPendingChanges();
    return report;
}

bool Session::actImportPlaylist(const std::string& file) {
    if (!parts_ || exchangeRunning() || browser().busy()) return false;
    std::string chosen = file;
    if (chosen.empty()) {
        const std::optional<std::string> answer = ui_.ChooseOpenFile(
            {"请选择要导入的播放列表", std::string(PlaylistExchange::kOpenFilter), "", programDir_.string()});
        if (!answer) return false;
        chosen = *answer;
    }
    try {
        const PlaylistExchange::ImportReport report = importPlaylist(chosen, {});
        ui_.ShowMessageWithDetails(PlaylistExchange::describe(report),
                                   PlaylistExchange::describeDetails(report));
    } catch (const Error& error) {
        ui_.ShowError(error.what());
        return false;
    }
    return true;
}

PlaylistExchange::ExportReport Session::exportPlaylist(const std::filesystem::path& file,
                                                       PlaylistExchange::ExportRequest request,
                                                       const std::optional<std::string>& password) {
    if (exchangeRunning()) throw Error("批量自添正在进行，请等它结束。");
    ChildLock& lock = parts().childLock;
    request.unlock = [&lock, &password] {
        if (!lock.asksPassword()) return true;
        if (password) return *password == lock.password();
        return lock.askPassword(PasswordPurpose::UnlockOrPlay);
    };
    PlaylistExchange playlists(exchange(), store(), ui_, yield_);
    return playlists.exportPlaylist(file, request);
}

}  // namespace kw
