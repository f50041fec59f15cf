#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string_view>
#include <utility>

namespace kw {

// Closes a POSIX file descriptor when it goes out of scope.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor();
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    // Hands the descriptor over; the caller closes it.
    int release() { return std::exchange(fd_, -1); }
    int get() const { return fd_; }
    // Closes now; false when the close reported an error (a late write failure).
    bool close();

private:
    int fd_;
};

// Opens a plain file for reading without waiting on it: the open never
// blocks (a FIFO without a writer), and anything but a plain file (a FIFO, a
// device such as /dev/zero that never ends, a folder) is refused with
// kw::Error kNotAPlainFile and the path. Other failures throw the system's
// message with the path. size receives the file's size at the open.
inline constexpr std::string_view kNotAPlainFile = "不是一个文件：";
FileDescriptor openPlainFileForReading(const std::filesystem::path& file, std::uint64_t& size);

// Writes all of bytes to fd, again after a signal or a short write. False on
// failure, with errno telling why (or unchanged when the system wrote nothing).
bool writeAll(int fd, std::string_view bytes);

// Throws kw::Error "Unable to write to <path>".
[[noreturn]] void throwUnableToWrite(const std::filesystem::path& path);

// Replaces the file at path with bytes, whole: a temporary file in the same
// folder, fsync, then rename over the old file, so a crash or a full disk
// leaves either the old or the new file, never a mix. The old file's mode and
// owner are kept and a symbolic link is written through. Throws
// "Unable to write to <path>" when the file system refuses; the old file is
// then untouched and no temporary file stays behind.
// Before it writes, it removes the temporary files of this name that a writer
// killed midway left behind (those of processes no longer running).
void replaceFileAtomically(const std::filesystem::path& path, std::string_view bytes);

// Removes "<file>.tmp<pid>-<n>" files beside file whose process no longer
// runs; those of live processes (this one included) are theirs to finish.
void removeStaleTemporaries(const std::filesystem::path& file);
// The same for every file in folder: run when a command starts, so that the
// temporary of a killed writer does not wait for that file's next write.
void removeStaleTemporariesIn(const std::filesystem::path& folder);

// Keeps other writers of the files in path's folder out for as long as it
// lives, across processes, so a read–edit–replace of one file never drops
// what another writer put in between. The lock is on the folder itself
// (flock), so nothing is left beside the file. Waits up to `wait` for a
// writer that holds it, then throws kw::Error "Unable to write to <path>:
// another program is writing it". A folder that cannot be opened or locked
// is left unlocked (the write then fails or succeeds on its own).
class UpdateLock {
public:
    static constexpr std::chrono::milliseconds kDefaultWait{10000};

    explicit UpdateLock(const std::filesystem::path& path, std::chrono::milliseconds wait = kDefaultWait);

private:
    FileDescriptor folder_;
};

}  // namespace kw
