#pragma once

#include <chrono>
#include <functional>
#include <string_view>
#include <thread>
#include <vector>

namespace kw {

// The channel format that marks a web page rather than a stream.
inline constexpr std::string_view kWebPageFormat = "网页";

// What the core needs from the desktop to hand a channel over: opening a
// document or address with the program the desktop associates with it, and
// opening a web address in the web browser; and for the desktop helpers,
// starting a named program. They return at once: false when
// nothing could be started; a started program that then fails is reported
// later through `onLateFailure`, from checkLaunches(), on the caller's thread.
class DesktopPort {
public:
    using LateFailure = std::function<void()>;

    virtual ~DesktopPort() = default;

    // `format` is the channel's stream format (empty when unknown); it tells a
    // web page (kWebPageFormat) from a media stream.
    virtual bool openDocument(std::string_view target, std::string_view format,
                              LateFailure onLateFailure) = 0;
    virtual bool openInBrowser(std::string_view address, LateFailure onLateFailure) = 0;
    // Starts a desktop program (a name found on PATH, or an absolute path)
    // with its arguments, never through a shell: the helpers' own programs
    // (volume control, recorder, a browser for the help page). Channel
    // targets never come here. False when it cannot be started.
    virtual bool startProgram(std::string_view program, const std::vector<std::string>& arguments,
                              LateFailure onLateFailure) = 0;

    // Looks at the started programs without waiting and reports those that
    // failed. A window calls it from its event loop while watchingLaunches().
    virtual void checkLaunches() {}
    virtual bool watchingLaunches() const { return false; }

    // For a front end without an event loop: checks until nothing is watched
    // or `bound` has passed; a program still running then counts as started.
    void waitForLaunches(std::chrono::milliseconds bound) {
        const auto deadline = std::chrono::steady_clock::now() + bound;
        for (checkLaunches(); watchingLaunches() && std::chrono::steady_clock::now() < deadline;
             checkLaunches()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
};

}  // namespace kw
