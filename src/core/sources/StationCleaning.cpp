#include "core/sources/StationCleaning.h"

#include "core/base/AddressRules.h"
#include "core/base/AsciiText.h"
#include "core/base/TextCodec.h"
#include "core/exchange/ChannelExchange.h"
#include "core/exchange/ChannelTextFile.h"
#include "core/sources/DocumentFetch.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>

#include <unicode/utf8.h>

namespace kw {

namespace {

constexpr std::size_t kLinkLimit = kChannelTextLimits[6];
constexpr std::size_t kTypeLimit = kChannelTextLimits[8];
constexpr std::size_t kCountryLimit = 100;

bool isValidUtf8(std::string_view text) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    const auto length = static_cast<std::int32_t>(text.size());
    for (std::int32_t at = 0; at < length;) {
        UChar32 c = 0;
        U8_NEXT(bytes, at, length, c);
        if (c < 0) return false;
    }
    return true;
}

bool isAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::string validUtf8(std::string_view text) {
    return isAscii(text) || isValidUtf8(text) ? std::string(text) : text::sanitizeUtf8(text);
}

// Printable ASCII with single blanks inside: most of the directory's
// texts, which then need no work.
bool isTidyAscii(std::string_view text) {
    if (!text.empty() && (text.front() == ' ' || text.back() == ' ')) return false;
    char previous = 0;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7F || (c == ' ' && previous == ' ')) return false;
        previous = c;
    }
    return true;
}

bool fitsChars(std::string_view text, std::size_t maxChars) {
    return text.size() <= maxChars || text::charCount(text) <= maxChars;
}

// One line of text: valid UTF-8, control characters (C0, DEL, C1) blanked,
// runs of blanks made one, trimmed and cut to maxChars characters.
void cleanLine(std::string& value, std::size_t maxChars) {
    if (value.size() <= maxChars && isTidyAscii(value)) return;
    const std::string valid = validUtf8(value);
    std::string line;
    line.reserve(valid.size());
    for (std::size_t i = 0; i < valid.size(); ++i) {
        const auto byte = static_cast<unsigned char>(valid[i]);
        bool blank = byte < 0x20 || byte == 0x7F || byte == ' ';
        if (byte == 0xC2 && i + 1 < valid.size() && static_cast<unsigned char>(valid[i + 1]) < 0xA0) {
            blank = true;  // U+0080 to U+009F
            ++i;
        }
        if (!blank)
            line += valid[i];
        else if (!line.empty() && line.back() != ' ')
            line += ' ';
    }
    value = cleanChannelValue(line, maxChars);
}

std::size_t wordCount(std::string_view line) {
    return line.empty() ? 0 : static_cast<std::size_t>(std::count(line.begin(), line.end(), ' ')) + 1;
}

// Tags or languages: lower-cased, short, each once.
void cleanWords(std::vector<std::string>& values) {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < values.size(); ++i) {
        std::string& word = values[i];
        cleanLine(word, word.size());
        for (char& c : word) c = ascii::toLower(c);
        if (word.empty() || !fitsChars(word, kMaxTagChars) || wordCount(word) > kMaxTagWords) continue;
        const auto end = values.begin() + static_cast<std::ptrdiff_t>(kept);
        if (std::find(values.begin(), end, word) != end) continue;
        if (kept != i) values[kept] = std::move(word);
        ++kept;
    }
    values.erase(values.begin() + static_cast<std::ptrdiff_t>(kept), values.end());
}

// An address as cleanStreamAddress leaves it, in place; false when it cannot be kept.
bool cleanAddress(std::string& address) {
    const bool plain = std::all_of(address.begin(), address.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte > 0x20 && byte < 0x7F;
    });
    if (!plain)
        address = cleanStreamAddress(address);
    else if (!address::isWebAddress(address) || address::hostOf(address).empty() ||
             address.size() > address::kMaxAddressChars)
        address.clear();
    return !address.empty();
}

// A page address kept only when it is allowed and whole within limit.
void cleanPageAddress(std::string& address, std::size_t limit) {
    if (!cleanAddress(address) || !fitsChars(address, limit)) address.clear();
}

void cleanCountryCode(std::string& code) {
    code = ascii::upper(text::trimBlanks(code));
    if (code.size() != 2 || !ascii::isLetter(code[0]) || !ascii::isLetter(code[1])) code.clear();
}

// Tidies one station; false when it cannot be kept.
bool cleanStation(RadioStation& station, StationCleaning& report) {
    if (!cleanAddress(station.address)) {
        ++report.badAddresses;
        return false;
    }
    cleanLine(station.uuid, station.uuid.size());
    for (char& c : station.uuid) c = ascii::toLower(c);
    cleanLine(station.name, ChannelExchange::kMaxNameChars);
    if (station.name.empty()) {
        station.name = address::hostOf(station.address);
        cleanLine(station.name, ChannelExchange::kMaxNameChars);
        ++report.namedByHost;
    }
    cleanPageAddress(station.homepage, kLinkLimit);
    cleanPageAddress(station.favicon, address::kMaxAddressChars);
    cleanWords(station.tags);
    cleanWords(station.languages);
    cleanCountryCode(station.countryCode);
    cleanLine(station.country, kCountryLimit);
    cleanLine(station.codec, kTypeLimit);
    cleanLine(station.lastCheckTime, kTypeLimit);
    station.bitrate = std::clamp(station.bitrate, 0, kMaxStationBitrate);
    station.votes = std::max<std::int64_t>(station.votes, 0);
    station.clicks = std::max<std::int64_t>(station.clicks, 0);
    return true;
}

// FNV-1a, for the indexes of the stations kept: a hash names a station,
// which is then compared whole.
std::uint64_t hashed(std::string_view text, bool ignoreCase, std::uint64_t hash = 14695981039346656037ull) {
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(ignoreCase ? ascii::toLower(c) : c);
        hash *= 1099511628211ull;
    }
    return hash;
}

}  // namespace

std::string cleanStreamAddress(std::string_view address) {
    const std::string valid = validUtf8(text::trimBlanks(address));
    std::string kept;
    kept.reserve(valid.size());
    for (const char c : valid) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == ' ')
            kept += "%20";
        else if (c == '\t' || c == '\n' || c == '\r')
            continue;  // dropped, as address parsers drop them
        else if (byte < 0x20 || byte == 0x7F)
            return {};
        else
            kept += c;
    }
    if (!address::isWebAddress(kept) || address::hostOf(kept).empty() || !address::fitsAddressLimit(kept))
        return {};
    return kept;
}

StationCleaning cleanStations(std::vector<RadioStation>& stations) {
    StationCleaning report;
    std::unordered_map<std::uint64_t, std::size_t> byUuid, byNameAndAddress;  // hash to kept station
    byUuid.reserve(stations.size());
    byNameAndAddress.reserve(stations.size());
    std::size_t kept = 0;
    for (RadioStation& station : stations) {
        if (!cleanStation(station, report)) continue;
        const std::uint64_t uuidHash = hashed(station.uuid, false);
        const std::uint64_t pairHash = hashed(station.address, false, hashed(station.name, true) ^ '\n');
        const auto sameUuid = station.uuid.empty() ? byUuid.end() : byUuid.find(uuidHash);
        const auto samePair = byNameAndAddress.find(pairHash);
        if ((sameUuid != byUuid.end() && stations[sameUuid->second].uuid == station.uuid) ||
            (samePair != byNameAndAddress.end() &&
             ascii::equalIgnoringCase(stations[samePair->second].name, station.name) &&
             stations[samePair->second].address == station.address)) {
            ++report.duplicates;
            continue;
        }
        if (!station.uuid.empty()) byUuid.emplace(uuidHash, kept);
        byNameAndAddress.emplace(pairHash, kept);
        if (&stations[kept] != &station) stations[kept] = std::move(station);
        ++kept;
    }
    stations.erase(stations.begin() + static_cast<std::ptrdiff_t>(kept), stations.end());
    report.kept = kept;
    return report;
}

}  // namespace kw
