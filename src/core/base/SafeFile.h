#pragma once

#include <filesystem>
#include <string_view>

namespace kw {

// Closes a POSIX file descriptor when it goes out of scope.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor();
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    // Closes now; false when the close reported an error (a late write failure).
    bool close();

private:
    int fd_;
};

// Throws kw::Error "Unable to write to <path>".
[[noreturn]] void throwUnableToWrite(const std::filesystem::path& path);

// Replaces the file at path with bytes, whole: a temporary file in the same
// folder, fsync, then rename over the old file, so a crash or a full disk
// leaves either the old or the new file, never a mix. The old file's mode and
// owner are kept and a symbolic link is written through. Throws
// "Unable to write to <path>" when the file system refuses; the old file is
// then untouched and no temporary file stays behind.
void replaceFileAtomically(const std::filesystem::path& path, std::string_view bytes);

}  // namespace kw
