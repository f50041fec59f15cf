#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kw {

// One channel as the probe sees it: the address is already unscrambled.
struct ProbeTarget {
    std::string name;
    std::string address;
    std::string type;   // ci_Type; "网页" channels are checked for an answer only
    std::string speed;  // ci_Speed; a number of kbit/s sets the rate to reach
};

struct ProbeLimits {
    std::chrono::milliseconds timeout{5000};  // for connecting and for the answer
    std::chrono::milliseconds window{3000};   // media data is measured this long
    std::size_t maxBytes = 256 * 1024;        // body bytes read per transfer
    std::size_t maxHeaderBytes = 32 * 1024;   // header bytes read per transfer
    int jobs = 16;                            // channels probed at once
};

struct ProbeResult {
    int status = 0;  // 0 unknown, 1 reachable, 2 smooth
    std::string reason;
    bool checked = false;       // false when the run was cancelled first
    double answerSeconds = -1;  // until the first answer; -1 without one
    std::uint64_t bytes = 0;    // media bytes received
    double kbitPerSecond = 0;   // the rate the status was judged on
};

// Called while probes run, with how many are finished; returning false stops
// the run. Runs often (every few tens of milliseconds), so a window can paint.
using ProbeProgress = std::function<bool(std::size_t done, std::size_t total)>;

// The only place the program contacts a channel's address itself. Speaks
// http and https only, follows at most 5 redirects among them, keeps no
// cookies, asks for no compression and reads at most the limits.
std::vector<ProbeResult> probeChannels(std::span<const ProbeTarget> targets, const ProbeLimits& limits,
                                       const ProbeProgress& progress = {});
ProbeResult probeChannel(const ProbeTarget& target, const ProbeLimits& limits,
                         const std::function<void()>& idle = {});

// The rate a channel must reach to be smooth: its stated kbit/s, else 64.
int requiredKbitPerSecond(std::string_view speed);

}  // namespace kw
