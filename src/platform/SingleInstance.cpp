#include "platform/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace kw {
namespace {

bool isPrivateFolder(const std::filesystem::path& folder) {
    struct stat info {};
    return ::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid() &&
           (info.st_mode & 077) == 0;
}

}  // namespace

std::filesystem::path SingleInstance::lockFolder() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && *runtime == '/') {
        if (isPrivateFolder(runtime)) return runtime;
    }
    return std::filesystem::path("/tmp") / ("kestrelwave-" + std::to_string(::getuid()));
}

SingleInstance::SingleInstance(std::string_view name) {
    const std::filesystem::path folder = lockFolder();
    // The /tmp fallback is shared by every user: make it ours and refuse one
    // that someone else prepared.
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        error_ = "cannot create " + folder.string() + ": " + std::strerror(errno);
        return;
    }
    if (!isPrivateFolder(folder)) {
        error_ = folder.string() + " is not a private folder of this user";
        return;
    }
    file_ = folder / (std::string(name) + ".lock");
    fd_ = ::open(file_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd_ < 0) {
        error_ = "cannot open " + file_.string() + ": " + std::strerror(errno);
        return;
    }
    if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
        state_ = State::Acquired;
        return;
    }
    const int cause = errno;
    ::close(fd_);
    fd_ = -1;
    if (cause == EWOULDBLOCK) {
        state_ = State::HeldElsewhere;
    } else {
        error_ = "cannot lock " + file_.string() + ": " + std::strerror(cause);
    }
}

std::filesystem::path SingleInstance::socketPath() const {
    if (file_.empty()) return {};
    std::filesystem::path socket = file_;
    return socket.replace_extension(".socket");
}

SingleInstance::~SingleInstance() {
    // The file stays: removing it would let a starting instance lock a file
    // that a third one is about to replace.
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace kw
