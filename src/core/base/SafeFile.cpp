#include "core/base/SafeFile.h"

#include "core/base/Error.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>

namespace kw {

FileDescriptor::~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
}

bool FileDescriptor::close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
}

void throwUnableToWrite(const std::filesystem::path& path) {
    throw Error("Unable to write to " + path.string());
}

namespace {

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Opens a new file beside target that no one else uses. The mode is given
// through open so the umask applies as for any file the program creates.
int createTemporaryBeside(const std::filesystem::path& target, std::filesystem::path& temporary) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = target;
        temporary += ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

}  // namespace

void replaceFileAtomically(const std::filesystem::path& shownPath, std::string_view bytes) {
    std::filesystem::path target = shownPath;
    std::error_code error;
    if (std::filesystem::is_symlink(target, error)) {
        // Write through the link rather than replacing the link itself.
        const std::filesystem::path resolved = std::filesystem::weakly_canonical(target, error);
        if (error) throwUnableToWrite(shownPath);
        target = resolved;
    }
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    // The rename would replace a write-protected file too; refuse it as the
    // file system refuses writing into it.
    if (exists && (!S_ISREG(old.st_mode) || ::access(target.c_str(), W_OK) != 0))
        throwUnableToWrite(shownPath);

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
