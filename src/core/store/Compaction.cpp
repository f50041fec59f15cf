#include "core/store/Compaction.h"

#include "core/base/Error.h"
#include "core/store/Statement.h"
#include "core/store/TextCollation.h"

#include <sqlite3.h>

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace kw {
namespace {

namespace fs = std::filesystem;

std::string describe(std::string_view text, const fs::path& file, std::string_view detail) {
    std::string message(text);
    message += " (" + file.string() + ")";
    if (!detail.empty()) message += "\r\n" + std::string(detail);
    return message;
}

[[noreturn]] void throwSystemError(const fs::path& path) {
    throw Error(std::string(std::strerror(errno)) + " (" + path.string() + ")");
}

void syncPath(const fs::path& path, int flags) {
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0) throwSystemError(path);
    const int synced = ::fsync(fd);
    const int savedErrno = errno;
    ::close(fd);
    errno = savedErrno;
    if (synced != 0) throwSystemError(path);
}

void removeLeftoverTemporary(const fs::path& temporary) {
    if (const std::error_code error = removeTemporaryDatabase(temporary))
        throw Error(describe(compaction_texts::kLeftoverNotRemoved, temporary, error.message()));
}

// The source connection in exclusive locking mode: its first read takes an
// exclusive lock on the file (and reads the log without the shared-memory
// file), which it keeps until it is closed. Closed after the rename, the
// engine sees the file moved and leaves the log alone.
class SourceConnection {
public:
    explicit SourceConnection(const fs::path& file) {
        const int rc = sqlite3_open_v2(file.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr);
        if (rc != SQLITE_OK) {
            const std::string message = db_ != nullptr ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
            sqlite3_close_v2(db_);
            throw Error(message);
        }
        registerTextCollation(db_);
        try {
            Statement(db_, "pragma locking_mode=EXCLUSIVE").step();
            Statement(db_, "select count(*) from sqlite_master").step();
        } catch (const Error&) {
            // No destructor runs for a constructor that throws.
            const bool inUse = sqlite3_errcode(db_) == SQLITE_BUSY;
            sqlite3_close_v2(db_);
            if (inUse) throw Error(describe(compaction_texts::kInUse, file, {}));
            throw;
        }
    }
    ~SourceConnection() { sqlite3_close_v2(db_); }
    SourceConnection(const SourceConnection&) = delete;
    SourceConnection& operator=(const SourceConnection&) = delete;
    sqlite3* get() const { return db_; }

private:
    sqlite3* db_ = nullptr;
};

bool passesIntegrityCheck(sqlite3* db) {
    Statement check(db, "pragma integrity_check(1)");
    return check.step() && check.bytes(0) == "ok";
}

}  // namespace

std::error_code removeTemporaryDatabase(const fs::path& temporary) {
    std::error_code first;
    for (const char* suffix : {"-journal", "-wal", "-shm", ""}) {
        std::error_code error;
        fs::remove(fs::path(temporary.string() + suffix), error);
        if (error && !first) first = error;
    }
    return first;
}

void CompactDatabaseFile(const fs::path& databaseFile) {
    const fs::path folder = databaseFile.parent_path();
    const fs::path temporary = folder / kCompactionFileName;
    SourceConnection source(databaseFile);
    if (!passesIntegrityCheck(source.get()))
        throw Error(describe(compaction_texts::kDamaged, databaseFile, {}));
    removeLeftoverTemporary(temporary);
    try {
        // Everything in the log goes into the file first, and the log is
        // emptied, so that nothing of it can be replayed into the new file.
        Statement(source.get(), "pragma wal_checkpoint(TRUNCATE)").step();
        const std::string target = temporary.string();
        Statement copy(source.get(), "vacuum into :sqlsTarget");
        copy.bindText(":sqlsTarget", target);
        try {
            copy.execute();
        } catch (const Error& error) {
            throw Error(describe(compaction_texts::kCopyFailed, temporary, error.what()));
        }
        std::error_code missing;
        if (fs::file_size(fs::path(databaseFile.string() + "-wal"), missing) > 0 && !missing)
            throw Error(describe(compaction_texts::kInUse, databaseFile, {}));
        syncPath(temporary, O_RDONLY);
        if (::rename(temporary.c_str(), databaseFile.c_str()) != 0) throwSystemError(databaseFile);
    } catch (...) {
        removeTemporaryDatabase(temporary);
        throw;
    }
    // The rename itself lasts once the folder is on disk.
    try {
        syncPath(folder.empty() ? fs::path(".") : folder, O_RDONLY | O_DIRECTORY);
    } catch (const Error&) {
    }
}

bool finishInterruptedCompaction(const fs::path& databaseFile) {
    const fs::path temporary = databaseFile.parent_path() / kCompactionFileName;
    std::error_code error;
    if (!fs::is_regular_file(temporary, error)) return false;
    if (fs::exists(databaseFile, error)) {
        removeLeftoverTemporary(temporary);
        return false;
    }
    if (::rename(temporary.c_str(), databaseFile.c_str()) != 0) throwSystemError(databaseFile);
    return true;
}

}  // namespace kw
