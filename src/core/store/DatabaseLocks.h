#pragma once

#include <filesystem>

namespace kw {

// Whether this process still holds SQLite's locks on a database in WAL mode:
// a POSIX lock on the database file and one on its shared-memory file
// (`-shm`). POSIX locks belong to the process, and closing any descriptor of
// a file drops all of them, whoever opened it (a file dialog that reads the
// file to show its type, say). A process that lost them no longer counts as
// a user of the log, so the next program to close its connection takes
// itself for the last one and deletes the log under it. Reads /proc/locks;
// where that cannot be read, answers true (nothing to act on).
bool holdsDatabaseLocks(const std::filesystem::path& databaseFile);

}  // namespace kw
