#include "cli/Cli.h"
#include "core/base/ScrambleText.h"
#include "core/session/Installation.h"
#include "core/settings/AboutPage.h"
#include "core/store/ChannelStore.h"

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
            value <<= 4;
            if (digit >= '0' && digit <= '9')
                value |= unsigned(digit - '0');
            else if (digit >= 'a' && digit <= 'f')
                value |= unsigned(digit - 'a' + 10);
            else if (digit >= 'A' && digit <= 'F')
                value |= unsigned(digit - 'A' + 10);
            else
                throw UsageError("HEX holds a character that is no hexadecimal digit");
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
    std::string dataDir = KW_DATA_DIR;
    takeOption(context.args, "--data", dataDir);
    expectArgCount(context.args, 1, 1);
    const auto summary = createInstallation(std::filesystem::absolute(context.args[0]), dataDir, force);
    context.out << "Installed " << summary.systemChannels << " system channels in " << context.args[0]
                << '\n';
    return 0;
}

std::unique_ptr<ChannelStore> openStore(const CommandContext& context) {
    return ChannelStore::open(context.programDir / ChannelStore::kFileName);
}

int runStats(CommandContext& context) {
    expectArgCount(context.args, 0, 0);
    context.out << channelCountLine(*openStore(context)) << '\n';
    return 0;
}

int runList(CommandContext& context) {
    std::string rating = "0";
    takeOption(context.args, "--rating", rating);
    expectArgCount(context.args, 0, 0);
    const int filter = parseNumber(rating, "N");
    if (filter < 0 || filter > 5) throw UsageError("N must be 0 (all) to 5");
    openStore(context)->forEachListedChannel(
        filter, [&](const ChannelListing& channel) { context.out << channel.name << '\n'; });
    return 0;
}

constexpr std::array kCommands{
    Command{"init", "init DIR [--force] [--data DATADIR]", runInit},
    Command{"stats", "stats", runStats},
    Command{"list", "list [--rating N]", runList},
    Command{"scramble", "scramble --key KEY TEXT", runScramble},
    Command{"unscramble", "unscramble --key KEY HEX", runUnscramble},
};

}  // namespace

std::span<const Command> installCommands() { return kCommands; }

}  // namespace kw::cli
