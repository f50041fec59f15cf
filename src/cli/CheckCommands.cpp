#include "cli/Cli.h"
#include "cli/CliSession.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <ostream>
#include <sstream>

namespace kw::cli {
namespace {

std::string fixed(double value, int decimals) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    return buffer;
}

std::string answerTime(const ProbeResult& result) {
    return result.answerSeconds < 0 ? "-" : fixed(result.answerSeconds, 3) + "s";
}

// The rate as text in `decimals`, or `none` where it was not measured meaningfully.
std::string rateText(const ChannelCheck& check, int decimals, std::string_view none) {
    const std::optional<double> rate = check.shownKbitPerSecond();
    return rate ? fixed(*rate, decimals) : std::string(none);
}

void printChecks(std::ostream& out, Format format, const std::vector<ChannelCheck>& checks) {
    const CheckSummary summary = summarizeChecks(checks);
    if (format == Format::Json) out << "{\"channels\":[";
    if (format == Format::Tsv) out << "name\tstatus\treason\treason_code\tanswer_s\tkbit_s\n";
    bool first = true;
    for (const ChannelCheck& check : checks) {
        const ProbeResult& r = check.result;
        const std::string word(check.statusWord());
        switch (format) {
            case Format::Text:
                out << printable(check.name) << "  " << word << "  " << printable(r.reason) << "  "
                    << answerTime(r) << "  " << rateText(check, 0, "-") << " kbit/s\n";
                break;
            case Format::Tsv:
                out << tsvText(check.name) << '\t' << word << '\t' << tsvText(r.reason) << '\t'
                    << probeReasonEntry(r.code).code << '\t'
                    << (r.answerSeconds < 0 ? "" : fixed(r.answerSeconds, 3)) << '\t'
                    << rateText(check, 0, "") << '\n';
                break;
            case Format::Json:
                out << (first ? "" : ",") << "\n{\"name\":" << jsonText(check.name)
                    << ",\"status\":" << r.status << ",\"word\":" << jsonText(word)
                    << ",\"reason\":" << jsonText(r.reason)
                    << ",\"reason_code\":" << jsonText(probeReasonEntry(r.code).code)
                    << ",\"answer_s\":" << (r.answerSeconds < 0 ? "null" : fixed(r.answerSeconds, 3))
                    << ",\"bytes\":" << r.bytes << ",\"kbit_s\":" << rateText(check, 1, "null") << '}';
                break;
        }
        first = false;
    }
    if (format == Format::Json) {
        out << "\n],\"summary\":{\"total\":" << checks.size() << ",\"smooth\":" << summary.byStatus[2]
            << ",\"reachable\":" << summary.byStatus[1] << ",\"unknown\":" << summary.byStatus[0] << "}}\n";
    } else if (format == Format::Text) {
        out << summary.text() << '\n';
    }
}

int runCheck(CommandContext& context) {
    std::string jobsText = std::to_string(kDefaultProbeJobs), timeoutText, report;
    const ChannelScope scope = takeScope(context.args);
    takeOption(context.args, "--jobs", jobsText);
    const bool timeoutGiven = takeOption(context.args, "--timeout", timeoutText);
    const Format format = takeFormat(context.args);
    const bool writeReport = takeOption(context.args, "--write-report", report);
    // For scripts: a dead channel makes the run fail; by default it does not.
    const bool failOnDead = takeFlag(context.args, "--fail-on-dead");
    expectArgCount(context.args, 0, 0);
    const int jobs = parseNumber(jobsText, "N");
    if (jobs < 1 || jobs > kMaxProbeJobs)
        throw UsageError("--jobs must be 1 to " + std::to_string(kMaxProbeJobs));
    // Without --timeout the settings file's time-out holds (0 asks for it).
    const int timeout = timeoutGiven ? parseNumber(timeoutText, "S") : 0;
    if (timeoutGiven && (timeout < 1 || timeout > 60)) throw UsageError("--timeout must be 1 to 60 seconds");

    CliSession cli(context);
    const std::vector<std::string> names = cli->health().channelsInScope(scope);
    // On a terminal the progress line is rewritten; elsewhere a line per tenth.
    const bool terminal = ::isatty(STDERR_FILENO) == 1;
    std::size_t shown = static_cast<std::size_t>(-1);
    std::size_t shownTenth = shown;
    const std::vector<ChannelCheck> checks =
        cli->health().checkChannels(names, jobs, timeout, [&](std::size_t done, std::size_t total) {
            if (done == shown) return true;
            shown = done;
            const std::size_t tenth = total == 0 ? 10 : done * 10 / total;
            if (!terminal && tenth == shownTenth && done != total) return true;
            shownTenth = tenth;
            context.err << (terminal ? "\r" : "") << "checked " << done << "/" << total
                        << (terminal && done != total ? "" : "\n") << std::flush;
            return true;
        });
    printChecks(context.out, format, checks);
    if (writeReport) {
        const std::size_t dead = cli->health().writeDeadChannelReport(report, checks);
        context.err << dead << " channels written to " << report << '\n';
    }
    constexpr int kDeadChannelsFound = 3;
    const bool anyDead =
        std::any_of(checks.begin(), checks.end(), [](const ChannelCheck& c) { return c.dead(); });
    return failOnDead && anyDead ? kDeadChannelsFound : 0;
}

// Lists the channels that failed often enough for long enough and, given
// --yes, deletes them.
int runPruneDead(CommandContext& context) {
    std::string failuresText = std::to_string(DeadChannelRule::kDefaultMinFailures);
    std::string daysText = std::to_string(DeadChannelRule::kDefaultMinDays);
    takeOption(context.args, "--min-failures", failuresText);
    takeOption(context.args, "--min-days", daysText);
    const bool dryRun = takeFlag(context.args, "--dry-run");
    const bool yes = takeFlag(context.args, "--yes");
    expectArgCount(context.args, 0, 0);
    const DeadChannelRule rule{parseNumber(failuresText, "N"), parseNumber(daysText, "D")};
    if (rule.minFailures < DeadChannelRule::kLeastFailures)
        throw UsageError("--min-failures must be " + std::to_string(DeadChannelRule::kLeastFailures) +
                         " or more");
    if (rule.minDays < DeadChannelRule::kLeastDays)
        throw UsageError("--min-days must be " + std::to_string(DeadChannelRule::kLeastDays) + " or more");
    if (!dryRun && !yes) throw UsageError("deleting needs --yes (or --dry-run to only list)");

    CliSession cli(context);
    DeadChannelCleanup& cleanup = cli->deadChannelCleanup();
    const std::vector<DeadChannelCandidate> candidates = cleanup.candidates(rule);
    if (candidates.empty()) {
        context.out << DeadChannelCleanup::kNothingToClean << '\n';
        return 0;
    }
    std::vector<std::string> names;
    for (const DeadChannelCandidate& c : candidates) {
        context.out << tsvText(c.name) << '\t' << tsvText(c.reason) << '\t' << c.failures << '\t'
                    << c.sinceDate() << '\n';
        names.push_back(c.name);
    }
    if (dryRun) {
        context.out << candidates.size() << " 个失效频道, 未删除\n";
        return 0;
    }
    context.out << "已删除 " << cleanup.deleteChannels(names, rule) << " 个失效频道\n";
    return 0;
}

constexpr std::array kCommands{
    Command{
        "check",
        "check [--scope all|favorites|user|branch:PATH] [--jobs N] [--timeout S] [--format text|tsv|json] "
        "[--write-report FILE] [--fail-on-dead]",
        runCheck},
    Command{"prune-dead", "prune-dead [--min-failures N] [--min-days D] [--dry-run] --yes", runPruneDead},
};

}  // namespace

std::span<const Command> checkCommands() { return kCommands; }

}  // namespace kw::cli
