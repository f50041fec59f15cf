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

// The source connection: opened for the copy only, closed before the rename
// so that its log is folded back into the file and removed.
class SourceConnection {
public:
    explicit SourceConnection(const fs::path& file) {
        const int rc = sqlite3_open_v2(file.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr);
        if (rc != SQLITE_OK) {
            const std::string message = db_ != nullptr ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
            sqlite3_close_v2(db_);
            throw Error(message);
        }
        sqlite3_busy_timeout(db_, 2000);
        registerTextCollation(db_);
    }
    ~SourceConnection() { sqlite3_close_v2(db_); }
    SourceConnection(const SourceConnection&) = delete;
    SourceConnection& operator=(const SourceConnection&) = delete;
    sqlite3* get() const { return db_; }

private:
    sqlite3* db_ = nullptr;
};

}  // namespace

void CompactDatabaseFile(const fs::path& databaseFile) {
    const fs::path folder = databaseFile.parent_path();
    const fs::path temporary = folder / kCompactionFileName;
    {
        SourceConnection source(databaseFile);
        // Everything in the log goes into the file first; the copy then reads
        // one consistent file.
        Statement(source.get(), "pragma wal_checkpoint(TRUNCATE)").step();
        const std::string target = temporary.string();
        Statement copy(source.get(), "vacuum into :sqlsTarget");
        copy.bindText(":sqlsTarget", target);
        copy.execute();
    }
    try {
        // A log left beside the database (another program holds it open)
        // would be replayed into the new file; refuse rather than risk that.
        std::error_code missing;
        if (fs::file_size(fs::path(databaseFile.string() + "-wal"), missing) > 0 && !missing)
            throw Error("the channel database is in use by another program (" + databaseFile.string() + ")");
        syncPath(temporary, O_RDONLY);
        if (::rename(temporary.c_str(), databaseFile.c_str()) != 0) throwSystemError(databaseFile);
    } catch (...) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
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
    if (fs::exists(databaseFile, error) || !fs::is_regular_file(temporary, error)) return false;
    if (::rename(temporary.c_str(), databaseFile.c_str()) != 0) throwSystemError(databaseFile);
    return true;
}

}  // namespace kw
