#include "core/session/DatabaseCare.h"

#include "core/base/Error.h"
#include "core/browser/ChannelBrowser.h"
#include "core/exchange/ChannelExchange.h"
#include "core/ports/UiPort.h"
#include "core/session/AppTexts.h"
#include "core/store/ChannelStore.h"
#include "core/store/Compaction.h"

namespace kw {

DatabaseCare::DatabaseCare(ChannelStore& store, ChannelBrowser& browser, const ChannelExchange& exchange,
                           UiPort& ui, RandomSource random)
    : store_(store), browser_(browser), exchange_(exchange), ui_(ui), random_(std::move(random)) {}

DatabaseCare::~DatabaseCare() = default;

bool DatabaseCare::busy() const { return exchange_.running() || browser_.busy(); }

bool DatabaseCare::actPackMDB() {
    if (!store_.wasOpened() || busy()) return false;
    const bool wasOpen = store_.isOpen();
    store_.close();
    bool compacted = true;
    try {
        CompactDatabaseFile(store_.file());
    } catch (const Error& error) {
        ui_.ShowMessage(error.what());
        compacted = false;
    }
    if (wasOpen) store_.reopen();
    return compacted;
}

void DatabaseCare::packOnLuckyDraw() {
    if (random_(kPackDrawRange) == kPackDrawHit) actPackMDB();
}

void DatabaseCare::beginDatabaseCheck() { check_ = std::make_unique<DatabaseCheckAhead>(store_.file()); }

bool DatabaseCare::finishDatabaseCheck() {
    if (!check_ || !check_->ready()) return !check_;
    if (store_.isOpen() && busy()) return false;
    const DatabaseCheck check = check_->take();
    check_.reset();
    // A file that is no database at all was reported by the start itself.
    if (check.sound || !check.readable) return true;
    std::string question = std::string(repair_texts::kDamaged) + "\r\n";
    for (const std::string& problem : check.problems) question += "\r\n" + problem;
    question += "\r\n\r\n" + std::string(repair_texts::kAskRepair);
    if (ui_.AskYesNo(kAppTitle, question)) repairDatabase();
    return true;
}

DatabaseCheck DatabaseCare::checkDatabase() const { return checkDatabaseFile(store_.file()); }

bool DatabaseCare::repairDatabase() {
    const bool wasOpen = store_.isOpen();
    if (wasOpen && busy()) return false;
    if (wasOpen) store_.close();
    bool repaired = true;
    try {
        const DatabaseRepair repair = repairDatabaseFile(store_.file());
        std::string report = describeRepair(repair);
        if (!checkDatabase().sound) report += "\r\n" + std::string(repair_texts::kStillDamaged);
        ui_.ShowMessage(report);
    } catch (const Error& error) {
        ui_.ShowMessage(error.what());
        repaired = false;
    }
    if (wasOpen) {
        store_.reopen();
        browser_.RebuildChannelTree(false);
    }
    return repaired;
}

void DatabaseCare::keepDatabaseLocks() {
    if (!store_.isOpen()) return;
    try {
        store_.retakeLostLocks();
    } catch (const Error&) {
        // A file that cannot be opened again is reported by the next command
        // that uses it, not by a timer every few seconds.
    }
}

}  // namespace kw
