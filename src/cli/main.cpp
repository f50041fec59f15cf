// kwave: the command line on the Kestrel Wave core, for scripting and tests.
#include "cli/Cli.h"
#include "core/base/Error.h"
#include "core/session/Roles.h"

#include <algorithm>
#include <charconv>
#include <iostream>
#include <vector>

namespace kw::cli {
namespace {

std::vector<Command> allCommands() {
    std::vector<Command> commands;
    for (auto list : {installCommands(), configCommands(), browserCommands(), actionCommands(),
                      speedCommands(), exchangeCommands(), formCommands(), checkCommands(),
                      playlistCommands(), sourceCommands(), directoryCommands()}) {
        commands.insert(commands.end(), list.begin(), list.end());
    }
    return commands;
}

void printUsage(std::ostream& stream) {
    stream << "usage: kwave [--dir DIR] COMMAND [ARGS]\n"
              "       kwave --help | --version | COMMAND --help\n"
              "  --dir DIR  the program directory (default: the folder of kwave when it holds\n"
              "             Kestrelwave.dll, else ~/.local/share/kestrelwave)\n"
              "commands:\n";
    for (const Command& command : allCommands()) stream << "  " << command.usage << '\n';
}

}  // namespace

std::filesystem::path executableFolder() {
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::current_path() : self.parent_path();
}

bool takeOption(std::vector<std::string>& args, std::string_view name, std::string& value) {
    for (auto it = args.begin(); it != args.end(); ++it) {
        if (*it != name) continue;
        if (std::next(it) == args.end()) throw UsageError(std::string(name) + " needs a value");
        value = *std::next(it);
        args.erase(it, it + 2);
        return true;
    }
    return false;
}

bool takeFlag(std::vector<std::string>& args, std::string_view name) {
    for (auto it = args.begin(); it != args.end(); ++it) {
        if (*it == name) {
            args.erase(it);
            return true;
        }
    }
    return false;
}

int parseNumber(std::string_view text, std::string_view what) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) {
        throw UsageError(std::string(what) + " must be a whole number, not \"" + std::string(text) + "\"");
    }
    return value;
}

ChannelScope takeScope(std::vector<std::string>& args) {
    std::string text = "all";
    takeOption(args, "--scope", text);
    const std::optional<ChannelScope> scope = ChannelScope::parse(text);
    if (!scope)
        throw UsageError("--scope takes " + std::string(ChannelScope::kWords) + ", not \"" + text + "\"");
    return *scope;
}

void expectArgCount(const std::vector<std::string>& args, std::size_t min, std::size_t max) {
    if (args.size() < min) throw UsageError("missing arguments");
    if (args.size() > max) throw UsageError("unexpected argument \"" + args[max] + "\"");
}

std::string ratingFilterRange() { return "N must be 0 (all) to " + std::to_string(kFilterChannelCount - 1); }

std::string displayModeRange() { return "M must be 0 to " + std::to_string(kClassDisplayChannelCount - 1); }

}  // namespace kw::cli

int main(int argc, char** argv) {
    using namespace kw::cli;
    using kw::ProgramLocation;
    using kw::shippedDataFolder;
    std::vector<std::string> words(argv + 1, argv + argc);
    try {
        std::string dir;
        const bool dirGiven = takeOption(words, "--dir", dir);
        if (words.empty()) throw UsageError("no command given");
        const std::string name = words.front();
        words.erase(words.begin());
        // Answered without opening or making anything.
        if (name == "--help" || name == "-h") {
            printUsage(std::cout);
            return 0;
        }
        if (name == "--version") {
            std::cout << "kwave " << KW_VERSION << '\n';
            return 0;
        }
        for (const Command& command : allCommands()) {
            if (command.name != name) continue;
            if (std::find(words.begin(), words.end(), "--help") != words.end()) {
                std::cout << "usage: kwave [--dir DIR] " << command.usage << '\n';
                return 0;
            }
            const ProgramLocation location = dirGiven ? ProgramLocation{std::filesystem::absolute(dir)}
                                                      : kw::locateProgramDirectory(executableFolder());
            CommandContext context{location.dir,     location.layout, shippedDataFolder(executableFolder()),
                                   std::move(words), std::cout,       std::cerr};
            try {
                return command.run(context);
            } catch (const UsageError& error) {
                std::cerr << "kwave " << name << ": " << error.what() << "\nusage: kwave [--dir DIR] "
                          << command.usage << '\n';
                return 2;
            }
        }
        throw UsageError("unknown command \"" + name + "\"");
    } catch (const UsageError& error) {
        std::cerr << "kwave: " << error.what() << '\n';
        printUsage(std::cerr);
        return 2;
    } catch (const kw::Error& error) {
        std::cerr << printable(error.what()) << '\n';
        return 1;
    } catch (const std::exception& error) {
        std::cerr << printable(error.what()) << '\n';
        return 1;
    }
}
