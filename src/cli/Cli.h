#pragma once

#include "core/session/ProgramDirectory.h"
#include "core/session/Roles.h"

#include <filesystem>
#include <iosfwd>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kw::cli {

// A command line that does not fit a command's form: exit status 2 with usage.
class UsageError : public std::runtime_error {
public:
    explicit UsageError(const std::string& what) : std::runtime_error(what) {}
};

struct CommandContext {
    std::filesystem::path programDir;
    // A per-user program directory is made from dataFolder when a command
    // first opens it; one given with --dir or a portable one is used as is.
    ProgramLayout layout = ProgramLayout::Portable;
    std::filesystem::path dataFolder;
    std::vector<std::string> args;  // the words after the command name
    std::ostream& out;
    std::ostream& err;
};

struct Command {
    std::string_view name;
    std::string_view usage;  // the form after "kwave [--dir DIR] "
    int (*run)(CommandContext&);
};

// Each subsystem lists its commands in its own file.
std::span<const Command> installCommands();
std::span<const Command> configCommands();
std::span<const Command> browserCommands();
std::span<const Command> actionCommands();
std::span<const Command> speedCommands();
std::span<const Command> exchangeCommands();
std::span<const Command> formCommands();
std::span<const Command> checkCommands();
std::span<const Command> playlistCommands();
std::span<const Command> sourceCommands();
std::span<const Command> directoryCommands();
// import-playlist with an address: subscribes to the list there.
int subscribeToList(CommandContext& context, const std::string& address, const std::string& class0,
                    bool dryRun, bool verbose);

// Takes "--name VALUE" out of args; nullopt-like empty when absent.
bool takeOption(std::vector<std::string>& args, std::string_view name, std::string& value);
bool takeFlag(std::vector<std::string>& args, std::string_view name);
// Parses a whole decimal number or throws UsageError naming what.
int parseNumber(std::string_view text, std::string_view what);
// Takes --scope (all when absent) or throws UsageError for a scope it does not know.
ChannelScope takeScope(std::vector<std::string>& args);
void expectArgCount(const std::vector<std::string>& args, std::size_t min, std::size_t max);
// Text from outside (a server's answer, a stored memo or name, a file's
// lines) as kwave prints it: control characters but TAB, LF and CR, DEL and
// the C1 controls come out as \xHH, so none reaches the terminal as an
// escape sequence.
std::string printable(std::string_view text);
// A value in a TSV row: TAB and line ends inside it would break the row.
std::string tsvText(std::string text);
// A text as a JSON string, quotes included.
std::string jsonText(std::string_view text);
// What --format chooses for a listing.
enum class Format { Text, Tsv, Json };
// Takes --format (text when absent) or throws UsageError for another word.
Format takeFormat(std::vector<std::string>& args);
// The folder of the running kwave.
std::filesystem::path executableFolder();
// The usage texts for a rating filter N and a display mode M out of range.
std::string ratingFilterRange();
std::string displayModeRange();

}  // namespace kw::cli
