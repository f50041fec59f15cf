#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace kw {

// The user's own channels are the rows of group 2 with volume "User": the
// ones add, batch add and playlist import write.
inline constexpr int kUserChannelGroup = 2;
inline constexpr std::string_view kUserChannelVol = "User";
constexpr bool isUserChannel(int groupId, std::string_view vol) {
    return groupId == kUserChannelGroup && vol == kUserChannelVol;
}

// A channel's last check as the database keeps it.
struct StoredCheck {
    int status = 0;  // 0 unknown, 1 reachable, 2 smooth
    std::string reasonCode;
    std::int64_t checkedAt = 0;  // seconds since 1970
    std::int64_t answerMs = -1;  // -1 without an answer
    std::int64_t kbitPerSecond = 0;
    int failures = 0;               // failed checks in a row
    std::int64_t lastGood = 0;      // 0 when never good
    std::int64_t failingSince = 0;  // the first check of the failures in a row; 0 while good
};

// Where a channel that came from outside came from: the playlist file or
// address it was read from, and that source's stable id of its entry.
struct ChannelOrigin {
    std::string source;
    std::string entryId;
    // What the source said of the entry when last read, to tell a later change.
    std::string seen;
    // Since when the source no longer has the entry; 0 while it has it.
    std::int64_t goneSince = 0;
    bool operator==(const ChannelOrigin&) const = default;
};

// One channel of a source, as a refresh of the source finds it.
struct SourceEntry {
    std::string entryId;
    std::string name;
    std::string seen;
    std::int64_t goneSince = 0;
};

// A source that is read again on refresh: a playlist fetched from an address.
struct SubscriptionRow {
    std::string name;
    std::string address;
    std::string class0;        // the main category its channels go under; empty chooses per entry
    std::int64_t addedAt = 0;  // seconds since 1970
};

// One check to keep: the outcome of a probe of the named channel at `at`.
struct CheckToRecord {
    std::string name;
    int status = 0;
    std::string_view reasonCode;
    std::int64_t at = 0;
    std::int64_t answerMs = -1;
    std::int64_t kbitPerSecond = 0;
};

// Columns of a channel row as the listing statements return them.
// Texts are UTF-8 and untrimmed, exactly as stored.
struct ChannelListing {
    std::string class0, class1, class2, class3, name, vol;
    int favorited = 0;
    int locked = 0;
};

// The columns of a listing that a pass reads besides the main category, name
// and flags; the others stay empty. A column costs about a tenth of a pass.
struct ListedColumns {
    bool class1 = true;
    bool class2 = true;
    bool class3 = true;
    bool vol = true;
};

// What the details panel reads. A missing row reads as empty text and 0.
struct ChannelDetails {
    std::int64_t id = 0;
    int rating = 0;
    std::string memo;
    int groupId = 0;
    std::string type, speed;
    int favorited = 0;
    std::string vol;
    int locked = 0;
};

// What a play or related-site visit reads. `scrambledUrl` holds the stored
// bytes; `type` is the stream format, which tells a web page from a stream.
struct ChannelAddress {
    std::string scrambledUrl;
    std::string name;
    std::string link;
    int locked = 0;
    std::string type;
};

// What placing one channel in the tree reads.
struct ChannelPlacement {
    std::string class0, class1, class2, class3;
    int favorited = 0;
    std::string vol;
};

// The settings row: group 0. `scrambledType` is the child-lock password
// under the computer key, `scrambledSpeed` the advertisement frequency under
// this row's `name`.
struct SettingsRow {
    std::string name;
    std::string scrambledUrl;
    std::string scrambledType;
    std::string scrambledSpeed;
    int rating = 0;
    int favorited = 0;
    int locked = 0;
};

// A channel's editable columns. `scrambledUrl`
// holds the bytes of ScrambleText under `name`.
struct ChannelRecord {
    std::string class0, class1, class2, class3;
    std::string name;
    std::string scrambledUrl;
    std::string link, memo, type, speed;
};

// The channel database `Kestrelwave.dll`: one SQLite connection, held for the
// whole run, and one method per statement of the catalogue. Every method runs
// its catalogue statement verbatim with named parameters. Errors throw
// kw::Error with SQLite's own message (with the file's path on open).
// The file runs in WAL mode: while open, `Kestrelwave.dll-wal` and `-shm`
// sit beside it; close() folds the log back into the file and removes them.
// Channel rows read their lock as 1 for any value but 0 or NULL, so a damaged
// value never opens the child lock. Channel lookups by name never find the
// settings row.
class ChannelStore {
public:
    static constexpr std::string_view kFileName = "Kestrelwave.dll";
    // The lock file is the database's name with the extension .ldb.
    static constexpr std::string_view kLockFileName = "Kestrelwave.ldb";

    // The one sentence every write gives on a read-only catalogue.
    static constexpr std::string_view kReadOnlyCatalogue = "频道数据库是只读的，只能浏览和播放，不能修改。";
    // What a stored channel name may not hold: control characters (CR, LF,
    // TAB, ...) would break the settings file's lines and the tree cache.
    static constexpr std::string_view kNameWithControlCharacter = "频道名称不能包含换行、制表符等控制字符。";

    enum class Access { Detect, ReadOnly };

    // Opens an existing database file; never creates, overwrites or truncates
    // anything. Creates the lock file beside it while open; a folder that
    // refuses the lock file does not stop the open (SQLite locks by itself).
    // A file that cannot be written (its mode, its folder, a read-only
    // medium), or Access::ReadOnly, opens read-only: reads work, writes throw
    // kReadOnlyCatalogue, and nothing is left beside the file.
    static std::unique_ptr<ChannelStore> open(const std::filesystem::path& databaseFile,
                                              Access access = Access::Detect);

    // A store of an existing database file that is not open yet; reopen()
    // opens it as open() does.
    static std::unique_ptr<ChannelStore> unopened(const std::filesystem::path& databaseFile);
    // What a command that needs the database says before it is open.
    static constexpr std::string_view kNotOpen = "The channel database is not open.";

    // Whether `name` may be stored: no byte below 0x20 and no DEL.
    static bool isStorableName(std::string_view name);

    // Creates a new database file with the table and one settings row. Fails
    // when the file exists.
    static std::unique_ptr<ChannelStore> create(const std::filesystem::path& databaseFile,
                                                const SettingsRow& settings);

    ~ChannelStore();
    ChannelStore(const ChannelStore&) = delete;
    ChannelStore& operator=(const ChannelStore&) = delete;

    const std::filesystem::path& file() const;

    // Closes the connection (and removes the lock file); reopen() opens it
    // again. Compaction needs the file to itself: after close() the file is
    // complete on its own. Not allowed from inside a forEach visit.
    void close();
    void reopen();
    bool isOpen() const;
    // Whether it has been open at all: a store closed for the compaction, or
    // by its user, still counts.
    bool wasOpened() const;
    bool isReadOnly() const;
    // Every write first checks that this process still holds its locks on
    // the file and, when some other code of the process dropped them (by
    // closing a descriptor of the file), opens the connection again before
    // writing. This runs the same check at any other moment (a timer of the
    // window); returns whether the connection was opened again.
    bool retakeLostLocks();

    SettingsRow readSettingsRow();
    // Every channel when ratingFilter is 0, else those of that rating. Rows in the engine's order.
    void forEachListedChannel(int ratingFilter, const std::function<void(const ChannelListing&)>& visit,
                              ListedColumns columns = {});
    // The row forEachListedChannel would visit for this name, if any.
    std::optional<ChannelListing> findListedChannel(std::string_view name, int ratingFilter);
    // Whether some channel's name is empty or has blanks or control
    // characters at either end. Reads the whole table.
    bool hasIrregularNames();
    ChannelDetails readChannelDetails(std::string_view name);
    ChannelAddress readChannelAddress(std::string_view name);
    void setFavorited(std::string_view name, int favorited);
    ChannelPlacement readChannelPlacement(std::string_view name);
    void deleteChannel(std::string_view name);

    // Keeps the checks, all in one transaction (or the caller's).
    void recordChecks(const std::vector<CheckToRecord>& checks);
    std::optional<StoredCheck> readCheck(std::string_view name);
    // Remembers where the named channel came from (nothing for a name no
    // channel has, or in a read-only file); a rename carries it, a delete drops it.
    // The origin's seen text is kept, its gone mark cleared.
    void recordOrigin(std::string_view name, const ChannelOrigin& origin);
    std::optional<ChannelOrigin> readOrigin(std::string_view name);
    // Every channel that came from source, in no order.
    void forEachEntryOf(std::string_view source, const std::function<void(const SourceEntry&)>& visit);
    // The source has the named channel's entry again, under entryId, as `seen` says.
    void seeEntryAgain(std::string_view name, std::string_view entryId, std::string_view seen);
    // The source no longer has the named channel's entry, since `at` (kept when already marked).
    void markEntryGone(std::string_view name, std::int64_t at);
    void forgetGoneMarks(std::string_view source);
    void forEachGoneChannel(const std::function<void(std::string_view name)>& visit);
    std::vector<SubscriptionRow> readSubscriptions();
    // Throws kw::Error when the name or the address is taken.
    void addSubscription(const SubscriptionRow& subscription);
    void removeSubscription(std::string_view address);
    // Every channel whose last minFailures checks or more failed.
    void forEachFailingChannel(int minFailures,
                               const std::function<void(std::string_view name, const StoredCheck&)>& visit);
    // Up to limit channels whose last check, before `before`, was their first
    // failure in a row; oldest first.
    std::vector<std::string> channelsFailedOnceBefore(std::int64_t before, std::size_t limit);
    // Up to limit channels whose last check was before `before`; oldest first.
    std::vector<std::string> channelsCheckedBefore(std::int64_t before, std::size_t limit);
    // The never-checked channels, with their ids, among the next `window`
    // channel rows after the id afterId, and the id to go on after (none at
    // the table's end).
    struct UncheckedStretch {
        std::vector<std::pair<std::int64_t, std::string>> channels;
        std::optional<std::int64_t> nextAfterId;
    };
    UncheckedStretch uncheckedChannelsAfter(std::int64_t afterId, std::size_t window);
    void setRating(std::string_view name, int rating);
    void setLocked(std::string_view name, int locked);
    void writeSettingsRow(int lockMode, std::string_view scrambledPassword);
    std::int64_t countChannelsInGroup(int groupId);
    std::string readStoredUrl(std::string_view name);
    std::vector<std::string> distinctMainCategories();
    // The distinct values of column 1, 2 or 3 (ci_Class1..3) under one main category.
    std::vector<std::string> distinctClassValues(int classColumn, std::string_view mainCategory);
    // The edit form's read takes no name column: `record.name` is the name asked for. A missing row
    // reads as empty text and id 0.
    struct EditableChannel {
        ChannelRecord record;
        std::int64_t id = 0;
    };
    EditableChannel readChannelForEdit(std::string_view name);
    // The insert on qryAppendChannelInsert. groupId 2 and vol "User" for user channels.
    void insertChannel(const ChannelRecord& record, int groupId, std::string_view vol);
    void updateChannelById(std::int64_t id, const ChannelRecord& record);
    std::int64_t countChannelsByName(std::string_view name);
    // The batch update on qryAppendChannelUpdate: every column but the name, found by name.
    void updateChannelByName(const ChannelRecord& record, std::string_view vol);
    void forEachUserChannel(const std::function<void(const ChannelRecord&)>& visit);
    // Every channel row for a playlist export; `link` and `speed` stay empty.
    struct ExportedChannel {
        ChannelRecord record;
        int favorited = 0;
        int locked = 0;
        int groupId = 0;
        std::string vol;
    };
    void forEachChannelForExport(const std::function<void(const ExportedChannel&)>& visit);

    // Runs fn inside one transaction, rolled back when fn throws; inside
    // another transaction fn simply joins it. Used where the installation is
    // built and where checks are kept, never around a command's own edits.
    void inTransaction(const std::function<void()>& fn);

    // Long writes (batch add) group their rows into short transactions so a
    // row costs no commit of its own. commitTransaction() is harmless when
    // the engine already rolled the transaction back after an error;
    // transactionOpen() tells the caller whether that happened.
    void beginTransaction();
    void commitTransaction();
    // Drops what the open transaction holds (a rehearsed import); harmless when none is open.
    void rollbackTransaction();
    bool transactionOpen() const;

private:
    std::vector<std::string> namesBefore(std::string_view statement, std::int64_t before, std::size_t limit);
    void clearCheckIfAddressChanges(std::string_view oldName, std::string_view oldScrambledUrl,
                                    const ChannelRecord& edited);

    explicit ChannelStore(std::filesystem::path databaseFile);
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace kw
