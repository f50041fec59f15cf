#include "cli/Cli.h"
#include "cli/CliSession.h"
#include "core/session/Installation.h"

#include <array>
#include <iomanip>
#include <ostream>
#include <sstream>

namespace kw::cli {
namespace {

std::string toHex(std::string_view bytes) {
    std::ostringstream hex;
    for (unsigned char byte : bytes)
        hex << std::hex << std::uppercase << std::setw(2) << std::setfill('0') << int(byte);
    return hex.str();
}

std::string fromHex(std::string_view hex) {
    if (hex.size() % 2 != 0) throw UsageError("HEX must have an even number of digits");
    std::string bytes;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        unsigned value = 0;
        for (char digit : hex.substr(i, 2)) {
            const int digitValue = ascii::hexDigitValue(digit);
            if (digitValue < 0) throw UsageError("HEX holds a character that is no hexadecimal digit");
            value = (value << 4) | unsigned(digitValue);
        }
        bytes.push_back(static_cast<char>(value));
    }
    return bytes;
}

int runScramble(CommandContext& context) {
    std::string key;
    takeOption(context.args, "--key", key);
    expectArgCount(context.args, 1, 1);
    context.out << toHex(scrambleText(context.args[0], key)) << '\n';
    return 0;
}

int runUnscramble(CommandContext& context) {
    std::string key;
    takeOption(context.args, "--key", key);
    expectArgCount(context.args, 1, 1);
    context.out << unscrambleText(fromHex(context.args[0]), key) << '\n';
    return 0;
}

int runInit(CommandContext& context) {
    const bool force = takeFlag(context.args, "--force");
    std::string dataDir = context.dataFolder.string();
    takeOption(context.args, "--data", dataDir);
    expectArgCount(context.args, 1, 1);
    const auto summary = createInstallation(std::filesystem::absolute(context.args[0]), dataDir, force);
    context.out << "Installed " << summary.systemChannels << " system channels in " << context.args[0]
                << '\n';
    return 0;
}

int runStats(CommandContext& context) {
    expectArgCount(context.args, 0, 0);
    CliSession cli(context);
    context.out << cli->query().channelCountLine() << '\n';
    return 0;
}

int runList(CommandContext& context) {
    std::string rating = "0";
    std::string status;
    takeOption(context.args, "--rating", rating);
    const bool statusGiven = takeOption(context.args, "--status", status);
    expectArgCount(context.args, 0, 0);
    const int filter = parseNumber(rating, "N");
    if (!isValidRatingFilter(filter)) throw UsageError(ratingFilterRange());
    std::optional<ChannelState> state;
    if (statusGiven) {
        state = channelStateNamed(status);
        if (!state) throw UsageError("--status must be alive, dead or unchecked");
    }
    CliSession cli(context);
    for (const std::string& name : cli->query().channelNames(filter, state))
        context.out << printable(name) << '\n';
    return 0;
}

constexpr std::array kCommands{
    Command{"init", "init DIR [--force] [--data DATADIR]", runInit},
    Command{"stats", "stats", runStats},
    Command{"list", "list [--rating N] [--status alive|dead|unchecked]", runList},
    Command{"scramble", "scramble --key KEY TEXT", runScramble},
    Command{"unscramble", "unscramble --key KEY HEX", runUnscramble},
};

}  // namespace

std::span<const Command> installCommands() { return kCommands; }

}  // namespace kw::cli
