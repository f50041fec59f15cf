#include "core/base/SafeFile.h"

#include "core/base/Error.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstring>
#include <string>
#include <thread>

namespace kw {

FileDescriptor::~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
}

bool FileDescriptor::close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
}

FileDescriptor openPlainFileForReading(const std::filesystem::path& file, std::uint64_t& size) {
    FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (fd.get() < 0) throw Error(std::string(std::strerror(errno)) + " (" + file.string() + ")");
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        throw Error(std::string(kNotAPlainFile) + file.string());
    // Reads of a plain file never wait; the flag goes so nothing else sees it.
    const int flags = ::fcntl(fd.get(), F_GETFL);
    if (flags >= 0) ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK);
    size = static_cast<std::uint64_t>(info.st_size);
    return fd;
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

void throwUnableToWrite(const std::filesystem::path& path) {
    throw Error("Unable to write to " + path.string());
}

namespace {

constexpr std::string_view kTemporaryMark = ".tmp";

// Opens a new file beside target that no one else uses. The mode is given
// through open so the umask applies as for any file the program creates.
int createTemporaryBeside(const std::filesystem::path& target, std::filesystem::path& temporary) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = target;
        temporary +=
            std::string(kTemporaryMark) + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

// The process id in "<name>.tmp<pid>-<n>", or 0 when entry is no such name.
pid_t temporaryOwner(std::string_view entry, std::string_view name) {
    if (!entry.starts_with(name)) return 0;
    entry.remove_prefix(name.size());
    if (!entry.starts_with(kTemporaryMark)) return 0;
    entry.remove_prefix(kTemporaryMark.size());
    pid_t pid = 0;
    const auto [pidEnd, pidError] = std::from_chars(entry.data(), entry.data() + entry.size(), pid);
    if (pidError != std::errc() || pid <= 0 || pidEnd == entry.data() + entry.size() || *pidEnd != '-')
        return 0;
    const std::string_view counter(pidEnd + 1,
                                   static_cast<std::size_t>(entry.data() + entry.size() - pidEnd - 1));
    if (counter.empty() || counter.find_first_not_of("0123456789") != std::string_view::npos) return 0;
    return pid;
}

std::filesystem::path writeTarget(const std::filesystem::path& shownPath) {
    std::error_code error;
    if (!std::filesystem::is_symlink(shownPath, error)) return shownPath;
    // Write through the link rather than replacing the link itself.
    std::filesystem::path resolved = std::filesystem::weakly_canonical(shownPath, error);
    if (error) throwUnableToWrite(shownPath);
    return resolved;
}

std::filesystem::path folderOf(const std::filesystem::path& file) {
    return file.parent_path().empty() ? std::filesystem::path(".") : file.parent_path();
}

}  // namespace

namespace {

// Removes the entries of folder that ownerOf names as the temporary of a
// process no longer running.
template <typename OwnerOf>
void removeDeadOwnersTemporaries(const std::filesystem::path& folder, OwnerOf ownerOf) {
    std::error_code error;
    std::filesystem::directory_iterator entries(folder, error);
    if (error) return;
    for (; entries != std::filesystem::directory_iterator(); entries.increment(error)) {
        if (error) return;
        const pid_t owner = ownerOf(entries->path().filename().string());
        // A process we may not signal (EPERM) is alive; only ESRCH says it is gone.
        if (owner == 0 || owner == ::getpid() || ::kill(owner, 0) == 0 || errno != ESRCH) continue;
        ::unlink(entries->path().c_str());
    }
}

}  // namespace

void removeStaleTemporaries(const std::filesystem::path& file) {
    const std::string name = file.filename().string();
    removeDeadOwnersTemporaries(folderOf(file),
                                [&name](const std::string& entry) { return temporaryOwner(entry, name); });
}

void removeStaleTemporariesIn(const std::filesystem::path& folder) {
    removeDeadOwnersTemporaries(folder, [](const std::string& entry) {
        const std::size_t mark = entry.rfind(kTemporaryMark);
        if (mark == std::string::npos || mark == 0) return pid_t{0};
        return temporaryOwner(entry, std::string_view(entry).substr(0, mark));
    });
}

UpdateLock::UpdateLock(const std::filesystem::path& path, std::chrono::milliseconds wait)
    : folder_(::open(folderOf(writeTarget(path)).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    // A folder that cannot be opened or locked (no read permission, a file
    // system without flock) is written unlocked as before; the write itself
    // then reports whether the file system takes it.
    if (folder_.get() < 0) return;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    auto pause = std::chrono::milliseconds(1);
    while (::flock(folder_.get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR) return;
        if (std::chrono::steady_clock::now() >= deadline)
            throw Error("Unable to write to " + path.string() + ": another program is writing it");
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(50));
    }
}

void replaceFileAtomically(const std::filesystem::path& shownPath, std::string_view bytes) {
    const std::filesystem::path target = writeTarget(shownPath);
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    // The rename would replace a write-protected file too; refuse it as the
    // file system refuses writing into it.
    if (exists && (!S_ISREG(old.st_mode) || ::access(target.c_str(), W_OK) != 0))
        throwUnableToWrite(shownPath);

    removeStaleTemporaries(target);
    std::filesystem::path temporary;
    FileDescriptor file(createTemporaryBeside(target, temporary));
    if (file.get() < 0) throwUnableToWrite(shownPath);
    bool ok = writeAll(file.get(), bytes);
    if (ok && exists) {
        ok = ::fchmod(file.get(), old.st_mode & 07777) == 0;
        // Keeps the owner when run by root on a user's file; otherwise the new
        // file simply belongs to the writer.
        if (ok && ::fchown(file.get(), old.st_uid, old.st_gid) != 0) ok = errno == EPERM;
    }
    ok = ok && ::fsync(file.get()) == 0;
    ok = file.close() && ok;
    ok = ok && ::rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temporary.c_str());
        throwUnableToWrite(shownPath);
    }
    // Makes the rename itself durable; the new file is complete either way.
    FileDescriptor folder(::open(target.parent_path().empty() ? "." : target.parent_path().c_str(),
                                 O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0) ::fsync(folder.get());
}

}  // namespace kw
