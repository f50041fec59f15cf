#include "cli/Cli.h"
#include "cli/CliSession.h"
#include "core/session/Roles.h"

#include <array>
#include <filesystem>
#include <ostream>

namespace kw::cli {
namespace {

// import-playlist FILE [--class0 NAME] [--dry-run] [--verbose]: the counts,
// the skip reasons with how many each, and with --verbose every skipped line.
// An address instead of a file subscribes to the list there.
int importPlaylist(CommandContext& context) {
    PlaylistExchange::ImportOptions options;
    takeOption(context.args, "--class0", options.class0);
    options.dryRun = takeFlag(context.args, "--dry-run");
    options.everyNote = takeFlag(context.args, "--verbose");
    if (!context.args.empty() && Subscriptions::isListAddress(context.args[0]))
        return subscribeToList(context, context.args[0], options.class0, options.dryRun, options.everyNote);
    expectArgCount(context.args, 1, 1);
    CliSession cli(context);
    const PlaylistExchange::ImportReport report =
        cli->exchange().importPlaylist(std::filesystem::absolute(context.args[0]), options);
    context.out << (options.dryRun ? "dry run, nothing stored\n" : "") << "added " << report.added << '\n'
                << "renamed " << report.renamed << '\n'
                << "skipped " << report.skipped << '\n';
    for (const PlaylistExchange::SkipReason& reason : report.reasons)
        context.out << "  " << printable(reason.reason) << ": " << reason.count << '\n';
    if (report.cutValues > 0) context.out << "categories cut " << report.cutValues << '\n';
    if (options.everyNote) {
        for (const std::string& note : report.notes) context.out << "  " << printable(note) << '\n';
    }
    return 0;
}

// export-playlist FILE [--format m3u8|pls|xspf] [--scope all|favorites|user|branch:PATH] [--password P]
int exportPlaylist(CommandContext& context) {
    std::string format = "m3u8", password;
    takeOption(context.args, "--format", format);
    PlaylistExchange::ExportRequest request;
    request.scope = takeScope(context.args);
    const bool hasPassword = takeOption(context.args, "--password", password);
    expectArgCount(context.args, 1, 1);
    const std::optional<PlaylistExchange::Format> chosen = PlaylistExchange::parseFormat(format);
    if (!chosen) throw UsageError("--format takes m3u8, pls or xspf");
    request.format = *chosen;

    CliSession cli(context);
    const PlaylistExchange::ExportReport report =
        cli->exchange().exportPlaylist(std::filesystem::absolute(context.args[0]), request,
                                       hasPassword ? std::optional<std::string>(password) : std::nullopt);
    context.out << "written " << report.written << '\n';
    if (report.lockedLeftOut > 0) context.out << "locked, left out " << report.lockedLeftOut << '\n';
    return 0;
}

constexpr std::array kCommands{
    Command{"import-playlist",
            "import-playlist FILE|ADDRESS [--class0 NAME] [--name NAME] [--dry-run] [--verbose]",
            importPlaylist},
    Command{"export-playlist",
            "export-playlist FILE [--format m3u8|pls|xspf] [--scope all|favorites|user|branch:PATH] "
            "[--password P]",
            exportPlaylist},
};

}  // namespace

std::span<const Command> playlistCommands() { return kCommands; }

}  // namespace kw::cli
