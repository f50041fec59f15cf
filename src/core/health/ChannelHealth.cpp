#include "core/health/ChannelHealth.h"

#include "core/actions/ChannelProbe.h"
#include "core/actions/ChannelTest.h"
#include "core/base/SafeFile.h"
#include "core/base/ScopedFlag.h"
#include "core/base/ScrambleText.h"
#include "core/base/TextCodec.h"
#include "core/base/YieldHook.h"
#include "core/browser/ChannelBrowser.h"
#include "core/exchange/ChannelTextFile.h"
#include "core/settings/SettingsFile.h"
#include "core/store/ChannelStore.h"

#include <chrono>
#include <set>

namespace kw {

std::string_view ChannelCheck::statusWord() const { return probeStatusWord(result.status); }

std::optional<double> ChannelCheck::shownKbitPerSecond() const {
    if (result.bytes == 0 || result.kbitPerSecond <= 0) return std::nullopt;
    const double seconds = static_cast<double>(result.bytes) * 8.0 / 1000.0 / result.kbitPerSecond;
    if (seconds < kMinRateSeconds) return std::nullopt;
    return result.kbitPerSecond;
}

std::string CheckSummary::text() const {
    std::string line = std::to_string(total) + " 个频道: ";
    for (int status : {2, 1, 0}) {
        line += std::to_string(byStatus[static_cast<std::size_t>(status)]) + " " +
                std::string(probeStatusWord(status)) + (status > 0 ? ", " : "");
    }
    return line;
}

CheckSummary summarizeChecks(const std::vector<ChannelCheck>& checks) {
    CheckSummary summary;
    summary.total = checks.size();
    for (const ChannelCheck& check : checks)
        ++summary.byStatus[static_cast<std::size_t>(check.result.status)];
    return summary;
}

namespace {
// Results kept per transaction while a check runs.
constexpr std::size_t kChecksPerWrite = 16;
}  // namespace

std::int64_t ChannelHealth::systemSeconds() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

ChannelHealth::ChannelHealth(ChannelStore& store, ChannelBrowser& browser, const SettingsFile& settings,
                             StreamProbe& probe, YieldHook& yield, Clock now)
    : store_(store),
      browser_(browser),
      settings_(settings),
      probe_(probe),
      yield_(yield),
      now_(std::move(now)) {}

CheckToRecord ChannelHealth::toRecord(std::string name, const ProbeResult& result) const {
    return CheckToRecord{
        std::move(name),
        result.status,
        probeReasonEntry(result.code).code,
        now_(),
        result.answerSeconds < 0 ? -1 : static_cast<std::int64_t>(result.answerSeconds * 1000),
        static_cast<std::int64_t>(result.kbitPerSecond + 0.5)};
}

std::vector<std::string> ChannelHealth::channelsInScope(const ChannelScope& scope) const {
    std::vector<std::string> names;
    if (!store_.isOpen()) return names;
    store_.forEachChannelForExport([&](const ChannelStore::ExportedChannel& channel) {
        if (scope.contains(channel)) names.push_back(channel.record.name);
    });
    scope.requireFound(names.size());
    return names;
}

std::vector<std::string> ChannelHealth::channelsInSelectedBranch() const {
    std::vector<std::string> names;
    const NodeId node = browser_.selected();
    if (!store_.isOpen() || node == kNoNode) return names;
    const ChannelTree& tree = browser_.tree();
    const std::size_t level = tree.level(node);
    // A channel can stand in more than one branch (the favourites); it is probed once.
    std::set<std::string, std::less<>> seen;
    for (NodeId at = node; at != kNoNode && (at == node || tree.level(at) > level);
         at = tree.nextInTreeOrder(at)) {
        if (tree.IsChannelLeaf(at) && seen.emplace(tree.text(at)).second) names.emplace_back(tree.text(at));
    }
    return names;
}

ProbeLimits ChannelHealth::probeLimits(int timeoutSeconds) const {
    return probeLimitsFor(
        std::chrono::seconds(timeoutSeconds > 0 ? timeoutSeconds : settings_.channelTestTimeout()));
}

ProbeTarget ChannelHealth::probeTarget(std::string_view name) const {
    const ChannelAddress address = store_.readChannelAddress(name);
    // The key is the stored name, as for a play.
    return probeTargetFor(unscrambleText(address.scrambledUrl, address.name), address.type,
                          store_.readChannelDetails(address.name).speed);
}

ProbeResult ChannelHealth::probeWhileIdle(std::string_view name, const ProbeTarget& target) {
    const ScopedFlag flag(probing_);
    ProbeResult result = probe_.probeOne(target, probeLimits(0), [this] {
        if (probeIdle_) {
            probeIdle_();
        } else {
            yield_.yieldNow();
        }
    });
    if (result.checked) keep({toRecord(std::string(name), result)});
    return result;
}

std::vector<ChannelCheck> ChannelHealth::checkChannels(const std::vector<std::string>& names, int jobs,
                                                       int timeoutSeconds, const ProbeProgress& progress) {
    if (probing_) return {};
    const ScopedFlag flag(probing_);
    std::vector<ProbeTarget> targets;
    targets.reserve(names.size());
    for (const std::string& name : names) targets.push_back(probeTarget(name));
    ProbeLimits limits = probeLimits(timeoutSeconds);
    limits.jobs = jobs;
    std::vector<CheckToRecord> pending;
    const auto keepPending = [&] {
        keep(pending);
        pending.clear();
    };
    std::vector<ProbeResult> results =
        probe_.probe(targets, limits, progress, [&](std::size_t index, const ProbeResult& result) {
            pending.push_back(toRecord(names[index], result));
            if (pending.size() >= kChecksPerWrite) keepPending();
        });
    keepPending();
    std::vector<ChannelCheck> checks;
    checks.reserve(names.size());
    for (std::size_t i = 0; i < names.size(); ++i) checks.push_back({names[i], std::move(results[i])});
    return checks;
}

void ChannelHealth::keep(const std::vector<CheckToRecord>& checks) {
    store_.recordChecks(checks);
    std::vector<std::string> names;
    names.reserve(checks.size());
    for (const CheckToRecord& check : checks) names.push_back(check.name);
    browser_.deadChannels().follow(store_, names);
}

std::size_t ChannelHealth::writeDeadChannelReport(const std::filesystem::path& file,
                                                  const std::vector<ChannelCheck>& checks) const {
    std::string text;
    std::size_t count = 0;
    for (const ChannelCheck& check : checks) {
        if (!check.dead()) continue;
        const ChannelRecord record = store_.readChannelForEdit(check.name).record;
        appendChannelRecordUtf8(
            text, {record.class0, record.class1, record.class2, record.class3, record.name,
                   unscrambleText(record.scrambledUrl, record.name), record.link, record.memo, record.type,
                   record.speed, std::string(kInsertMarker)});
        ++count;
    }
    replaceFileAtomically(file, text::toGbk(text));
    return count;
}

}  // namespace kw
