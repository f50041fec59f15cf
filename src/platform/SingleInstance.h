#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace kw {

// The name of the lock that keeps the program to one instance per user session.
inline constexpr std::string_view kSingleInstanceName = "Kestrelwave_Fernhollow";

// A lock named after `name`, held from construction to destruction: an
// flock()ed file in the user's runtime folder ($XDG_RUNTIME_DIR, else a private
// folder /tmp/kestrelwave-<uid>). The system drops the lock when the process
// ends in any way, so a crashed instance never blocks the next start.
class SingleInstance {
public:
    enum class State {
        Acquired,       // this process holds the lock
        HeldElsewhere,  // another process holds it
        Unavailable,    // no lock could be made (error() says why)
    };

    explicit SingleInstance(std::string_view name);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    State state() const { return state_; }
    const std::string& error() const { return error_; }
    const std::filesystem::path& file() const { return file_; }
    // Where the holder listens for a second start: a local socket beside the
    // lock file (empty when no lock could be made).
    std::filesystem::path socketPath() const;

    // The folder that holds the lock files of this user.
    static std::filesystem::path lockFolder();

private:
    State state_ = State::Unavailable;
    std::string error_;
    std::filesystem::path file_;
    int fd_ = -1;
};

}  // namespace kw
