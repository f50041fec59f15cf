#pragma once

#include "core/ports/StreamProbe.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace kw {

class ChannelHealth;
class ChannelStore;
class SettingsFile;

// What the background check asks of the rest of the program.
struct BackgroundCheckHooks {
    // Another long piece of work runs (a foreground check, batch add, a
    // rebuild, a player the desktop still runs): the check waits for it.
    std::function<bool()> busyElsewhere;
    // The plays handed to the desktop so far: the check rests after each.
    std::function<std::uint64_t()> plays;
    // Milliseconds of a steady clock, for the pace.
    std::function<std::int64_t()> steadyMs;
};

// Re-checks the catalogue while the program runs, a few channels at a time:
// first the channels whose one failure waits to be confirmed, then those
// never checked, then those whose last check is older than the settings'
// days. So a full pass over the catalogue happens at most once in that time.
// The probes run on a thread of their own and read a small sample of each
// stream; the event loop calls tick(), which keeps what came in and starts
// the next channels when the pace allows. It never starts, and stops what
// runs, while other work runs or after a play; results are kept only on the
// caller's thread.
class BackgroundCheck {
public:
    enum class Threading { OwnThread, Inline };
    static constexpr std::size_t kSampleBytes = 64 * 1024;
    // Never-checked channels are looked for in stretches of ids; after the
    // last stretch, again an hour later (channels added since).
    static constexpr std::size_t kUncheckedStretch = 512;
    static constexpr std::size_t kStretchesPerTick = 2;
    static constexpr std::int64_t kRescanMs = 60 * 60 * 1000;
    // With nothing due, or the check turned off, the next look comes later.
    static constexpr std::int64_t kIdleMs = 60 * 1000;
    static constexpr std::int64_t kOffMs = 5 * 1000;

    BackgroundCheck(ChannelStore& store, ChannelHealth& health, const SettingsFile& settings,
                    StreamProbe& probe, BackgroundCheckHooks hooks,
                    Threading threading = Threading::OwnThread);
    // Stops the probes under way and waits for them; what they found is dropped.
    ~BackgroundCheck();
    BackgroundCheck(const BackgroundCheck&) = delete;
    BackgroundCheck& operator=(const BackgroundCheck&) = delete;

    void tick();
    bool probing() const { return running_; }
    // Checks kept since the program started.
    std::size_t kept() const { return kept_; }

private:
    std::vector<std::string> dueChannels(std::size_t count, int retryMinutes, int recheckDays,
                                         std::int64_t now);
    void start(std::vector<std::string> names, std::size_t atOnce);
    void keepFinished();
    void join();

    ChannelStore& store_;
    ChannelHealth& health_;
    const SettingsFile& settings_;
    StreamProbe& probe_;
    BackgroundCheckHooks hooks_;
    Threading threading_;

    std::int64_t nextStartMs_ = 0;
    std::int64_t restUntilMs_ = 0;
    std::int64_t rescanAtMs_ = 0;
    std::int64_t uncheckedAfterId_ = 0;
    std::uint64_t playsSeen_ = 0;
    std::size_t kept_ = 0;
    bool running_ = false;

    std::thread worker_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> batchDone_{false};
    std::mutex finishedMutex_;
    std::vector<std::pair<std::string, ProbeResult>> finished_;
};

}  // namespace kw
