#include "cli/Cli.h"
#include "cli/CliSession.h"
#include "core/session/Roles.h"

#include <array>
#include <ostream>
#include <unordered_set>

namespace kw::cli {
namespace {

constexpr std::string_view kUsage =
    "directory search TEXT [--tag T] [--country CC] [--language L] [--codec C] [--min-kbit N] "
    "[--order votes|clicks|name] [--limit N] [--include-broken] [--format text|tsv|json] | "
    "directory add UUID... [--class0 NAME] | directory countries|languages|tags";

StationOrder orderFrom(std::string_view word) {
    if (word == "votes") return StationOrder::Votes;
    if (word == "clicks") return StationOrder::Clicks;
    if (word == "name") return StationOrder::Name;
    throw UsageError("--order must be votes, clicks or name, not \"" + std::string(word) + "\"");
}

std::string joined(const std::vector<std::string>& values, std::string_view between) {
    std::string text;
    for (const std::string& value : values) text.append(text.empty() ? "" : between).append(value);
    return text;
}

void printStations(std::ostream& out, Format format, const std::vector<RadioStation>& stations,
                   const std::unordered_set<std::string>& added) {
    if (format == Format::Json) out << "{\"stations\":[";
    bool first = true;
    for (const RadioStation& s : stations) {
        const bool inCatalogue = added.contains(s.uuid);
        switch (format) {
            case Format::Text:
                out << printable(s.name) << (inCatalogue ? RadioDirectory::kAddedMark : "") << "  ["
                    << s.countryCode << ", " << printable(joined(s.languages, ",")) << ", "
                    << printable(s.codec) << ' ' << s.bitrate << " kbit/s, " << s.votes << " 票"
                    << (s.lastCheckOk ? "" : ", 目录检查失效") << "]  " << printable(s.uuid) << '\n';
                break;
            case Format::Tsv:
                out << tsvText(s.uuid) << '\t' << tsvText(s.name) << '\t' << s.countryCode << '\t'
                    << tsvText(joined(s.languages, ",")) << '\t' << tsvText(s.codec) << '\t' << s.bitrate
                    << '\t' << s.votes << '\t' << s.clicks << '\t' << (s.lastCheckOk ? "ok" : "broken")
                    << '\t' << (inCatalogue ? "added" : "-") << '\t' << tsvText(joined(s.tags, ",")) << '\t'
                    << tsvText(s.address) << '\n';
                break;
            case Format::Json:
                out << (first ? "" : ",") << "\n{\"uuid\":" << jsonText(s.uuid)
                    << ",\"name\":" << jsonText(s.name) << ",\"countrycode\":" << jsonText(s.countryCode)
                    << ",\"country\":" << jsonText(s.country)
                    << ",\"languages\":" << jsonText(joined(s.languages, ","))
                    << ",\"codec\":" << jsonText(s.codec) << ",\"bitrate\":" << s.bitrate
                    << ",\"votes\":" << s.votes << ",\"clicks\":" << s.clicks
                    << ",\"lastcheckok\":" << (s.lastCheckOk ? "true" : "false")
                    << ",\"added\":" << (inCatalogue ? "true" : "false")
                    << ",\"tags\":" << jsonText(joined(s.tags, ",")) << ",\"url\":" << jsonText(s.address)
                    << '}';
                break;
        }
        first = false;
    }
    if (format == Format::Json) out << "\n]}\n";
}

int runSearch(CommandContext& context) {
    StationQuery query;
    std::string minKbit, order = "votes", limit = std::to_string(query.limit);
    takeOption(context.args, "--tag", query.tag);
    takeOption(context.args, "--country", query.countryCode);
    takeOption(context.args, "--language", query.language);
    takeOption(context.args, "--codec", query.codec);
    const bool minGiven = takeOption(context.args, "--min-kbit", minKbit);
    takeOption(context.args, "--order", order);
    takeOption(context.args, "--limit", limit);
    query.hideBroken = !takeFlag(context.args, "--include-broken");
    const Format format = takeFormat(context.args);
    expectArgCount(context.args, 0, 1);
    if (!context.args.empty()) query.name = context.args[0];
    if (minGiven) query.bitrateMin = parseNumber(minKbit, "N");
    if (query.bitrateMin < 0 || query.bitrateMin > kMaxStationBitrate)
        throw UsageError("--min-kbit must be 0 to " + std::to_string(kMaxStationBitrate));
    query.limit = parseNumber(limit, "N");
    if (query.limit < 1 || query.limit > DirectoryClient::kMaxStationLimit)
        throw UsageError("--limit must be 1 to " + std::to_string(DirectoryClient::kMaxStationLimit));
    query.order = orderFrom(order);

    CliSession cli(context);
    const std::optional<StationPage> page = cli->directory().search(query);
    if (!page) return 1;
    printStations(context.out, format, page->stations, cli->directory().addedUuids());
    return 0;
}

int runAdd(CommandContext& context) {
    std::string class0;
    takeOption(context.args, "--class0", class0);
    if (context.args.empty()) throw UsageError("directory add needs at least one UUID");
    CliSession cli(context);
    const std::optional<DirectoryAddReport> report = cli->directory().addByUuid(context.args, class0);
    if (!report) return 1;
    context.out << printable(RadioDirectory::describe(*report)) << '\n';
    return report->unknown.empty() && report->unusable.empty() ? 0 : 1;
}

int runFacets(CommandContext& context, const std::string& which) {
    expectArgCount(context.args, 0, 0);
    CliSession cli(context);
    RadioDirectory& directory = cli->directory();
    const std::optional<std::vector<DirectoryFacet>> facets = which == "countries"   ? directory.countries()
                                                              : which == "languages" ? directory.languages()
                                                                                     : directory.tags();
    if (!facets) return 1;
    for (const DirectoryFacet& facet : *facets) {
        if (which == "countries") context.out << tsvText(facet.countryCode) << '\t';
        context.out << tsvText(facet.name) << '\t' << facet.stationCount << '\n';
    }
    return 0;
}

// directory search|add|countries|languages|tags: the community radio directory.
int runDirectory(CommandContext& context) {
    if (context.args.empty()) throw UsageError("directory needs search, add, countries, languages or tags");
    const std::string what = context.args.front();
    context.args.erase(context.args.begin());
    if (what == "search") return runSearch(context);
    if (what == "add") return runAdd(context);
    if (what == "countries" || what == "languages" || what == "tags") return runFacets(context, what);
    throw UsageError("directory has no command \"" + what + "\"");
}

constexpr std::array kCommands{Command{"directory", kUsage, runDirectory}};

}  // namespace

std::span<const Command> directoryCommands() { return kCommands; }

}  // namespace kw::cli
