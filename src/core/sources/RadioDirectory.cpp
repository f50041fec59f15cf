#include "core/sources/RadioDirectory.h"

#include "core/actions/ShellOpen.h"
#include "core/base/Error.h"
#include "core/base/YieldHook.h"
#include "core/browser/ChannelBrowser.h"
#include "core/exchange/ChannelExchange.h"
#include "core/exchange/ChannelTextFile.h"
#include "core/sources/StationCategories.h"
#include "core/sources/Subscriptions.h"

#include <algorithm>

namespace kw {
namespace {

// Every answer's stations, tidied together so that a station the answers
// repeat counts once.
std::vector<RadioStation> stationsOf(const std::vector<std::string>& answers) {
    std::vector<RadioStation> stations;
    for (const std::string& answer : answers) {
        std::vector<RadioStation> some = parseStations(answer);
        stations.insert(stations.end(), std::make_move_iterator(some.begin()),
                        std::make_move_iterator(some.end()));
    }
    cleanStations(stations);
    return stations;
}

void appendNames(std::string& text, std::string_view heading, const std::vector<std::string>& names) {
    if (names.empty()) return;
    constexpr std::size_t kNamed = 10;
    text += "\r\n" + std::string(heading);
    for (std::size_t i = 0; i < names.size() && i < kNamed; ++i) text += "\r\n  " + names[i];
    if (names.size() > kNamed) text += "\r\n  …… 另有 " + std::to_string(names.size() - kNamed) + " 个";
}

}  // namespace

RadioDirectory::RadioDirectory(ChannelStore& store, ChannelExchange& exchange, ChannelBrowser& browser,
                               Subscriptions& subscriptions, DirectoryClient& client, ShellOpener& shell,
                               UiPort& ui, YieldHook& yield)
    : store_(store),
      exchange_(exchange),
      browser_(browser),
      subscriptions_(subscriptions),
      client_(client),
      shell_(shell),
      ui_(ui),
      yield_(yield) {}

std::optional<StationPage> RadioDirectory::search(const StationQuery& query) {
    const std::optional<std::string> answer = client_.searchStations(query);
    if (!answer) return std::nullopt;
    StationPage page;
    page.stations = parseStations(*answer);
    page.received = static_cast<int>(page.stations.size());
    page.more = page.received >= std::clamp(query.limit, 1, DirectoryClient::kMaxStationLimit);
    page.cleaning = cleanStations(page.stations);
    return page;
}

std::optional<std::vector<DirectoryFacet>> RadioDirectory::facets(
    std::optional<std::vector<DirectoryFacet>>& cache, std::optional<std::string> (DirectoryClient::*ask)()) {
    if (!cache) {
        const std::optional<std::string> answer = (client_.*ask)();
        if (!answer) return std::nullopt;
        cache = parseFacets(*answer);
    }
    return cache;
}

std::optional<std::vector<DirectoryFacet>> RadioDirectory::countries() {
    return facets(countries_, &DirectoryClient::countries);
}

std::optional<std::vector<DirectoryFacet>> RadioDirectory::languages() {
    return facets(languages_, &DirectoryClient::languages);
}

std::optional<std::vector<DirectoryFacet>> RadioDirectory::tags() {
    return facets(tags_, &DirectoryClient::tags);
}

std::unordered_set<std::string> RadioDirectory::addedUuids() {
    std::unordered_set<std::string> uuids;
    if (!store_.isOpen()) return uuids;
    store_.forEachEntryOf(kSourceAddress, [&](const SourceEntry& entry) { uuids.insert(entry.entryId); });
    return uuids;
}

DirectoryAddReport RadioDirectory::add(std::span<const RadioStation> stations, std::string_view class0) {
    if (!store_.isOpen()) store_.reopen();
    DirectoryAddReport report;
    report.class0 = cleanChannelValue(class0, kChannelTextLimits[0]);
    if (report.class0.empty()) report.class0 = PlaylistExchange::kRadioCategory;
    std::unordered_set<std::string> held = addedUuids();
    const std::vector<SubscriptionRow> rows = store_.readSubscriptions();
    const bool subscribed = std::any_of(
        rows.begin(), rows.end(), [](const SubscriptionRow& row) { return row.address == kSourceAddress; });
    {
        ChannelExchange::BatchWriter writer(exchange_);
        ChannelExchange::UniqueNames uniqueNames(exchange_);
        PlaylistExchange playlists(exchange_, store_, ui_, yield_);
        try {
            for (const RadioStation& station : stations) {
                PlaylistExchange::ListedChannel listed = stationRecord(station);
                // Without its uuid a station could not be found again.
                if (station.uuid.empty() || listed.url.empty() || listed.record.name.empty()) {
                    report.unusable.push_back(station.name);
                    continue;
                }
                if (!held.insert(station.uuid).second) {
                    report.alreadyThere.push_back(station.name);
                    continue;
                }
                listed.record.class0 = report.class0;
                if (!subscribed && report.added == 0) {
                    // The directory's subscription comes with its first station.
                    if (!store_.transactionOpen()) store_.beginTransaction();
                    store_.addSubscription(
                        subscriptions_.newRow(std::string(kSourceAddress), std::string(kSourceName),
                                              std::string(PlaylistExchange::kRadioCategory)));
                }
                if (playlists.addListed(listed, kSourceAddress, writer, uniqueNames)) ++report.renamed;
                ++report.added;
                writer.step();
                yield_.tick();
            }
            writer.finish();
        } catch (const Error&) {
            writer.keepWritten();
            throw;
        }
    }
    if (report.added > 0) browser_.applyPendingChanges();
    return report;
}

std::optional<std::vector<RadioStation>> RadioDirectory::stationsByUuid(std::span<const std::string> uuids) {
    const std::optional<std::vector<std::string>> answers = client_.stationsByUuid(uuids);
    if (!answers) return std::nullopt;
    std::vector<RadioStation> stations = stationsOf(*answers);
    // Only what was asked for: an answer of more would add strangers.
    const std::unordered_set<std::string_view> asked(uuids.begin(), uuids.end());
    std::erase_if(stations, [&](const RadioStation& station) { return !asked.contains(station.uuid); });
    return stations;
}

std::optional<DirectoryAddReport> RadioDirectory::addByUuid(std::span<const std::string> uuids,
                                                            std::string_view class0) {
    std::optional<std::vector<RadioStation>> stations = stationsByUuid(uuids);
    if (!stations) return std::nullopt;
    DirectoryAddReport report = add(*stations, class0);
    std::unordered_set<std::string_view> found;
    for (const RadioStation& station : *stations) found.insert(station.uuid);
    for (const std::string& uuid : uuids)
        if (!found.contains(uuid)) report.unknown.push_back(uuid);
    return report;
}

void RadioDirectory::play(const RadioStation& station) {
    shell_.ShellOpen(station.address, stationFormat(station));
    client_.reportClick(station.uuid);
}

std::optional<PlaylistExchange::ImportReport> RadioDirectory::readAgain(
    const std::vector<SourceEntry>& known,
    const std::function<void(PlaylistExchange::ListedChannel&)>& take) {
    std::vector<std::string> uuids;
    uuids.reserve(known.size());
    for (const SourceEntry& entry : known) uuids.push_back(entry.entryId);
    std::optional<std::vector<RadioStation>> stations = stationsByUuid(uuids);
    if (!stations) return std::nullopt;
    PlaylistExchange::ImportReport report;
    for (const RadioStation& station : *stations) {
        PlaylistExchange::ListedChannel listed = stationRecord(station);
        ++report.entries;
        take(listed);
        yield_.tick();
    }
    return report;
}

std::string RadioDirectory::describe(const DirectoryAddReport& report) {
    std::string text = report.added == 0 ? std::string("没有加入新的电台。")
                                         : "已加入 " + std::to_string(report.added) + " 个电台，在“" +
                                               report.class0 + "”之下。";
    if (report.renamed > 0)
        text += "\r\n其中 " + std::to_string(report.renamed) + " 个与已有频道同名，名称后加了编号。";
    appendNames(text, "下列电台已经在频道中，没有再加入：", report.alreadyThere);
    appendNames(text, "下列电台没有可以播放的地址，没有加入：", report.unusable);
    appendNames(text, "电台目录中没有下列电台：", report.unknown);
    return text;
}

}  // namespace kw
