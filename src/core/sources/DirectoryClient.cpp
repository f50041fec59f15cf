#include "core/sources/DirectoryClient.h"

#include "core/base/AddressRules.h"
#include "core/base/AsciiText.h"
#include "core/base/Error.h"
#include "core/base/YieldHook.h"
#include "core/ports/DirectoryServers.h"
#include "core/ports/UiPort.h"
#include "core/settings/SettingsFile.h"
#include "core/sources/DocumentFetch.h"

#include <algorithm>
#include <chrono>
#include <future>

namespace kw {
namespace {

using std::chrono::milliseconds;
constexpr std::string_view kAllDown = "所有电台目录服务器都无法访问：";

constexpr bool isDigit(char c) { return c >= '0' && c <= '9'; }

// RFC 3986: everything but the unreserved characters as %XX of its bytes,
// so that "&", "=", "#" and the bytes of Chinese text stay inside a value.
std::string percentEncoded(std::string_view text) {
    constexpr std::string_view kHex = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        if (ascii::isLetter(c) || isDigit(c) || c == '-' || c == '.' || c == '_' || c == '~') {
            out.push_back(c);
            continue;
        }
        const auto byte = static_cast<unsigned char>(c);
        out.push_back('%');
        out.push_back(kHex[byte >> 4]);
        out.push_back(kHex[byte & 0xF]);
    }
    return out;
}

// "?key=value&..." with each value encoded.
class QueryText {
public:
    QueryText& add(std::string_view key, std::string_view value) {
        text_ += text_.empty() ? '?' : '&';
        text_.append(key).append("=").append(percentEncoded(value));
        return *this;
    }
    QueryText& addIfSet(std::string_view key, std::string_view value) {
        return value.empty() ? *this : add(key, value);
    }
    QueryText& add(std::string_view key, int value) { return add(key, std::to_string(value)); }
    const std::string& text() const { return text_; }

private:
    std::string text_;
};

bool isUuid(std::string_view text) {
    return !text.empty() && text.size() <= 64 && std::all_of(text.begin(), text.end(), [](char c) {
        return isDigit(c) || c == '-' || (ascii::toLower(c) >= 'a' && ascii::toLower(c) <= 'f');
    });
}

// A directory's answer is a JSON array or object; a login page of a
// hotspot or a mirror's error page is neither.
bool looksLikeJson(std::string_view body) {
    const auto first = body.find_first_not_of(" \t\r\n");
    return first != std::string_view::npos && (body[first] == '[' || body[first] == '{');
}

// A status that only this server gives: another mirror may answer.
bool isServerTrouble(long status) { return status >= 500 || status == 429 || status < 400; }

// The fixed server from [Directory] Server without its trailing "/";
// nullopt when none is set.
std::optional<std::string> configuredServer(const SettingsFile& settings) {
    std::string server = settings.directoryServer();
    if (server.empty()) return std::nullopt;
    const bool plain = std::none_of(server.begin(), server.end(),
                                    [](char c) { return static_cast<unsigned char>(c) <= 0x20; });
    if (!address::isWebAddress(server) || !plain || address::hostOf(server).empty())
        throw Error(
            "设置文件 [Directory] Server 中的电台目录服务器地址无效，只能是 http:// 或 https:// "
            "开头的地址：" +
            server);
    while (server.ends_with('/')) server.pop_back();
    return server;
}

FetchLimits directoryLimits(std::uint64_t maxBytes) {
    FetchLimits limits;
    limits.connectTimeout = milliseconds(5000);
    limits.stallTimeout = milliseconds(10000);
    limits.maxBytes = maxBytes;
    limits.compressed = true;
    limits.userAgent = kDirectoryUserAgent;
    return limits;
}

}  // namespace

DirectoryClient::DirectoryClient(WebFetch& web, DirectoryServers& servers, UiPort& ui, YieldHook& yield,
                                 const SettingsFile& settings)
    : web_(web), servers_(servers), ui_(ui), yield_(yield), settings_(settings) {}

FetchLimits DirectoryClient::stationLimits() { return directoryLimits(std::uint64_t{32} << 20); }

FetchLimits DirectoryClient::facetLimits() { return directoryLimits(std::uint64_t{8} << 20); }

std::optional<std::string> DirectoryClient::searchStations(const StationQuery& query) {
    QueryText text;
    text.addIfSet("name", query.name)
        .addIfSet("tag", query.tag)
        .addIfSet("countrycode", query.countryCode)
        .addIfSet("language", query.language)
        .addIfSet("codec", query.codec);
    if (query.bitrateMin > 0) text.add("bitrateMin", query.bitrateMin);
    switch (query.order) {
        case StationOrder::Votes:
            text.add("order", "votes").add("reverse", "true");
            break;
        case StationOrder::Clicks:
            text.add("order", "clickcount").add("reverse", "true");
            break;
        case StationOrder::Name:
            text.add("order", "name");
            break;
    }
    text.add("limit", std::clamp(query.limit, 1, kMaxStationLimit))
        .add("offset", std::max(0, query.offset))
        .add("hidebroken", query.hideBroken ? "true" : "false");
    return ask("stations/search" + text.text(), stationLimits(), Shown::Progress);
}

std::optional<std::vector<std::string>> DirectoryClient::stationsByUuid(std::span<const std::string> uuids) {
    std::vector<std::string> wanted;
    for (const std::string& uuid : uuids)
        if (isUuid(uuid)) wanted.push_back(uuid);
    std::vector<std::string> answers;
    for (std::size_t first = 0; first < wanted.size(); first += kUuidsPerRequest) {
        std::string list;
        const std::size_t end = std::min(wanted.size(), first + kUuidsPerRequest);
        for (std::size_t index = first; index < end; ++index)
            list += (list.empty() ? "" : ",") + wanted[index];
        std::optional<std::string> answer =
            ask("stations/byuuid?uuids=" + list, stationLimits(), Shown::Progress);
        if (!answer) return std::nullopt;
        answers.push_back(std::move(*answer));
    }
    return answers;
}

std::optional<std::string> DirectoryClient::countries() {
    return ask("countries" + QueryText().add("order", "name").add("hidebroken", "true").text(), facetLimits(),
               Shown::Progress);
}

std::optional<std::string> DirectoryClient::languages() {
    const QueryText text = QueryText()
                               .add("order", "stationcount")
                               .add("reverse", "true")
                               .add("limit", kMaxLanguages)
                               .add("hidebroken", "true");
    return ask("languages" + text.text(), facetLimits(), Shown::Progress);
}

std::optional<std::string> DirectoryClient::tags() {
    const QueryText text = QueryText()
                               .add("order", "stationcount")
                               .add("reverse", "true")
                               .add("limit", kMaxTags)
                               .add("hidebroken", "true");
    return ask("tags" + text.text(), facetLimits(), Shown::Progress);
}

bool DirectoryClient::reportClick(std::string_view uuid) {
    if (!isUuid(uuid) || !settings_.reportsDirectoryClicks()) return false;
    try {
        FetchLimits limits = directoryLimits(std::uint64_t{1} << 20);
        limits.connectTimeout = milliseconds(1500);
        limits.stallTimeout = milliseconds(2000);
        return ask("url/" + std::string(uuid), limits, Shown::InPassing).has_value();
    } catch (const Error&) {
        return false;
    }
}

std::vector<std::string> DirectoryClient::serversToTry() {
    if (std::optional<std::string> fixed = configuredServer(settings_)) return {std::move(*fixed)};
    if (discovered_.empty()) {
        // The name system may take seconds to answer, or not answer at all
        // without a network: the window keeps its turns meanwhile.
        std::future<std::vector<std::string>> found =
            std::async(std::launch::async, [this] { return servers_.candidates(); });
        while (found.wait_for(milliseconds(20)) != std::future_status::ready) yield_.yieldNow();
        discovered_ = found.get();
    }
    return discovered_;
}

void DirectoryClient::answered(const std::string& server) {
    const auto found = std::find(discovered_.begin(), discovered_.end(), server);
    if (found != discovered_.end()) std::rotate(discovered_.begin(), found, found + 1);
}

std::optional<std::string> DirectoryClient::ask(const std::string& pathAndQuery, const FetchLimits& limits,
                                                Shown shown) {
    std::vector<std::string> servers = serversToTry();
    if (shown == Shown::InPassing && servers.size() > 1) servers.resize(1);
    if (servers.empty()) throw Error(std::string(kAllDown) + "找不到任何服务器，请检查网络连接");
    const ProgressShown progressShown(ui_, shown == Shown::Progress);
    const std::string_view what = shown == Shown::Progress ? "正在查询电台目录 " : "";
    std::string lastReason;
    for (const std::string& server : servers) {
        if (shown == Shown::Progress && !lastReason.empty() && ui_.ProgressCancelled()) return std::nullopt;
        const std::string address = server + "/json/" + pathAndQuery;
        FetchResult result = web_.fetch(
            address, limits,
            fetchProgressShown(ui_, yield_,
                               what.empty() ? std::string()
                                            : std::string(what) + std::string(address::authorityOf(server))));
        switch (result.outcome) {
            case FetchOutcome::Cancelled:
                return std::nullopt;
            case FetchOutcome::TooLarge:
                // Every mirror holds the same data: another one would send as much.
                throw Error("电台目录的回答超过 " + megabytesText(limits.maxBytes) + "，没有读取：" +
                            address);
            case FetchOutcome::Fetched:
                if (looksLikeJson(result.body)) {
                    answered(server);
                    return std::move(result.body);
                }
                lastReason = server + "（回答的不是电台目录的数据）";
                break;
            case FetchOutcome::Failed:
                if (result.reason == ProbeReason::HttpStatus && !isServerTrouble(result.httpStatus))
                    throw Error("电台目录服务器拒绝了请求（HTTP " + std::to_string(result.httpStatus) +
                                "）：" + address);
                [[fallthrough]];
            case FetchOutcome::Stalled:
                lastReason = server + "（" + fetchFailureReason(result, limits) + "）";
                break;
        }
    }
    // The mirrors may have moved: the next request asks the name system again.
    discovered_.clear();
    throw Error(std::string(kAllDown) + lastReason);
}

}  // namespace kw
