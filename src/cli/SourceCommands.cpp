#include "cli/Cli.h"
#include "cli/CliSession.h"
#include "core/base/Error.h"
#include "core/session/Roles.h"

#include <array>
#include <ostream>

namespace kw::cli {
namespace {

void printReport(CommandContext& context, const RefreshReport& report, bool verbose) {
    context.out << printable(Subscriptions::describe(report)) << '\n';
    for (const PlaylistExchange::SkipReason& reason : report.read.reasons)
        context.out << "  " << printable(reason.reason) << ": " << reason.count << '\n';
    if (verbose) {
        for (const std::string& note : report.read.notes) context.out << "  " << printable(note) << '\n';
    }
}

// The speed slots follow the channels a refresh renames: kwave loads them
// before and keeps the changed ones after, as the window does at its exit.
template <typename Refresh>
auto withSlotsFollowing(CliSession& cli, Refresh refresh) {
    cli->speedSlots().loadSpeedChannelSet();
    auto result = refresh();
    cli->speedSlots().saveChangedSpeedChannels();
    return result;
}

}  // namespace

// import-playlist ADDRESS [--class0 NAME] [--name NAME] [--dry-run] [--verbose]:
// the list at an address becomes a subscription.
int subscribeToList(CommandContext& context, const std::string& address, const std::string& class0,
                    bool dryRun, bool verbose) {
    Subscriptions::SubscribeOptions options;
    options.class0 = class0;
    options.dryRun = dryRun;
    takeOption(context.args, "--name", options.name);
    expectArgCount(context.args, 1, 1);
    CliSession cli(context);
    const std::optional<RefreshReport> report =
        withSlotsFollowing(cli, [&] { return cli->subscriptions().subscribe(address, options); });
    if (report) printReport(context, *report, verbose);
    return 0;
}

namespace {

// refresh [NAME|ADDRESS] [--dry-run]: each subscription, or the one named.
int runRefresh(CommandContext& context) {
    const bool dryRun = takeFlag(context.args, "--dry-run");
    expectArgCount(context.args, 0, 1);
    CliSession cli(context);
    Subscriptions& subscriptions = cli->subscriptions();
    std::vector<Subscription> chosen;
    if (context.args.empty()) {
        chosen = subscriptions.list();
        if (chosen.empty()) context.out << Subscriptions::kNoSubscriptions << '\n';
    } else if (std::optional<Subscription> one = subscriptions.find(context.args[0])) {
        chosen.push_back(std::move(*one));
    } else {
        throw Error(std::string(Subscriptions::kNoSubscription) + context.args[0]);
    }
    constexpr int kSomeFailed = 1;
    int exitCode = 0;
    withSlotsFollowing(cli, [&] {
        for (const Subscription& subscription : chosen) {
            try {
                if (const std::optional<RefreshReport> report = subscriptions.refresh(subscription, dryRun))
                    printReport(context, *report, false);
            } catch (const Error& error) {
                context.err << printable(error.what()) << '\n';
                exitCode = kSomeFailed;
            }
        }
        return 0;
    });
    return exitCode;
}

// sources: name, address, entries, last refresh and its result, tab-separated.
int runSources(CommandContext& context) {
    expectArgCount(context.args, 0, 0);
    CliSession cli(context);
    for (const Subscription& s : cli->subscriptions().list()) {
        context.out << tsvText(s.row.name) << '\t' << tsvText(s.row.address) << '\t' << s.state.entries
                    << '\t' << Subscriptions::timeText(s.state.refreshedAt) << '\t'
                    << tsvText(Subscriptions::resultText(s.state)) << '\n';
    }
    return 0;
}

// unsubscribe NAME [--delete-channels]
int runUnsubscribe(CommandContext& context) {
    const bool deleteChannels = takeFlag(context.args, "--delete-channels");
    expectArgCount(context.args, 1, 1);
    CliSession cli(context);
    const std::optional<Subscription> subscription = cli->subscriptions().find(context.args[0]);
    if (!subscription) throw Error(std::string(Subscriptions::kNoSubscription) + context.args[0]);
    const std::size_t deleted = cli->subscriptions().unsubscribe(*subscription, deleteChannels);
    context.out << "已取消订阅“" << printable(subscription->row.name) << "”";
    if (deleteChannels) context.out << "，删除了 " << deleted << " 个频道";
    context.out << '\n';
    return 0;
}

constexpr std::array kCommands{
    Command{"refresh", "refresh [NAME|ADDRESS] [--dry-run]", runRefresh},
    Command{"sources", "sources", runSources},
    Command{"unsubscribe", "unsubscribe NAME [--delete-channels]", runUnsubscribe},
};

}  // namespace

std::span<const Command> sourceCommands() { return kCommands; }

}  // namespace kw::cli
