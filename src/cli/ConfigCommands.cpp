#include "cli/Cli.h"
#include "cli/CliSession.h"

#include <array>
#include <ostream>

namespace kw::cli {
namespace {

// "config get SECTION KEY [DEFAULT]" prints the value as the program reads it;
// "config set SECTION KEY VALUE" writes it the way the program writes keys.
int runConfig(CommandContext& context) {
    auto& args = context.args;
    if (args.empty()) throw UsageError("missing arguments");
    const std::string action = args.front();
    args.erase(args.begin());
    CliSession cli(context, Opening::Desktop, Database::Closed);
    if (action == "get") {
        expectArgCount(args, 2, 3);
        context.out << printable(cli->preferences().readSetting(args[0], args[1],
                                                                args.size() == 3 ? args[2] : std::string()))
                    << '\n';
        return 0;
    }
    if (action == "set") {
        expectArgCount(args, 3, 3);
        cli->preferences().writeSetting(args[0], args[1], args[2]);
        return 0;
    }
    throw UsageError("unknown action \"" + action + "\" (get or set)");
}

constexpr std::array kCommands{
    Command{"config", "config get SECTION KEY [DEFAULT] | config set SECTION KEY VALUE", runConfig},
};

}  // namespace

std::span<const Command> configCommands() { return kCommands; }

}  // namespace kw::cli
