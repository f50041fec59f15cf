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
    return cli->exchange().actExportUserChannel() ? 0 : 1;
}

// Batch add with FILE as the open dialog's answer; prints the final message.
int importChannels(CommandContext& context) {
    expectArgCount(context.args, 1, 1);
    CliSession cli(context);
    cli.ui().answerFile(std::filesystem::absolute(context.args[0]).string());
    return cli->exchange().actUserBatchAddChannel() ? 0 : 1;
}

int pack(CommandContext& context) {
    expectArgCount(context.args, 0, 0);
    CliSession cli(context);
    return cli->database().actPackMDB() ? 0 : 1;
}

// The engine's check of the database file; with --repair a damaged file is
// repaired as the window repairs it. Exit 1 while it is damaged.
int checkDatabase(CommandContext& context) {
    const bool repair = takeFlag(context.args, "--repair");
    expectArgCount(context.args, 0, 0);
    CliSession cli(context, Opening::Desktop, Database::Closed);
    const DatabaseCheck check = cli->database().checkDatabase();
    if (check.sound) {
        context.out << repair_texts::kSound << '\n';
        return 0;
    }
    context.out << repair_texts::kDamaged << '\n';
    for (const std::string& problem : check.problems) context.out << "  " << problem << '\n';
    if (!repair) return 1;
    return cli->database().repairDatabase() && cli->database().checkDatabase().sound ? 0 : 1;
}

constexpr std::array kCommands{
    Command{"export", "export FILE", exportChannels},
    Command{"import", "import FILE", importChannels},
    Command{"pack", "pack", pack},
    Command{"check-db", "check-db [--repair]", checkDatabase},
};

}  // namespace

std::span<const Command> exchangeCommands() { return kCommands; }

}  // namespace kw::cli
