#pragma once

#include "core/ports/WebFetch.h"

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kw {

class DirectoryServers;
class SettingsFile;
class UiPort;
class YieldHook;

// How the directory names itself: the program and that the directory asks.
inline constexpr std::string_view kDirectoryUserAgent = "KestrelWave/1.0 (directory)";

enum class StationOrder { Votes, Clicks, Name };  // the first two most first

// A station search; empty texts and a zero bitrate do not filter.
struct StationQuery {
    std::string name;         // part of the name
    std::string tag;          // part of a tag
    std::string countryCode;  // two letters, "CN"
    std::string language;
    std::string codec;   // "MP3", "AAC"
    int bitrateMin = 0;  // kbit/s
    StationOrder order = StationOrder::Votes;
    int limit = 100;         // kept within 1..kMaxStationLimit
    int offset = 0;          // stations skipped, for the next page
    bool hideBroken = true;  // leaves out stations the directory's checks found dead
};

// The public radio directory's answers, as the text the server sent (JSON,
// read by the directory's parser). The server is [Directory] Server from the
// settings when set, else the mirrors the discovery finds, tried in turn: a
// failed connection, a stall, a server error or an answer that is no JSON
// moves on to the next; a refusal of the request (HTTP 4xx) is the answer.
// A server that answered is asked first next time. Each request shows its
// progress and offers cancel through the Ui; a cancelled request gives
// nullopt. Failures throw kw::Error with the user's text.
class DirectoryClient {
public:
    static constexpr int kMaxStationLimit = 10000;
    // Uuids asked for in one request: their list stays a short address.
    static constexpr std::size_t kUuidsPerRequest = 100;

    DirectoryClient(WebFetch& web, DirectoryServers& servers, UiPort& ui, YieldHook& yield,
                    const SettingsFile& settings);

    std::optional<std::string> searchStations(const StationQuery& query);
    // One answer per kUuidsPerRequest uuids, in their order; none for none.
    // A uuid of other characters than hex digits and "-" names no station
    // and is not sent.
    std::optional<std::vector<std::string>> stationsByUuid(std::span<const std::string> uuids);
    std::optional<std::string> countries();  // by name
    std::optional<std::string> languages();  // most stations first
    std::optional<std::string> tags();       // most stations first, the commonest kMaxTags

    static constexpr int kMaxLanguages = 500;
    static constexpr int kMaxTags = 1000;

    // Tells the directory the station was played (it counts one play per
    // listener a day), unless [Directory] ReportClicks is off. Never throws
    // and shows no progress: a lost count is not the user's concern. Whether
    // a server took it.
    bool reportClick(std::string_view uuid);

    // The limits of a station answer and of a list of countries, languages or tags.
    static FetchLimits stationLimits();
    static FetchLimits facetLimits();

private:
    // Progress: shown, with cancel, every server tried in turn. InPassing:
    // nothing shown and only the server that answered last, briefly, since
    // the window takes no input while it waits.
    enum class Shown { Progress, InPassing };
    std::optional<std::string> ask(const std::string& pathAndQuery, const FetchLimits& limits, Shown shown);
    std::vector<std::string> serversToTry();
    void answered(const std::string& server);

    WebFetch& web_;
    DirectoryServers& servers_;
    UiPort& ui_;
    YieldHook& yield_;
    const SettingsFile& settings_;
    std::vector<std::string> discovered_;  // the discovery's list, the last server that answered first
};

}  // namespace kw
