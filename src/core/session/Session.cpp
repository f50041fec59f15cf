#include "core/session/Session.h"

#include "core/actions/AdvertisementRoll.h"
#include "core/actions/ChannelEdits.h"
#include "core/actions/ChannelOpener.h"
#include "core/actions/ChannelTest.h"
#include "core/actions/ChildLock.h"
#include "core/actions/ComputerKey.h"
#include "core/actions/ShellOpen.h"
#include "core/base/Error.h"
#include "core/base/TextCodec.h"
#include "core/browser/ChannelBrowser.h"
#include "core/exchange/ChannelExchange.h"
#include "core/exchange/ChannelForm.h"
#include "core/ports/UiPort.h"
#include "core/settings/AboutPage.h"
#include "core/speed/SlotPlayer.h"
#include "core/speed/SpeedChannelSet.h"
#include "core/speed/SpeedChannels.h"
#include "core/store/ChannelStore.h"
#include "core/store/Compaction.h"

#include <chrono>
#include <random>
#include <stdexcept>

namespace kw {

// The subsystems that stand on an open database.
struct Session::Parts {
    Parts(std::unique_ptr<ChannelStore> openedStore, Session& session)
        : store(std::move(openedStore)),
          childLock(*store, session.ui_, computerKey()),
          browser(*store, session.programDir_, session.ui_, session.yield_),
          opener(*store, session.settings_, childLock, *session.shell_, *session.advertisement_, session.ui_),
          slotPlayer(opener, *session.speedChannels_),
          channelTest(*store, session.ui_),
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
      advertisement_(std::make_unique<AdvertisementRoll>(ui_)) {}

Session::~Session() = default;

void Session::openDatabase() {
    finishInterruptedCompaction(programDir_ / ChannelStore::kFileName);
    parts_ = std::make_unique<Parts>(ChannelStore::open(programDir_ / ChannelStore::kFileName), *this);
    parts_->settingsRow = parts_->store->readSettingsRow();
    parts_->childLock.load(parts_->settingsRow);
    parts_->browser.setLockMode(parts_->childLock.lockMode());
}

void Session::readListPositionsAndHomePage() {
    parts_->browser.setRatingFilter(settings_.filterChannelIndex());
    parts_->browser.setDisplayMode(settings_.classDisplayChannelIndex());
    shell_->setHomePage(settings_.homePageUrl());
}

void Session::open() {
    openDatabase();
    readListPositionsAndHomePage();
}

bool Session::start(const StartupHooks& hooks) {
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
        parts_->browser.RebuildChannelTree(true);
        if (hooks.showNews) hooks.showNews();
        advertisement_->start(AdvertisementRoll::frequencyFrom(parts_->settingsRow));
        return true;
    } catch (const Error& error) {
        ui_.ShowError(error.what());
        return false;
    }
}

void Session::exit() {
    const auto step = [this](auto&& action) {
        try {
            action();
        } catch (const Error& error) {
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

namespace {
template <typename Part>
Part& require(Part* part) {
    if (!part) throw Error("The channel database is not open.");
    return *part;
}
}  // namespace

ChannelStore& Session::store() { return require(parts_ ? parts_->store.get() : nullptr); }
ChannelBrowser& Session::browser() { return require(parts_ ? &parts_->browser : nullptr); }
ChildLock& Session::childLock() { return require(parts_ ? &parts_->childLock : nullptr); }
ChannelOpener& Session::opener() { return require(parts_ ? &parts_->opener : nullptr); }
ChannelTest& Session::channelTest() { return require(parts_ ? &parts_->channelTest : nullptr); }
AdvertisementRoll& Session::advertisement() { return *advertisement_; }
ShellOpener& Session::shell() { return *shell_; }
SpeedChannels& Session::speedChannels() { return *speedChannels_; }
SpeedChannelSet& Session::speedChannelSet() { return *speedChannelSet_; }
ChannelEdits& Session::edits() { return require(parts_ ? &parts_->edits : nullptr); }

// The selected channel's name, copied: a password or question may be shown
// before the name is used, and the tree must not be read by then.
std::optional<std::string> Session::selectedChannelName() {
    const NodeId node = edits().selectedChannel();
    if (node == kNoNode) return std::nullopt;
    return std::string(browser().tree().text(node));
}

bool Session::actPlayChannelExecute() {
    const std::optional<std::string> name = selectedChannelName();
    return name && parts_->slotPlayer.actPlayChannelExecute(*name);
}

void Session::actLinkChannelExecute() {
    if (const std::optional<std::string> name = selectedChannelName()) opener().actLinkChannelExecute(*name);
}

void Session::actFavoritesChannelExecute() { edits().actFavoritesChannelExecute(); }

void Session::SetChannelRating(int item) { edits().SetChannelRating(item); }

bool Session::actDeleteChannelExecute() { return edits().actDeleteChannelExecute(); }

bool Session::actLockChannelExecute() { return edits().actLockChannelExecute(); }

void Session::actTestChannelExecute() {
    if (const std::optional<std::string> name = selectedChannelName())
        channelTest().actTestChannelExecute(*name);
}

bool Session::muSpeedChannelClick(int slot) {
    const std::optional<std::string> name = selectedChannelName();
    return name && speedChannels_->assign(slot, *name, ui_);
}

void Session::SpeedChannelClick(int slot) { require(parts_.get()).slotPlayer.SpeedChannelClick(slot); }

int Session::confirmLockMode(std::optional<int> chosenRadio) {
    const int mode = childLock().confirmLockMode(chosenRadio);
    browser().setLockMode(mode);
    return mode;
}

// --- channel entry and exchange, compaction.

ChannelExchange& Session::exchange() { return require(parts_ ? &parts_->exchange : nullptr); }

bool Session::exchangeRunning() { return parts_ && parts_->exchange.running(); }

bool Session::actExportUserChannel() { return !exchangeRunning() && exchange().actExportUserChannel(); }

bool Session::actUserBatchAddChannel() { return !exchangeRunning() && exchange().actUserBatchAddChannel(); }

bool Session::actPackMDB() {
    if (exchangeRunning() || browser().busy()) return false;
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

// --- the options window.

bool Session::beginOptions(int page) {
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
    return std::make_unique<ChannelForm>(store(), exchange(), ui_, programDir_, page, cancelMark_);
}

std::optional<std::string> Session::channelToEdit() { return selectedChannelName(); }

Session::SetupValues Session::readSetupValues() {
    SetupValues values;
    values.autoPlayLastChannel = settings_.isAutoPlayLastChannel();
    values.hideOnDeactive = settings_.isHideOnDeactive();
    values.sndrec = settings_.sndrec();
    values.lockRadio = ChildLock::radioForMode(childLock().lockMode());
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

std::string Session::aboutChannelCount() { return channelCountLine(store()); }

void Session::endOptions(int page, ChannelForm* form) {
    optionsOpen_ = false;
    bool rebuild = false;
    if (page == 0) {
        rebuild = !cancelMark_;
    } else if (page == ChannelForm::kPageAdd || page == ChannelForm::kPageEdit) {
        rebuild = form != nullptr ? form->finish() : !cancelMark_;
    }
    if (rebuild) browser().RebuildChannelTree(false);
}

}  // namespace kw
