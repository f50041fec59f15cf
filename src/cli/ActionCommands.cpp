#include "cli/Cli.h"
#include "cli/CliSession.h"

#include <array>
#include <ostream>

namespace kw::cli {
namespace {

// "on" or "off" as 1 or 0.
int onOff(std::string_view word) {
    if (word == "on") return 1;
    if (word == "off") return 0;
    throw UsageError("expected on or off, not \"" + std::string(word) + "\"");
}

Opening openingFrom(std::vector<std::string>& args) {
    return takeFlag(args, "--print") ? Opening::Print : Opening::Desktop;
}

int runPlay(CommandContext& context) {
    std::string password;
    const bool passwordGiven = takeOption(context.args, "--password", password);
    const Opening opening = openingFrom(context.args);
    expectArgCount(context.args, 1, 1);
    const std::string& name = context.args[0];
    CliSession cli(context, opening);
    if (passwordGiven) cli.ui().answerPassword(password);
    const unsigned failures = cli->failedOpens();
    const bool played = cli->commands().playByName(name);
    // A play the desktop refused, at once or after a while, failed.
    return played && cli.openedWithoutFailure(failures) ? 0 : 1;
}

int runLink(CommandContext& context) {
    const Opening opening = openingFrom(context.args);
    expectArgCount(context.args, 1, 1);
    CliSession cli(context, opening);
    ChannelCommands& commands = cli->commands();
    commands.selectByName(context.args[0]);
    const unsigned failures = cli->failedOpens();
    commands.actLinkChannelExecute();
    return cli.openedWithoutFailure(failures) ? 0 : 1;
}

int runFavorite(CommandContext& context) {
    expectArgCount(context.args, 2, 2);
    const int favorite = onOff(context.args[1]);
    CliSession cli(context);
    // The search after the move selects the channel (or, when an earlier
    // channel's name contains this one, that channel); it says so when it
    // finds nothing.
    cli->commands().selectByName(context.args[0]);
    if (!cli->commands().setFavorite(favorite == 1)) return 1;
    context.out << printable(cli->query().selectedText()) << '\n';
    return 0;
}

int runRate(CommandContext& context) {
    expectArgCount(context.args, 2, 2);
    const int rating = parseNumber(context.args[1], "RATING");
    if (rating < 1 || rating > kRatingItemCount)
        throw UsageError("RATING must be 1 (" + std::string(kRatingNames.front()) + ") to " +
                         std::to_string(kRatingItemCount) + " (" + std::string(kRatingNames.back()) + ")");
    CliSession cli(context);
    cli->commands().selectByName(context.args[0]);
    cli->commands().SetChannelRating(rating - 1);
    return 0;
}

int runLock(CommandContext& context) {
    std::string password;
    const bool passwordGiven = takeOption(context.args, "--password", password);
    expectArgCount(context.args, 2, 2);
    const int target = onOff(context.args[1]);
    CliSession cli(context);
    if (passwordGiven) cli.ui().answerPassword(password);
    cli->commands().selectByName(context.args[0]);
    return cli->commands().setLocked(target == 1) ? 0 : 1;
}

int runDelete(CommandContext& context) {
    const bool yes = takeFlag(context.args, "--yes");
    expectArgCount(context.args, 1, 1);
    CliSession cli(context);
    cli.ui().answerYes(yes);
    cli->commands().selectByName(context.args[0]);
    return cli->commands().actDeleteChannelExecute() ? 0 : 1;
}

int runTest(CommandContext& context) {
    expectArgCount(context.args, 1, 1);
    CliSession cli(context);
    cli->commands().selectByName(context.args[0]);
    cli->commands().actTestChannelExecute();
    return 0;
}

constexpr std::array kCommands{
    Command{"play", "play NAME [--password P] [--print]", runPlay},
    Command{"link", "link NAME [--print]", runLink},
    Command{"favorite", "favorite NAME on|off", runFavorite},
    Command{"rate", "rate NAME 1..5", runRate},
    Command{"lock", "lock NAME on|off [--password P]", runLock},
    Command{"delete", "delete NAME --yes", runDelete},
    Command{"test", "test NAME", runTest},
};

}  // namespace

std::span<const Command> actionCommands() { return kCommands; }

}  // namespace kw::cli
