#pragma once

#include "core/browser/ChannelScope.h"
#include "core/ports/StreamProbe.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kw {

class ChannelBrowser;
class ChannelStore;
class SettingsFile;
class YieldHook;

// One channel's outcome in a catalogue check.
struct ChannelCheck {
    std::string name;
    ProbeResult result;

    // The channel test's status word: "[流畅]", "[可达]" or "[未知]".
    std::string_view statusWord() const;
    // Checked and found unknown: nothing answered as a stream or a page.
    bool dead() const { return result.checked && result.status == 0; }
    // The rate to show; none when it was measured over too short a time to
    // mean anything (a local server hands the whole sample over at once).
    std::optional<double> shownKbitPerSecond() const;
    static constexpr double kMinRateSeconds = 0.25;
};

// A catalogue check's totals, as the results window and kwave show them.
struct CheckSummary {
    std::size_t total = 0;
    std::array<std::size_t, 3> byStatus{};  // indexed by status 0..2

    // "N 个频道: a [流畅], b [可达], c [未知]"
    std::string text() const;
};
CheckSummary summarizeChecks(const std::vector<ChannelCheck>& checks);

// The channels' health as seen from this computer: which channels a check
// covers, the probes of their addresses (which change nothing in the
// database) and the report of the dead ones. One probe runs at a time.
class ChannelHealth {
public:
    // Seconds since 1970, for the time a check is kept with.
    using Clock = std::function<std::int64_t()>;
    static std::int64_t systemSeconds();

    ChannelHealth(ChannelStore& store, ChannelBrowser& browser, const SettingsFile& settings,
                  StreamProbe& probe, YieldHook& yield, Clock now = systemSeconds);

    // Lets the window take input while a probe waits, so the user can go on
    // browsing; without it the yield callback runs.
    void setProbeIdle(std::function<void()> idle) { probeIdle_ = std::move(idle); }
    bool probing() const { return probing_; }

    // The channels in scope, each once, in the database's order; a branch
    // that names no category throws kw::Error. None before the database is open.
    std::vector<std::string> channelsInScope(const ChannelScope& scope) const;
    // The channels in the selected node's branch of the tree (itself when it is a channel).
    std::vector<std::string> channelsInSelectedBranch() const;

    // Probes the named channels, jobs at once, with the time-out in seconds (0
    // takes the settings file's), and keeps each result in the database as
    // it comes, a few at a time, so a check broken off keeps what it had
    // finished. Returns nothing when a probe already runs.
    std::vector<ChannelCheck> checkChannels(const std::vector<std::string>& names, int jobs,
                                            int timeoutSeconds, const ProbeProgress& progress);
    // The channel test's probe of one channel, with the settings file's time-out.
    ProbeResult probeWhileIdle(std::string_view name, const ProbeTarget& target);

    // Writes the channels found dead (status 0) as a channel text file that
    // batch add reads; returns how many.
    std::size_t writeDeadChannelReport(const std::filesystem::path& file,
                                       const std::vector<ChannelCheck>& checks) const;

    // What a probe of the named channel reaches for, and the outcome of one
    // as the database keeps it, timed now.
    ProbeTarget probeTarget(std::string_view name) const;
    CheckToRecord toRecord(std::string name, const ProbeResult& result) const;
    // Keeps the checks in one transaction and marks the channels they found
    // dead, or alive again, in the tree.
    void keep(const std::vector<CheckToRecord>& checks);
    std::int64_t now() const { return now_(); }

private:
    ProbeLimits probeLimits(int timeoutSeconds) const;

    ChannelStore& store_;
    ChannelBrowser& browser_;
    const SettingsFile& settings_;
    StreamProbe& probe_;
    YieldHook& yield_;
    Clock now_;
    std::function<void()> probeIdle_;
    bool probing_ = false;
};

}  // namespace kw
