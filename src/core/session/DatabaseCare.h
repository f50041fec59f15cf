#pragma once

#include "core/base/Environment.h"
#include "core/store/DatabaseRepair.h"

#include <filesystem>
#include <functional>
#include <memory>

namespace kw {

class ChannelBrowser;
class ChannelExchange;
class ChannelStore;
class UiPort;

// The channel database file's health: compaction, the engine's check of the
// file (begun on a thread of its own at start, so that the window does not
// wait), repair, and keeping the connection's locks. None of them runs while
// a build, batch add or an import runs.
class DatabaseCare {
public:
    DatabaseCare(ChannelStore& store, ChannelBrowser& browser, const ChannelExchange& exchange, UiPort& ui,
                 RandomSource random);
    ~DatabaseCare();
    DatabaseCare(const DatabaseCare&) = delete;
    DatabaseCare& operator=(const DatabaseCare&) = delete;

    // Compaction: closes the connection, compacts the file, restores the
    // connection as it was; the engine's message on failure, nothing on success.
    // Returns whether the file was compacted.
    bool actPackMDB();
    // The exit's roll: a draw from 0 to 49 compacts on 8.
    static constexpr int kPackDrawRange = 50;
    static constexpr int kPackDrawHit = 8;
    void packOnLuckyDraw();

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
    // runs this on a timer, so that a second program never meets a
    // connection without locks for long.
    void keepDatabaseLocks();

private:
    bool busy() const;

    ChannelStore& store_;
    ChannelBrowser& browser_;
    const ChannelExchange& exchange_;
    UiPort& ui_;
    RandomSource random_;
    std::unique_ptr<DatabaseCheckAhead> check_;
};

}  // namespace kw
