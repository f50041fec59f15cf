#pragma once

#include "core/ports/ProbeReasons.h"

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace kw {

// Channels probed at once unless the caller asks for another number, and
// the most a caller may ask for.
inline constexpr int kDefaultProbeJobs = 64;
inline constexpr int kMaxProbeJobs = 1000;

// The rate a stream must reach to be smooth when its channel states none.
inline constexpr int kDefaultRequiredKbitPerSecond = 64;

// One channel as the probe sees it: the address is already unscrambled.
struct ProbeTarget {
    std::string address;
    bool webPage = false;                                       // a web page is checked for an answer only
    int requiredKbitPerSecond = kDefaultRequiredKbitPerSecond;  // the rate media data must reach to be smooth
};

struct ProbeLimits {
    std::chrono::milliseconds timeout{5000};  // for connecting and for the answer
    std::chrono::milliseconds window{3000};   // media data is measured this long
    std::size_t maxBytes = 256 * 1024;        // body bytes read per transfer
    std::size_t maxHeaderBytes = 32 * 1024;   // header bytes read per transfer
    int jobs = kDefaultProbeJobs;             // channels probed at once
};

// The limits of a check with this time-out: media data is measured no longer
// than the time-out, so that with enough jobs a whole check ends within about
// one and a half time-outs.
inline ProbeLimits probeLimitsFor(std::chrono::milliseconds timeout) {
    ProbeLimits limits;
    limits.timeout = timeout;
    limits.window = std::min(limits.window, timeout);
    return limits;
}

struct ProbeResult {
    int status = 0;      // 0 unknown, 1 reachable, 2 smooth
    std::string reason;  // the reason's words, with its detail (a status code, a rate)
    ProbeReason code = ProbeReason::Unchecked;
    bool checked = false;       // false when the run was cancelled first
    double answerSeconds = -1;  // until the first answer; -1 without one
    std::uint64_t bytes = 0;    // media bytes received
    double kbitPerSecond = 0;   // the rate the status was judged on
};

// Called while probes run, with how many are finished; returning false stops
// the run. Runs often (every few tens of milliseconds), so a window can paint.
using ProbeProgress = std::function<bool(std::size_t done, std::size_t total)>;
// Called once for each target as soon as its result is final, with the
// target's position; not for targets a cancel left unchecked.
using ProbeFinished = std::function<void(std::size_t index, const ProbeResult& result)>;

// The only way the program contacts a channel's address itself: a probe
// that changes nothing and reads at most the limits.
class StreamProbe {
public:
    virtual ~StreamProbe() = default;

    // Probes every target, limits.jobs at once; a result per target, in
    // their order. Targets left when progress stops the run are unchecked.
    // Two threads may each run a probe at once (the window's and the
    // background check's); the callbacks run on the calling thread.
    virtual std::vector<ProbeResult> probe(std::span<const ProbeTarget> targets, const ProbeLimits& limits,
                                           const ProbeProgress& progress, const ProbeFinished& finished) = 0;

    // One target alone; idle runs while it waits.
    ProbeResult probeOne(const ProbeTarget& target, const ProbeLimits& limits,
                         const std::function<void()>& idle = {}) {
        ProbeLimits single = limits;
        single.jobs = 1;
        return probe(std::span(&target, 1), single,
                     [&idle](std::size_t, std::size_t) {
                         if (idle) idle();
                         return true;
                     },
                     {})
            .front();
    }
};

}  // namespace kw
