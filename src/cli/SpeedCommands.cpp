#include "cli/Cli.h"
#include "cli/CliSession.h"
#include "core/base/Error.h"

#include <array>
#include <filesystem>
#include <ostream>

namespace kw::cli {
namespace {

int showSlots(CommandContext& context) {
    expectArgCount(context.args, 0, 0);
    CliSession cli(context);
    cli->speedSlots().loadSpeedChannelSet();
    int slot = 0;
    for (const SpeedSlotState& state : cli->speedSlots().states()) {
        context.out << ++slot << (state.name.empty() ? "" : " ") << printable(state.name) << '\n';
    }
    return 0;
}

// The assignment from the tree's pop-up menu, then what the program's exit
// does with a changed set: it goes to SCS/Temp.scs, which becomes the set in use.
int assignSlot(CommandContext& context) {
    const bool yes = takeFlag(context.args, "--yes");
    expectArgCount(context.args, 2, 2);
    const int slot = parseNumber(context.args[0], "N");
    if (slot < 1 || slot > SpeedChannels::kSlotCount) throw UsageError("N must be 1 to 22");
    CliSession cli(context);
    cli.ui().answerYes(yes);
    cli->speedSlots().loadSpeedChannelSet();
    cli->commands().selectByName(context.args[1]);
    if (!cli->commands().muSpeedChannelClick(slot)) return 1;
    cli->speedSlots().saveChangedSpeedChannels();
    return 0;
}

// The Save button with FILE as the dialog's answer.
int saveSet(CommandContext& context) {
    expectArgCount(context.args, 1, 1);
    const std::filesystem::path file = std::filesystem::absolute(context.args[0]);
    CliSession cli(context);
    cli->speedSlots().loadSpeedChannelSet();
    cli.ui().answerFile(file.string());
    cli->speedSlots().SpeedChannelSaveClick();
    return 0;
}

// The Open button with FILE as the dialog's answer; like the dialog, it only
// takes a file that exists.
int loadSet(CommandContext& context) {
    expectArgCount(context.args, 1, 1);
    const std::filesystem::path file = std::filesystem::absolute(context.args[0]);
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) throw Error("No such file: " + file.string());
    CliSession cli(context);
    cli.ui().answerFile(file.string());
    cli->speedSlots().SpeedChannelOpenClick();
    return 0;
}

int runSpeed(CommandContext& context) {
    auto& args = context.args;
    if (args.empty()) throw UsageError("missing arguments");
    const std::string action = args.front();
    args.erase(args.begin());
    if (action == "show") return showSlots(context);
    if (action == "assign") return assignSlot(context);
    if (action == "save") return saveSet(context);
    if (action == "load") return loadSet(context);
    throw UsageError("unknown action \"" + action + "\" (show, assign, save or load)");
}

constexpr std::array kCommands{
    Command{"speed", "speed show | speed assign N NAME [--yes] | speed save FILE | speed load FILE",
            runSpeed},
};

}  // namespace

std::span<const Command> speedCommands() { return kCommands; }

}  // namespace kw::cli
