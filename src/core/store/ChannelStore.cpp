#include "core/store/ChannelStore.h"

#include "core/base/Error.h"
#include "core/base/ScrambleText.h"
#include "core/store/DatabaseLocks.h"
#include "core/store/Statement.h"
#include "core/store/StatementCatalogue.h"
#include "core/store/TextCollation.h"

#include <sqlite3.h>

#include <fcntl.h>
#include <unistd.h>
#include <array>
#include <cerrno>
#include <cstring>
#include <unordered_map>

namespace kw {
namespace {

namespace fs = std::filesystem;

// How long a statement waits for another program that holds the file locked.
// A long import elsewhere leaves a short gap between its transactions; a
// single write waiting this long always finds one.
constexpr int kBusyTimeoutMs = 10000;

// A statement prepared once and reused. `busy` marks a run in progress, so a
// visit that runs the same statement again gets a fresh one instead of
// resetting the run it is inside.
struct CachedStatement {
    std::unique_ptr<Statement> statement;
    bool busy = false;
};

// One run of a statement: resets it and frees it for the next run on every
// way out, so no result is held open between commands.
class StatementRun {
public:
    StatementRun(int& activeRuns, CachedStatement& cached, sqlite3* db) : activeRuns_(activeRuns) {
        if (cached.busy) {
            owned_ = std::make_unique<Statement>(db, cached.statement->text());
            statement_ = owned_.get();
        } else {
            cached.busy = true;
            busy_ = &cached.busy;
            statement_ = cached.statement.get();
        }
        ++activeRuns_;
    }
    StatementRun(int& activeRuns, std::unique_ptr<Statement> once)
        : activeRuns_(activeRuns), owned_(std::move(once)), statement_(owned_.get()) {
        ++activeRuns_;
    }
    ~StatementRun() {
        statement_->reset();
        if (busy_ != nullptr) *busy_ = false;
        --activeRuns_;
    }
    StatementRun(const StatementRun&) = delete;
    StatementRun& operator=(const StatementRun&) = delete;

    Statement* operator->() const { return statement_; }
    Statement& operator*() const { return *statement_; }

private:
    int& activeRuns_;
    std::unique_ptr<Statement> owned_;
    Statement* statement_ = nullptr;
    bool* busy_ = nullptr;
};

// SQLite's own busy wait backs off to 100 ms between tries, and so misses
// the short gaps a long import elsewhere leaves between its transactions.
int waitForLock(void* /*unused*/, int tries) {
    constexpr int kPollMs = 5;
    if (tries * kPollMs >= kBusyTimeoutMs) return 0;
    sqlite3_sleep(kPollMs);
    return 1;
}

std::string withPath(std::string_view message, const fs::path& file) {
    return std::string(message) + " (" + file.string() + ")";
}

// Every editable column of a channel; the insert and both updates take these.
void bindRecord(Statement& statement, const ChannelRecord& record) {
    if (!ChannelStore::isStorableName(record.name))
        throw Error(std::string(ChannelStore::kNameWithControlCharacter));
    statement.bindText(":sqlsClass0", record.class0);
    statement.bindText(":sqlsClass1", record.class1);
    statement.bindText(":sqlsClass2", record.class2);
    statement.bindText(":sqlsClass3", record.class3);
    statement.bindText(":sqlsName", record.name);
    statement.bindBlob(":sqlsURL", record.scrambledUrl);
    statement.bindText(":sqlsLink", record.link);
    statement.bindText(":sqlsMemo", record.memo);
    statement.bindText(":sqlsType", record.type);
    statement.bindText(":sqlsSpeed", record.speed);
}

// A channel's lock: 0 only for 0 or NULL (not written); text, a fraction or
// any other number reads as locked, so damage never opens the child lock.
int lockedFlag(const Statement& q, int column) {
    if (q.isNull(column)) return 0;
    return q.isWholeNumber(column) && q.integer64(column) == 0 ? 0 : 1;
}

// Reads a result row's columns from the first on, so that each read names
// only its field and the column numbers cannot drift from the statement's order.
class RowReader {
public:
    explicit RowReader(const Statement& q) : q_(q) {}

    template <typename... Texts>
    RowReader& text(std::string& into, Texts&... more) {
        q_.readBytes(next_++, into);
        if constexpr (sizeof...(more) > 0) text(more...);
        return *this;
    }
    RowReader& number(int& into) {
        into = q_.integer(next_++);
        return *this;
    }
    RowReader& number(std::int64_t& into) {
        into = q_.integer64(next_++);
        return *this;
    }
    RowReader& lock(int& into) {
        into = lockedFlag(q_, next_++);
        return *this;
    }
    // A column the caller does not want (a listing pass that leaves it out).
    RowReader& textIf(bool wanted, std::string& into) {
        if (wanted) q_.readBytes(next_, into);
        ++next_;
        return *this;
    }

private:
    const Statement& q_;
    int next_ = 0;
};

bool isWritable(const fs::path& path) { return ::access(path.c_str(), W_OK) == 0; }

// SQLite's URI for a read-only open. With no log waiting beside the file it
// is opened immutable: SQLite then makes no -wal or -shm file to read it.
std::string readOnlyUri(const fs::path& file) {
    std::string uri = "file:";
    for (const char c : file.string()) {
        if (c == '%' || c == '?' || c == '#') {
            static constexpr char kHex[] = "0123456789ABCDEF";
            uri += '%';
            uri += kHex[(static_cast<unsigned char>(c) >> 4) & 0xF];
            uri += kHex[static_cast<unsigned char>(c) & 0xF];
        } else {
            uri += c;
        }
    }
    std::error_code error;
    const auto logSize = fs::file_size(fs::path(file.string() + "-wal"), error);
    return uri + (error || logSize == 0 ? "?mode=ro&immutable=1" : "?mode=ro");
}

}  // namespace

struct ChannelStore::Impl {
    fs::path file;
    fs::path lockFile;
    sqlite3* db = nullptr;
    bool readOnly = false;
    // Whether the file keeps checks: a read-only file of an older version
    // cannot gain the table, and is browsed without it.
    bool statusTable = false;
    bool sourceTable = false;
    bool forceReadOnly = false;
    bool everOpened = false;
    bool lockFileMade = false;
    bool wal = false;
    int activeRuns = 0;

    // Prepared at open and kept for the life of the connection: batch add
    // runs them once per row.
    CachedStatement qryAppendChannelFind;
    CachedStatement qryAppendChannelInsert;
    CachedStatement qryAppendChannelUpdate;
    // Every other statement is prepared on first use and kept, by its text.
    std::unordered_map<std::string, CachedStatement> prepared;

    explicit Impl(fs::path databaseFile)
        : file(std::move(databaseFile)), lockFile(fs::path(file).replace_extension(".ldb")) {}

    sqlite3* requireDb() const {
        if (db == nullptr) throw Error(withPath("the channel database is closed", file));
        return db;
    }

    void exec(std::string_view text) { Statement(requireDb(), text).execute(); }

    void requireWritable() {
        requireDb();
        if (readOnly) throw Error(std::string(ChannelStore::kReadOnlyCatalogue));
        retakeLostLocks();
    }

    // A connection whose locks other code of this process dropped is closed
    // without checkpointing or deleting the log (another program may be using
    // it, or may already have deleted it) and opened again, which takes the
    // locks anew. Done only between statements and transactions.
    bool retakeLostLocks() {
        if (db == nullptr || readOnly || !wal || activeRuns > 0 || sqlite3_get_autocommit(db) == 0)
            return false;
        if (holdsDatabaseLocks(file)) return false;
        sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
        disconnect();
        connect(nullptr);
        return true;
    }

    StatementRun run(CachedStatement& cached) { return {activeRuns, cached, requireDb()}; }

    StatementRun run(std::string_view text) {
        auto found = prepared.find(std::string(text));
        if (found == prepared.end()) {
            CachedStatement cached{std::make_unique<Statement>(requireDb(), text)};
            found = prepared.emplace(std::string(text), std::move(cached)).first;
        }
        return run(found->second);
    }

    // A statement whose text carries a value: prepared for this run only,
    // so the cache cannot grow with every main category asked for.
    StatementRun runOnce(std::string_view text) {
        return {activeRuns, std::make_unique<Statement>(requireDb(), text)};
    }

    void connect(const SettingsRow* newSettings);
    void configure();
    void upgradeSchema();
    void createSchema(const SettingsRow& settings);
    void disconnect() noexcept;
};

void ChannelStore::Impl::connect(const SettingsRow* newSettings) {
    // Without SQLITE_OPEN_CREATE a missing file fails here instead of being
    // made empty; nothing is written before the schema has been read.
    sqlite3* handle = nullptr;
    // The connection is only ever used by the thread that opened it, so
    // SQLite's per-call locking is pure cost (a build reads millions of columns).
    constexpr int kOneThread = SQLITE_OPEN_NOMUTEX;
    readOnly = newSettings == nullptr &&
               (forceReadOnly || !isWritable(file) || !isWritable(fs::absolute(file).parent_path()));
    int rc = readOnly ? sqlite3_open_v2(readOnlyUri(fs::absolute(file)).c_str(), &handle,
                                        SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | kOneThread, nullptr)
                      : sqlite3_open_v2(file.c_str(), &handle, SQLITE_OPEN_READWRITE | kOneThread, nullptr);
    if (!readOnly && newSettings == nullptr && rc == SQLITE_READONLY) {
        // A read-only medium: the writable open is refused, a reading one may not be.
        sqlite3_close_v2(handle);
        handle = nullptr;
        readOnly = true;
        rc = sqlite3_open_v2(readOnlyUri(fs::absolute(file)).c_str(), &handle,
                             SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | kOneThread, nullptr);
    }
    if (rc != SQLITE_OK) {
        const std::string message = handle != nullptr ? sqlite3_errmsg(handle) : sqlite3_errstr(rc);
        sqlite3_close_v2(handle);
        throw Error(withPath(message, file));
    }
    db = handle;
    try {
        configure();
        if (newSettings != nullptr) createSchema(*newSettings);
        // Reading every column proves the file is a database with our table;
        // a text file fails here with "file is not a database", unchanged.
        Statement(db, sql::kVerifySchema).step();
        Statement table(db, sql::kFindChannelStatus);
        statusTable = table.step();
        Statement sources(db, sql::kFindChannelSource);
        sourceTable = sources.step();
    } catch (const Error& error) {
        disconnect();
        throw Error(withPath(error.what(), file));
    }
    if (!readOnly && newSettings == nullptr && sqlite3_db_readonly(db, "main") == 1) {
        disconnect();
        forceReadOnly = true;
        connect(nullptr);
        return;
    }
    if (readOnly) return;  // no log, no lock file, nothing written beside the file
    try {
        if (sqlite3_db_readonly(db, "main") == 1)
            throw Error(withPath(sqlite3_errstr(SQLITE_READONLY), file));

        // WAL: a crash or power loss never corrupts the file, and with
        // synchronous=NORMAL a commit costs no fsync (the log is synced at
        // checkpoints), so single-row writes stay fast. A power loss may lose
        // the last commits. Where WAL is unavailable the rollback journal
        // needs synchronous=FULL for the same safety; so does a file another
        // program holds open right now, which keeps its journal mode.
        wal = false;
        try {
            Statement journal(db, "pragma journal_mode=WAL");
            wal = journal.step() && journal.bytes(0) == "wal";
        } catch (const Error&) {
        }
        exec(wal ? "pragma synchronous=NORMAL" : "pragma synchronous=FULL");
        // Checkpoints cost two fsyncs each; every insert dirties three pages
        // (table, name index, sequence), so the default of 1,000 pages would
        // checkpoint every few hundred rows. 10,000 pages (about 40 MB of log)
        // makes single-row inserts about a third faster.
        exec("pragma wal_autocheckpoint=10000");
        upgradeSchema();

        qryAppendChannelFind.statement = std::make_unique<Statement>(db, sql::kCountChannelsByName);
        qryAppendChannelInsert.statement = std::make_unique<Statement>(db, sql::kInsertChannel);
        qryAppendChannelUpdate.statement = std::make_unique<Statement>(db, sql::kUpdateChannelByName);
    } catch (...) {
        disconnect();
        throw;
    }

    // The lock file tells other tools the database is in use. SQLite does its
    // own locking, so a folder that refuses the file does not stop the open.
    const int fd = ::open(lockFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    lockFileMade = fd >= 0;
    if (fd >= 0) ::close(fd);
}

void ChannelStore::Impl::configure() {
    sqlite3_busy_handler(db, waitForLock, nullptr);
    registerTextCollation(db);
    // The export statement compares with the double-quoted literal "User";
    // SQLite reads it as a string only with this switch, whose default some
    // builds turn off. Our own schema statements never rely on it.
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DML, 1, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
}

void ChannelStore::Impl::upgradeSchema() {
    Statement version(db, "pragma user_version");
    const int found = version.step() ? static_cast<int>(version.integer(0)) : 0;
    version.reset();
    if (found >= sql::kSchemaVersion) return;
    exec("begin immediate");
    try {
        if (found < sql::kCollatedSchemaVersion) {
            const std::string created(sql::kCreateChannelInfo);
            const std::string columns(sql::kAllColumns);
            exec("alter table ChannelInfo rename to ChannelInfo_Old");
            exec(created);
            exec("insert into ChannelInfo (" + columns + ") select " + columns + " from ChannelInfo_Old");
            exec("drop table ChannelInfo_Old");
            exec(sql::kCreateNameIndex);
        }
        if (!statusTable) {
            for (const std::string_view statement : sql::kCreateChannelStatus) exec(statement);
        } else {
            for (const std::string_view statement : sql::kUpgradeChannelStatusFrom2) exec(statement);
        }
        if (!sourceTable) {
            for (const std::string_view statement : sql::kCreateSourceTables) exec(statement);
        }
        exec("pragma user_version=" + std::to_string(sql::kSchemaVersion));
        exec("commit");
        statusTable = true;
        sourceTable = true;
    } catch (...) {
        sqlite3_exec(db, "rollback", nullptr, nullptr, nullptr);
        throw;
    }
}

void ChannelStore::Impl::createSchema(const SettingsRow& settings) {
    exec("begin immediate");
    try {
        exec(sql::kCreateChannelInfo);
        exec(sql::kCreateNameIndex);
        for (const std::string_view statement : sql::kCreateChannelStatus) exec(statement);
        for (const std::string_view statement : sql::kCreateSourceTables) exec(statement);
        Statement insert(db, sql::kInsertSettingsRow);
        insert.bindText(":sqlsName", settings.name);
        insert.bindBlob(":sqlsURL", settings.scrambledUrl);
        insert.bindBlob(":sqlsType", settings.scrambledType);
        insert.bindBlob(":sqlsSpeed", settings.scrambledSpeed);
        insert.bindInt(":sqlbRating", settings.rating);
        insert.bindInt(":sqlbFavorited", settings.favorited);
        insert.bindInt(":sqliLocked", settings.locked);
        insert.execute();
        exec("pragma user_version=" + std::to_string(sql::kSchemaVersion));
        exec("commit");
    } catch (...) {
        sqlite3_exec(db, "rollback", nullptr, nullptr, nullptr);
        throw;
    }
}

void ChannelStore::Impl::disconnect() noexcept {
    prepared.clear();
    qryAppendChannelFind.statement.reset();
    qryAppendChannelInsert.statement.reset();
    qryAppendChannelUpdate.statement.reset();
    // The last connection to close checkpoints the log into the file and
    // removes the -wal and -shm files.
    sqlite3_close_v2(db);
    db = nullptr;
    wal = false;
    if (lockFileMade) {
        std::error_code ignored;
        fs::remove(lockFile, ignored);
        lockFileMade = false;
    }
}

ChannelStore::ChannelStore(fs::path databaseFile) : impl_(std::make_unique<Impl>(std::move(databaseFile))) {}

ChannelStore::~ChannelStore() { impl_->disconnect(); }

std::unique_ptr<ChannelStore> ChannelStore::open(const fs::path& databaseFile, Access access) {
    std::unique_ptr<ChannelStore> store(new ChannelStore(databaseFile));
    store->impl_->forceReadOnly = access == Access::ReadOnly;
    store->impl_->connect(nullptr);
    store->impl_->everOpened = true;
    return store;
}

std::unique_ptr<ChannelStore> ChannelStore::unopened(const fs::path& databaseFile) {
    return std::unique_ptr<ChannelStore>(new ChannelStore(databaseFile));
}

std::unique_ptr<ChannelStore> ChannelStore::create(const fs::path& databaseFile,
                                                   const SettingsRow& settings) {
    // O_EXCL claims the name atomically: an existing file is never touched.
    const int fd = ::open(databaseFile.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) throw Error(withPath(std::strerror(errno), databaseFile));
    ::close(fd);

    std::unique_ptr<ChannelStore> store(new ChannelStore(databaseFile));
    try {
        store->impl_->connect(&settings);
    } catch (...) {
        std::error_code ignored;
        for (const char* suffix : {"", "-journal", "-wal", "-shm"})
            fs::remove(fs::path(databaseFile.string() + suffix), ignored);
        throw;
    }
    return store;
}

const fs::path& ChannelStore::file() const { return impl_->file; }

void ChannelStore::close() {
    if (impl_->activeRuns > 0) throw Error(withPath("the channel database is in use", impl_->file));
    impl_->disconnect();
}

void ChannelStore::reopen() {
    if (impl_->db == nullptr) impl_->connect(nullptr);
    impl_->everOpened = true;
}

bool ChannelStore::isOpen() const { return impl_->db != nullptr; }

bool ChannelStore::wasOpened() const { return impl_->everOpened; }

bool ChannelStore::isReadOnly() const { return impl_->readOnly; }

bool ChannelStore::isStorableName(std::string_view name) {
    for (const char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
    }
    return true;
}

SettingsRow ChannelStore::readSettingsRow() {
    auto q = impl_->run(sql::kSelectSettingsRow);
    SettingsRow row;
    if (q->step()) {
        RowReader(*q)
            .text(row.name, row.scrambledUrl, row.scrambledType, row.scrambledSpeed)
            .number(row.rating)
            .number(row.favorited)
            .number(row.locked);
    }
    return row;
}

namespace {

// The columns of the listing statements, in their order.
void readListing(const Statement& q, ChannelListing& row, ListedColumns columns = {}) {
    RowReader(q)
        .text(row.class0)
        .textIf(columns.class1, row.class1)
        .textIf(columns.class2, row.class2)
        .textIf(columns.class3, row.class3)
        .text(row.name)
        .number(row.favorited)
        .textIf(columns.vol, row.vol)
        .lock(row.locked);
}

}  // namespace

void ChannelStore::forEachListedChannel(int ratingFilter,
                                        const std::function<void(const ChannelListing&)>& visit,
                                        ListedColumns columns) {
    auto q = impl_->run(ratingFilter == 0 ? sql::kSelectAllChannels : sql::kSelectChannelsByRating);
    if (ratingFilter != 0) q->bindInt(":sqlbRating", ratingFilter);
    ChannelListing row;  // reused so that a million rows cost no allocations each
    while (q->step()) {
        readListing(*q, row, columns);
        visit(row);
    }
}

std::optional<ChannelListing> ChannelStore::findListedChannel(std::string_view name, int ratingFilter) {
    auto q = impl_->run(sql::kSelectListedChannel);
    q->bindText(":sqlsName", name);
    q->bindInt(":sqlbRating", ratingFilter);
    if (!q->step()) return std::nullopt;
    ChannelListing row;
    readListing(*q, row);
    return row;
}

bool ChannelStore::hasIrregularNames() { return impl_->run(sql::kSelectIrregularName)->step(); }

ChannelDetails ChannelStore::readChannelDetails(std::string_view name) {
    auto q = impl_->run(sql::kSelectChannelDetails);
    q->bindText(":sqlsName", name);
    ChannelDetails details;
    if (q->step()) {
        RowReader(*q)
            .number(details.id)
            .number(details.rating)
            .text(details.memo)
            .number(details.groupId)
            .text(details.type, details.speed)
            .number(details.favorited)
            .text(details.vol)
            .lock(details.locked);
    }
    return details;
}

ChannelAddress ChannelStore::readChannelAddress(std::string_view name) {
    auto q = impl_->run(sql::kSelectChannelAddress);
    q->bindText(":sqlsName", name);
    ChannelAddress address;
    if (q->step())
        RowReader(*q)
            .text(address.scrambledUrl, address.name, address.link)
            .lock(address.locked)
            .text(address.type);
    return address;
}

void ChannelStore::setFavorited(std::string_view name, int favorited) {
    impl_->requireWritable();
    auto q = impl_->run(sql::kUpdateFavorited);
    q->bindInt(":sqlbFavorited", favorited);
    q->bindText(":sqlsName", name);
    q->execute();
}

ChannelPlacement ChannelStore::readChannelPlacement(std::string_view name) {
    auto q = impl_->run(sql::kSelectChannelPlacement);
    q->bindText(":sqlsName", name);
    ChannelPlacement placement;
    if (q->step()) {
        RowReader(*q)
            .text(placement.class0, placement.class1, placement.class2, placement.class3)
            .number(placement.favorited)
            .text(placement.vol);
    }
    return placement;
}

void ChannelStore::deleteChannel(std::string_view name) {
    impl_->requireWritable();
    auto q = impl_->run(sql::kDeleteChannel);
    q->bindText(":sqlsName", name);
    q->execute();
}

void ChannelStore::recordChecks(const std::vector<CheckToRecord>& checks) {
    // A read-only catalogue is checked all the same; it only keeps nothing.
    if (checks.empty() || impl_->readOnly || !impl_->statusTable) return;
    inTransaction([&] {
        auto q = impl_->run(sql::kRecordChannelStatus);
        for (const CheckToRecord& check : checks) {
            q->bindText(":sqlsName", check.name);
            q->bindInt(":sqliStatus", check.status);
            q->bindText(":sqlsReason", check.reasonCode);
            q->bindInt(":sqliAt", check.at);
            q->bindInt(":sqliAnswerMs", check.answerMs);
            q->bindInt(":sqliKbit", check.kbitPerSecond);
            q->execute();
            q->reset();
        }
    });
}

namespace {

// The columns of a status row, as every read of ChannelStatus selects them, from column `first` on.
StoredCheck storedCheckAt(const Statement& row, int first) {
    StoredCheck check;
    check.status = static_cast<int>(row.integer64(first));
    check.reasonCode = row.bytes(first + 1);
    check.checkedAt = row.integer64(first + 2);
    check.answerMs = row.integer64(first + 3);
    check.kbitPerSecond = row.integer64(first + 4);
    check.failures = static_cast<int>(row.integer64(first + 5));
    check.lastGood = row.integer64(first + 6);
    check.failingSince = row.integer64(first + 7);
    return check;
}

}  // namespace

std::optional<StoredCheck> ChannelStore::readCheck(std::string_view name) {
    if (!impl_->statusTable) return std::nullopt;
    auto q = impl_->run(sql::kReadChannelStatus);
    q->bindText(":sqlsName", name);
    if (!q->step()) return std::nullopt;
    return storedCheckAt(*q, 0);
}

void ChannelStore::recordOrigin(std::string_view name, const ChannelOrigin& origin) {
    if (impl_->readOnly || !impl_->sourceTable) return;
    auto q = impl_->run(sql::kRecordChannelSource);
    q->bindText(":sqlsName", name);
    q->bindText(":sqlsSource", origin.source);
    q->bindText(":sqlsEntry", origin.entryId);
    q->bindText(":sqlsSeen", origin.seen);
    q->execute();
}

std::optional<ChannelOrigin> ChannelStore::readOrigin(std::string_view name) {
    if (!impl_->sourceTable) return std::nullopt;
    auto q = impl_->run(sql::kReadChannelSource);
    q->bindText(":sqlsName", name);
    if (!q->step()) return std::nullopt;
    ChannelOrigin origin;
    RowReader(*q).text(origin.source, origin.entryId, origin.seen).number(origin.goneSince);
    return origin;
}

void ChannelStore::forEachEntryOf(std::string_view source,
                                  const std::function<void(const SourceEntry&)>& visit) {
    if (!impl_->sourceTable) return;
    auto q = impl_->run(sql::kEntriesOfSource);
    q->bindText(":sqlsSource", source);
    SourceEntry entry;
    while (q->step()) {
        RowReader(*q).text(entry.entryId, entry.name, entry.seen).number(entry.goneSince);
        visit(entry);
    }
}

void ChannelStore::seeEntryAgain(std::string_view name, std::string_view entryId, std::string_view seen) {
    impl_->requireWritable();
    auto q = impl_->run(sql::kSeeEntryAgain);
    q->bindText(":sqlsName", name);
    q->bindText(":sqlsEntry", entryId);
    q->bindText(":sqlsSeen", seen);
    q->execute();
}

void ChannelStore::markEntryGone(std::string_view name, std::int64_t at) {
    impl_->requireWritable();
    auto q = impl_->run(sql::kMarkEntryGone);
    q->bindText(":sqlsName", name);
    q->bindInt(":sqliAt", at);
    q->execute();
}

void ChannelStore::forgetGoneMarks(std::string_view source) {
    impl_->requireWritable();
    auto q = impl_->run(sql::kForgetGoneMarks);
    q->bindText(":sqlsSource", source);
    q->execute();
}

void ChannelStore::forEachGoneChannel(const std::function<void(std::string_view name)>& visit) {
    if (!impl_->sourceTable) return;
    auto q = impl_->run(sql::kGoneChannels);
    while (q->step()) visit(q->bytes(0));
}

std::vector<SubscriptionRow> ChannelStore::readSubscriptions() {
    std::vector<SubscriptionRow> rows;
    if (!impl_->sourceTable) return rows;
    auto q = impl_->run(sql::kSubscriptions);
    while (q->step()) {
        SubscriptionRow& row = rows.emplace_back();
        RowReader(*q).text(row.name, row.address, row.class0).number(row.addedAt);
    }
    return rows;
}

void ChannelStore::addSubscription(const SubscriptionRow& subscription) {
    impl_->requireWritable();
    auto q = impl_->run(sql::kAddSubscription);
    q->bindText(":sqlsName", subscription.name);
    q->bindText(":sqlsAddress", subscription.address);
    q->bindText(":sqlsClass0", subscription.class0);
    q->bindInt(":sqliAt", subscription.addedAt);
    q->execute();
}

void ChannelStore::removeSubscription(std::string_view address) {
    impl_->requireWritable();
    auto q = impl_->run(sql::kRemoveSubscription);
    q->bindText(":sqlsAddress", address);
    q->execute();
}

void ChannelStore::forEachFailingChannel(
    int minFailures, const std::function<void(std::string_view name, const StoredCheck&)>& visit) {
    if (!impl_->statusTable) return;
    auto q = impl_->run(sql::kFailingChannels);
    q->bindInt(":sqliFailures", minFailures);
    while (q->step()) visit(q->bytes(0), storedCheckAt(*q, 1));
}

std::vector<std::string> ChannelStore::namesBefore(std::string_view statement, std::int64_t before,
                                                   std::size_t limit) {
    std::vector<std::string> names;
    if (!impl_->statusTable) return names;
    auto q = impl_->run(statement);
    q->bindInt(":sqliBefore", before);
    q->bindInt(":sqliLimit", static_cast<std::int64_t>(limit));
    while (q->step()) names.emplace_back(q->bytes(0));
    return names;
}

std::vector<std::string> ChannelStore::channelsFailedOnceBefore(std::int64_t before, std::size_t limit) {
    return namesBefore(sql::kFailedOnceBefore, before, limit);
}

std::vector<std::string> ChannelStore::channelsCheckedBefore(std::int64_t before, std::size_t limit) {
    return namesBefore(sql::kCheckedBefore, before, limit);
}

ChannelStore::UncheckedStretch ChannelStore::uncheckedChannelsAfter(std::int64_t afterId,
                                                                    std::size_t window) {
    UncheckedStretch stretch;
    if (!impl_->statusTable) return stretch;
    auto q = impl_->run(sql::kChannelsAfterId);
    q->bindInt(":sqliID", afterId);
    q->bindInt(":sqliLimit", static_cast<std::int64_t>(window));
    std::size_t rows = 0;
    std::int64_t lastId = afterId;
    while (q->step()) {
        ++rows;
        lastId = q->integer64(0);
        if (q->integer64(2) == 0) stretch.channels.emplace_back(lastId, q->bytes(1));
    }
    if (rows == window) stretch.nextAfterId = lastId;
    return stretch;
}

void ChannelStore::clearCheckIfAddressChanges(std::string_view oldName, std::string_view oldScrambledUrl,
                                              const ChannelRecord& edited) {
    if (!impl_->statusTable) return;
    // The address is scrambled with the name: compare what the user sees.
    if (unscrambleText(oldScrambledUrl, oldName) == unscrambleText(edited.scrambledUrl, edited.name)) return;
    auto q = impl_->run(sql::kClearChannelStatus);
    q->bindText(":sqlsName", oldName);
    q->execute();
}

void ChannelStore::setRating(std::string_view name, int rating) {
    impl_->requireWritable();
    auto q = impl_->run(sql::kUpdateRating);
    q->bindInt(":sqlbRating", rating);
    q->bindText(":sqlsName", name);
    q->execute();
}

void ChannelStore::setLocked(std::string_view name, int locked) {
    impl_->requireWritable();
    auto q = impl_->run(sql::kUpdateLocked);
    q->bindInt(":sqliLocked", locked);
    q->bindText(":sqlsName", name);
    q->execute();
}

void ChannelStore::writeSettingsRow(int lockMode, std::string_view scrambledPassword) {
    impl_->requireWritable();
    auto q = impl_->run(sql::kUpdateSettingsRow);
    q->bindInt(":sqliLocked", lockMode);
    q->bindBlob(":sqlsType", scrambledPassword);
    q->execute();
}

std::int64_t ChannelStore::countChannelsInGroup(int groupId) {
    if (groupId != 1 && groupId != 2) throw Error("channels are counted for group 1 or 2 only");
    auto q = impl_->run(groupId == 1 ? sql::kCountSystemChannels : sql::kCountUserChannels);
    return q->step() ? q->integer64(0) : 0;
}

std::string ChannelStore::readStoredUrl(std::string_view name) {
    static const std::string text = sql::selectColumnByName(sql::kColumnURL);
    auto q = impl_->run(text);
    q->bindText(":sqlsName", name);
    return q->step() ? q->bytes(0) : std::string();
}

std::vector<std::string> ChannelStore::distinctMainCategories() {
    static const std::string text = sql::selectDistinctColumn(sql::kColumnClass0);
    auto q = impl_->run(text);
    std::vector<std::string> values;
    while (q->step()) values.push_back(q->bytes(0));
    return values;
}

std::vector<std::string> ChannelStore::distinctClassValues(int classColumn, std::string_view mainCategory) {
    static constexpr std::array columns{sql::kColumnClass1, sql::kColumnClass2, sql::kColumnClass3};
    if (classColumn < 1 || classColumn > 3) throw Error("class column must be 1, 2 or 3");
    auto q = impl_->runOnce(sql::selectDistinctColumnInMainCategory(columns[classColumn - 1], mainCategory));
    std::vector<std::string> values;
    while (q->step()) values.push_back(q->bytes(0));
    return values;
}

ChannelStore::EditableChannel ChannelStore::readChannelForEdit(std::string_view name) {
    auto q = impl_->run(sql::kSelectChannelForEdit);
    q->bindText(":sqlsName", name);
    EditableChannel channel;
    if (q->step()) {
        ChannelRecord& record = channel.record;
        RowReader(*q)
            .text(record.class0, record.class1, record.class2, record.class3, record.type, record.speed,
                  record.scrambledUrl)
            .number(channel.id)
            .text(record.link, record.memo);
        // The edit form's read does not read the name: the row is the one stored under it.
        record.name = name;
    }
    return channel;
}

void ChannelStore::insertChannel(const ChannelRecord& record, int groupId, std::string_view vol) {
    impl_->requireWritable();
    auto q = impl_->run(impl_->qryAppendChannelInsert);
    bindRecord(*q, record);
    q->bindInt(":sqlbGroupID", groupId);
    q->bindText(":sqlsVol", vol);
    q->execute();
}

void ChannelStore::updateChannelById(std::int64_t id, const ChannelRecord& record) {
    impl_->requireWritable();
    {
        auto before = impl_->run(sql::kAddressById);
        before->bindInt(":sqliID", id);
        if (before->step()) clearCheckIfAddressChanges(before->bytes(0), before->bytes(1), record);
    }
    auto q = impl_->run(sql::kUpdateChannelById);
    bindRecord(*q, record);
    q->bindInt(":sqliID", id);
    q->execute();
}

std::int64_t ChannelStore::countChannelsByName(std::string_view name) {
    auto q = impl_->run(impl_->qryAppendChannelFind);
    q->bindText(":sqlsName", name);
    return q->step() ? q->integer64(0) : 0;
}

void ChannelStore::updateChannelByName(const ChannelRecord& record, std::string_view vol) {
    impl_->requireWritable();
    {
        auto before = impl_->run(sql::kAddressByName);
        before->bindText(":sqlsName", record.name);
        if (before->step()) clearCheckIfAddressChanges(before->bytes(0), before->bytes(1), record);
    }
    auto q = impl_->run(impl_->qryAppendChannelUpdate);
    bindRecord(*q, record);
    q->bindText(":sqlsVol", vol);
    q->execute();
}

void ChannelStore::forEachUserChannel(const std::function<void(const ChannelRecord&)>& visit) {
    auto q = impl_->run(sql::kSelectUserChannels);
    ChannelRecord record;
    while (q->step()) {
        RowReader(*q).text(record.class0, record.class1, record.class2, record.class3, record.name,
                           record.scrambledUrl, record.link, record.memo, record.type, record.speed);
        visit(record);
    }
}

void ChannelStore::forEachChannelForExport(const std::function<void(const ExportedChannel&)>& visit) {
    auto q = impl_->run(sql::kSelectChannelsForExport);
    ExportedChannel row;
    ChannelRecord& record = row.record;
    while (q->step()) {
        RowReader(*q)
            .text(record.class0, record.class1, record.class2, record.class3, record.name,
                  record.scrambledUrl, record.memo, record.type)
            .number(row.favorited)
            .lock(row.locked)
            .number(row.groupId)
            .text(row.vol);
        visit(row);
    }
}

void ChannelStore::inTransaction(const std::function<void()>& fn) {
    impl_->requireWritable();
    sqlite3* db = impl_->requireDb();
    if (sqlite3_get_autocommit(db) == 0) {  // already inside one: join it
        fn();
        return;
    }
    impl_->exec("begin immediate");
    try {
        fn();
        impl_->exec("commit");
    } catch (...) {
        if (impl_->db != nullptr && sqlite3_get_autocommit(impl_->db) == 0)
            sqlite3_exec(impl_->db, "rollback", nullptr, nullptr, nullptr);
        throw;
    }
}

void ChannelStore::beginTransaction() {
    impl_->retakeLostLocks();
    impl_->exec("begin immediate");
}

bool ChannelStore::retakeLostLocks() { return impl_->retakeLostLocks(); }

void ChannelStore::commitTransaction() {
    if (transactionOpen()) impl_->exec("commit");
}

void ChannelStore::rollbackTransaction() {
    if (transactionOpen()) impl_->exec("rollback");
}

bool ChannelStore::transactionOpen() const {
    return impl_->db != nullptr && sqlite3_get_autocommit(impl_->db) == 0;
}

}  // namespace kw
