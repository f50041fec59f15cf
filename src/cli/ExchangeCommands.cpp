#include "cli/Cli.h"
#include "cli/CliSession.h"

#include <array>
#include <filesystem>

namespace kw::cli {
namespace {

// The export command with FILE as the save dialog's answer.
int exportChannels(CommandContext& context) {
    expectArgCount(context.args, 1, 1);
    CliSession cli(context);
    cli.ui().answerFile(std::filesystem::absolute(context.args[0]).string());
    return cli->actExportUserChannel() ? 0 : 1;
}

// Batch add with FILE as the open dialog's answer; prints the final message.
int importChannels(CommandContext& context) {
    expectArgCount(context.args, 1, 1);
    CliSession cli(context);
    cli.ui().answerFile(std::filesystem::absolute(context.args[0]).string());
    return cli->actUserBatchAddChannel() ? 0 : 1;
}

int pack(CommandContext& context) {
    expectArgCount(context.args, 0, 0);
    CliSession cli(context);
    return cli->actPackMDB() ? 0 : 1;
}

constexpr std::array kCommands{
    Command{"export", "export FILE", exportChannels},
    Command{"import", "import FILE", importChannels},
    Command{"pack", "pack", pack},
};

}  // namespace

std::span<const Command> exchangeCommands() { return kCommands; }

}  // namespace kw::cli
