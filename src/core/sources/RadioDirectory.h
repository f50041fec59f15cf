#pragma once

#include "core/exchange/PlaylistExchange.h"
#include "core/sources/DirectoryClient.h"
#include "core/sources/RadioStation.h"
#include "core/sources/StationCleaning.h"
#include "core/store/ChannelStore.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace kw {

class ChannelBrowser;
class ChannelExchange;
class ShellOpener;
class Subscriptions;
class UiPort;
class YieldHook;

// One page of a station search, tidied.
struct StationPage {
    std::vector<RadioStation> stations;
    StationCleaning cleaning;
    // The next page starts this many stations further; fewer than asked
    // for means the search has no more.
    int received = 0;
    bool more = false;
};

// What adding directory stations to the catalogue did.
struct DirectoryAddReport {
    std::string class0;  // where they went
    std::int64_t added = 0;
    std::int64_t renamed = 0;               // took a number after their name: another channel had it
    std::vector<std::string> alreadyThere;  // station names: added before, under their uuid
    std::vector<std::string> unknown;       // uuids the directory does not know
    std::vector<std::string> unusable;      // station names without an address that can be played
};

// The community radio directory inside the program: its search, its lists
// of countries, languages and tags for the filters, a preview play, and its
// stations added to the catalogue as radio channels in the user's
// categories. Each added station remembers its uuid under the directory's
// own subscription, so a refresh of the subscriptions reads the user's
// stations again by uuid: a station with a new address gets it, one the
// directory no longer has is marked, never deleted.
class RadioDirectory {
public:
    // The directory's subscription: its address names no list, so it is
    // never fetched as one, and its name is what the user reads.
    static constexpr std::string_view kSourceAddress = "directory:radio-browser";
    static constexpr std::string_view kSourceName = "电台目录";
    // Ends the name of a found station the catalogue holds already.
    static constexpr std::string_view kAddedMark = "（已加入）";

    RadioDirectory(ChannelStore& store, ChannelExchange& exchange, ChannelBrowser& browser,
                   Subscriptions& subscriptions, DirectoryClient& client, ShellOpener& shell, UiPort& ui,
                   YieldHook& yield);

    // A page of the search, with progress and cancel shown; nullopt when
    // cancelled. Throws kw::Error with the user's text (nothing stored).
    std::optional<StationPage> search(const StationQuery& query);
    // The filters' values, each read once a run.
    std::optional<std::vector<DirectoryFacet>> countries();
    std::optional<std::vector<DirectoryFacet>> languages();
    std::optional<std::vector<DirectoryFacet>> tags();

    // The uuids of the stations the catalogue holds from the directory.
    std::unordered_set<std::string> addedUuids();

    // Adds the stations the catalogue does not hold yet, under class0
    // (empty: the radio category), in one batch with the catalogue's
    // unique-name rule. Throws kw::Error; what was written before an error stays.
    DirectoryAddReport add(std::span<const RadioStation> stations, std::string_view class0 = {});
    // The same for stations named by uuid, read from the directory first;
    // nullopt when the user cancelled the read.
    std::optional<DirectoryAddReport> addByUuid(std::span<const std::string> uuids,
                                                std::string_view class0 = {});

    // Hands the station's address to the desktop as a channel play does, and
    // tells the directory of the play unless the settings turn that off.
    void play(const RadioStation& station);

    // The stations known from the directory as they stand there now, for the
    // refresh of the directory's subscription.
    std::optional<PlaylistExchange::ImportReport> readAgain(
        const std::vector<SourceEntry>& known,
        const std::function<void(PlaylistExchange::ListedChannel&)>& take);

    // The summary the user reads after an add.
    static std::string describe(const DirectoryAddReport& report);

private:
    std::optional<std::vector<RadioStation>> stationsByUuid(std::span<const std::string> uuids);
    std::optional<std::vector<DirectoryFacet>> facets(std::optional<std::vector<DirectoryFacet>>& cache,
                                                      std::optional<std::string> (DirectoryClient::*ask)());

    ChannelStore& store_;
    ChannelExchange& exchange_;
    ChannelBrowser& browser_;
    Subscriptions& subscriptions_;
    DirectoryClient& client_;
    ShellOpener& shell_;
    UiPort& ui_;
    YieldHook& yield_;
    std::optional<std::vector<DirectoryFacet>> countries_, languages_, tags_;
};

}  // namespace kw
