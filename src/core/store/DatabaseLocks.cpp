#include "core/store/DatabaseLocks.h"

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

namespace kw {
namespace {

bool inodeOf(const std::filesystem::path& file, ino_t& inode) {
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0) return false;
    inode = info.st_ino;
    return true;
}

// The inode of a /proc/locks entry "MAJ:MIN:INODE". Only the inode is
// compared: an overlay file system shows another device in stat() than the
// lock table does.
bool parseInode(const std::string& field, ino_t& inode) {
    const auto colon = field.rfind(':');
    if (colon == std::string::npos) return false;
    try {
        inode = static_cast<ino_t>(std::stoull(field.substr(colon + 1)));
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

}  // namespace

bool holdsDatabaseLocks(const std::filesystem::path& databaseFile) {
    std::ifstream table("/proc/locks");
    if (!table) return true;
    ino_t database = 0;
    ino_t sharedMemory = 0;
    // A missing shared-memory file is one some other program deleted.
    if (!inodeOf(databaseFile, database) || !inodeOf(databaseFile.string() + "-shm", sharedMemory))
        return false;

    const std::string pid = std::to_string(::getpid());
    bool onDatabase = false;
    bool onSharedMemory = false;
    std::string line;
    while (std::getline(table, line)) {
        // "1: POSIX  ADVISORY  READ 7121 fe:00:10953233 128 128"; waiters carry "->".
        std::istringstream fields(line);
        std::string number, kind, advisory, mode, owner, file;
        if (!(fields >> number >> kind >> advisory >> mode >> owner >> file)) continue;
        if (kind != "POSIX" || owner != pid) continue;
        ino_t inode = 0;
        if (!parseInode(file, inode)) continue;
        onDatabase = onDatabase || inode == database;
        onSharedMemory = onSharedMemory || inode == sharedMemory;
    }
    return onDatabase && onSharedMemory;
}

}  // namespace kw
