#include "core/store/DatabaseRepair.h"

#include "core/base/Error.h"
#include "core/store/Compaction.h"
#include "core/store/Statement.h"
#include "core/store/StatementCatalogue.h"
#include "core/store/TextCollation.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <thread>

namespace kw {
namespace {

namespace fs = std::filesystem;

class Connection {
public:
    Connection(const fs::path& file, int flags) {
        const int rc = sqlite3_open_v2(file.c_str(), &db_, flags, nullptr);
        if (rc != SQLITE_OK) {
            const std::string message = db_ != nullptr ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
            sqlite3_close_v2(db_);
            throw Error(message + " (" + file.string() + ")");
        }
        registerTextCollation(db_);
    }
    ~Connection() { sqlite3_close_v2(db_); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    sqlite3* get() const { return db_; }
    void exec(std::string_view text) const { Statement(db_, text).execute(); }

private:
    sqlite3* db_ = nullptr;
};

DatabaseCheck integrityCheck(sqlite3* db) {
    DatabaseCheck check;
    Statement lines(db, "pragma integrity_check(" + std::to_string(DatabaseCheck::kMaxProblems) + ")");
    while (lines.step()) {
        std::string line = lines.bytes(0);
        if (line == "ok") continue;
        check.sound = false;
        check.problems.push_back(std::move(line));
    }
    return check;
}

fs::path freeDamagedName(const fs::path& databaseFile) {
    const std::string base = databaseFile.string() + ".damaged";
    std::error_code error;
    for (int n = 1;; ++n) {
        fs::path candidate(n == 1 ? base : base + std::to_string(n));
        if (!fs::exists(fs::symlink_status(candidate, error))) return candidate;
    }
}

// A page-for-page copy through the engine: the damage is kept as it is.
void copyPages(sqlite3* source, const fs::path& target) {
    Connection copy(target, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    sqlite3_backup* backup = sqlite3_backup_init(copy.get(), "main", source, "main");
    if (backup == nullptr) throw Error(sqlite3_errmsg(copy.get()));
    const int rc = sqlite3_backup_step(backup, -1);
    sqlite3_backup_finish(backup);
    if (rc != SQLITE_DONE) throw Error(std::string(sqlite3_errstr(rc)) + " (" + target.string() + ")");
}

// Every row the scan can read, in order, until the first it cannot.
std::int64_t copyReadableRows(sqlite3* source, const fs::path& fresh) {
    {
        Connection target(fresh, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        target.exec(sql::kCreateChannelInfo);
        target.exec(sql::kCreateNameIndex);
        for (const std::string_view statement : sql::kCreateChannelStatus)
            target.exec(std::string(statement));
        for (const std::string_view statement : sql::kCreateSourceTables) target.exec(std::string(statement));
        target.exec("pragma user_version=" + std::to_string(sql::kSchemaVersion));
    }
    Statement attach(source, "attach :sqlsFile as fresh");
    const std::string name = fresh.string();
    attach.bindText(":sqlsFile", name);
    attach.execute();
    std::int64_t copied = 0;
    try {
        const std::string columns(sql::kAllColumns);
        Statement rows(source, "select rowid from main.ChannelInfo order by rowid");
        Statement insert(source, "insert or ignore into fresh.ChannelInfo (" + columns + ") select " +
                                     columns + " from main.ChannelInfo where rowid = :sqliID");
        Statement(source, "begin").execute();
        try {
            while (rows.step()) {
                insert.bindInt(":sqliID", rows.integer64(0));
                insert.execute();
                insert.reset();
                ++copied;
            }
        } catch (const Error&) {
            // The scan ends at the first page it cannot read; what came before stays.
        }
        rows.reset();
        // Where the channels came from, and the subscriptions, are what a
        // refresh of their sources needs; whatever of them can still be read is carried.
        sqlite3_exec(source,
                     "insert or ignore into fresh.ChannelSource select "
                     "src_Name,src_Source,src_EntryId,src_Seen,src_GoneSince "
                     "from main.ChannelSource where src_Name in (select ci_Name from fresh.ChannelInfo)",
                     nullptr, nullptr, nullptr);
        sqlite3_exec(source, "insert or ignore into fresh.Subscription select * from main.Subscription",
                     nullptr, nullptr, nullptr);
        Statement(source, "commit").execute();
    } catch (...) {
        sqlite3_exec(source, "rollback", nullptr, nullptr, nullptr);
        sqlite3_exec(source, "detach fresh", nullptr, nullptr, nullptr);
        throw;
    }
    Statement(source, "detach fresh").execute();
    return copied;
}

}  // namespace

DatabaseCheck checkDatabaseFile(const fs::path& databaseFile) {
    std::unique_ptr<Connection> connection;
    try {
        connection = std::make_unique<Connection>(databaseFile, SQLITE_OPEN_READONLY);
        return integrityCheck(connection->get());
    } catch (const Error& error) {
        // Damage the check itself trips over is still damage a repair may mend.
        const bool corrupt = connection && (sqlite3_errcode(connection->get()) & 0xFF) == SQLITE_CORRUPT;
        return DatabaseCheck{false, corrupt, {error.what()}};
    }
}

DatabaseCheckAhead::DatabaseCheckAhead(const fs::path& databaseFile)
    : result_(std::async(std::launch::async, [databaseFile] { return checkDatabaseFile(databaseFile); })) {}

bool DatabaseCheckAhead::ready() const {
    return result_.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

DatabaseCheck DatabaseCheckAhead::take() { return result_.get(); }

DatabaseRepair repairDatabaseFile(const fs::path& databaseFile) {
    DatabaseRepair repair;
    // Exclusive, as for compaction: the first read takes the lock, or fails
    // while another program holds the file open.
    Connection source(databaseFile, SQLITE_OPEN_READWRITE);
    source.exec("pragma locking_mode=EXCLUSIVE");
    try {
        source.exec("select count(*) from sqlite_master");
    } catch (const Error& error) {
        if (sqlite3_errcode(source.get()) == SQLITE_BUSY)
            throw Error(std::string(compaction_texts::kInUse) + " (" + databaseFile.string() + ")");
        throw;
    }
    repair.damagedCopy = freeDamagedName(databaseFile);
    copyPages(source.get(), repair.damagedCopy);

    try {
        source.exec("reindex");
        if (integrityCheck(source.get()).sound) {
            repair.reindexed = true;
            return repair;
        }
    } catch (const Error&) {
        // Damage beyond the indexes: the rows are copied instead.
    }
    const fs::path fresh = databaseFile.parent_path() / kCompactionFileName;
    removeTemporaryDatabase(fresh);
    try {
        repair.rowsCopied = copyReadableRows(source.get(), fresh);
        // Nothing of the old file's log may stay beside the new file, where
        // it would be replayed into it.
        source.exec("pragma wal_checkpoint(TRUNCATE)");
        if (::rename(fresh.c_str(), databaseFile.c_str()) != 0)
            throw Error(std::string(std::strerror(errno)) + " (" + databaseFile.string() + ")");
    } catch (...) {
        removeTemporaryDatabase(fresh);
        throw;
    }
    return repair;
}

std::string describeRepair(const DatabaseRepair& repair) {
    std::string text = repair.reindexed
                           ? std::string(repair_texts::kReindexed)
                           : std::string(repair_texts::kCopiedBefore) + std::to_string(repair.rowsCopied) +
                                 std::string(repair_texts::kCopiedAfter);
    return text + "\r\n" + std::string(repair_texts::kKeptCopy) + repair.damagedCopy.string();
}

}  // namespace kw
