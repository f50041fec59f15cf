#include "core/health/BackgroundCheck.h"

#include "core/base/AsciiText.h"
#include "core/base/Error.h"
#include "core/health/ChannelHealth.h"
#include "core/settings/SettingsFile.h"
#include "core/store/ChannelStore.h"

#include <algorithm>
#include <chrono>
#include <set>

namespace kw {

BackgroundCheck::BackgroundCheck(ChannelStore& store, ChannelHealth& health, const SettingsFile& settings,
                                 StreamProbe& probe, BackgroundCheckHooks hooks, Threading threading)
    : store_(store),
      health_(health),
      settings_(settings),
      probe_(probe),
      hooks_(std::move(hooks)),
      threading_(threading) {
    if (!hooks_.steadyMs) {
        hooks_.steadyMs = [] {
            return std::chrono::duration_cast<std::chrono::milliseconds>(
                       std::chrono::steady_clock::now().time_since_epoch())
                .count();
        };
    }
}

BackgroundCheck::~BackgroundCheck() {
    stop_ = true;
    join();
}

void BackgroundCheck::join() {
    if (worker_.joinable()) worker_.join();
}

void BackgroundCheck::tick() {
    if (!store_.isOpen() || store_.isReadOnly()) return;
    const std::int64_t now = hooks_.steadyMs();
    const bool busy = hooks_.busyElsewhere && hooks_.busyElsewhere();
    const std::uint64_t plays = hooks_.plays ? hooks_.plays() : 0;
    if (plays != playsSeen_) {
        playsSeen_ = plays;
        restUntilMs_ = now + std::int64_t{settings_.backgroundCheckPace().pauseAfterPlayMinutes} * 60'000;
    }
    const bool resting = busy || now < restUntilMs_;
    if (resting && running_) stop_ = true;
    // Writes wait while other work has the database.
    if (!busy) keepFinished();
    if (running_) {
        if (!batchDone_) return;
        join();
        running_ = false;
        if (!busy) keepFinished();
    }
    if (resting || now < nextStartMs_) return;

    const BackgroundCheckPace pace = settings_.backgroundCheckPace();
    if (!pace.enabled) {
        nextStartMs_ = now + kOffMs;
        return;
    }
    const auto atOnce = static_cast<std::size_t>(pace.atOnce);
    nextStartMs_ = now + kIdleMs;
    try {
        std::vector<std::string> names = dueChannels(atOnce, pace.retryMinutes, pace.recheckDays, now);
        if (names.empty()) return;
        // At most perMinute channels a minute, counted as they start.
        nextStartMs_ =
            now + (static_cast<std::int64_t>(names.size()) * 60'000 + pace.perMinute - 1) / pace.perMinute;
        start(std::move(names), atOnce);
    } catch (const Error&) {
        // The database is busy or damaged; the windows report that. Try later.
    }
}

std::vector<std::string> BackgroundCheck::dueChannels(std::size_t count, int retryMinutes, int recheckDays,
                                                      std::int64_t now) {
    std::vector<std::string> names;
    std::set<std::string> seen;  // ASCII case aside, as the store finds names
    const auto take = [&](std::string name) {
        if (names.size() < count && seen.insert(ascii::lower(name)).second) names.push_back(std::move(name));
    };
    const std::int64_t seconds = health_.now();
    for (std::string& name :
         store_.channelsFailedOnceBefore(seconds - std::int64_t{retryMinutes} * 60, count))
        take(std::move(name));
    // A few stretches a tick, however long the run of checked channels: the
    // window must not wait for the scan.
    for (std::size_t stretches = 0;
         stretches < kStretchesPerTick && names.size() < count && now >= rescanAtMs_; ++stretches) {
        ChannelStore::UncheckedStretch stretch =
            store_.uncheckedChannelsAfter(uncheckedAfterId_, kUncheckedStretch);
        bool tookAll = true;
        for (auto& [id, name] : stretch.channels) {
            if (names.size() == count) {
                tookAll = false;
                break;
            }
            take(std::move(name));
            uncheckedAfterId_ = id;
        }
        if (!tookAll) break;
        if (!stretch.nextAfterId) {
            uncheckedAfterId_ = 0;
            rescanAtMs_ = now + kRescanMs;
            break;
        }
        uncheckedAfterId_ = *stretch.nextAfterId;
    }
    if (names.size() < count) {
        for (std::string& name :
             store_.channelsCheckedBefore(seconds - std::int64_t{recheckDays} * 86'400, count - names.size()))
            take(std::move(name));
    }
    return names;
}

void BackgroundCheck::start(std::vector<std::string> names, std::size_t atOnce) {
    std::vector<ProbeTarget> targets;
    targets.reserve(names.size());
    for (const std::string& name : names) targets.push_back(health_.probeTarget(name));
    ProbeLimits limits = probeLimitsFor(std::chrono::seconds(settings_.channelTestTimeout()));
    limits.maxBytes = kSampleBytes;
    limits.jobs = static_cast<int>(atOnce);
    stop_ = false;
    batchDone_ = false;
    running_ = true;
    auto job = [this, names = std::move(names), targets = std::move(targets), limits] {
        probe_.probe(
            targets, limits, [this](std::size_t, std::size_t) { return !stop_; },
            [this, &names](std::size_t index, const ProbeResult& result) {
                const std::lock_guard lock(finishedMutex_);
                finished_.emplace_back(names[index], result);
            });
        batchDone_ = true;
    };
    if (threading_ == Threading::Inline) {
        job();
    } else {
        worker_ = std::thread(std::move(job));
    }
}

void BackgroundCheck::keepFinished() {
    std::vector<std::pair<std::string, ProbeResult>> finished;
    {
        const std::lock_guard lock(finishedMutex_);
        finished.swap(finished_);
    }
    if (finished.empty()) return;
    std::vector<CheckToRecord> records;
    records.reserve(finished.size());
    for (auto& [name, result] : finished) records.push_back(health_.toRecord(std::move(name), result));
    try {
        health_.keep(records);
        kept_ += records.size();
    } catch (const Error&) {
        // A result that cannot be written now is simply checked again later.
    }
}

}  // namespace kw
