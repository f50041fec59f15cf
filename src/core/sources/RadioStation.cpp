#include "core/sources/RadioStation.h"

#include "core/base/Error.h"
#include "core/base/TextCodec.h"

#include <simdjson.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace kw {

namespace {

namespace dom = simdjson::dom;

// An answer is parsed a slice of whole objects at a time: the parser's
// index and tape then stay a few megabytes however long the answer is, and
// stay in the cache while they are read.
constexpr std::size_t kSliceBytes = std::size_t{1} << 20;

constexpr bool isJsonBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::string_view trimJsonBlanks(std::string_view text) {
    while (!text.empty() && isJsonBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isJsonBlank(text.back())) text.remove_suffix(1);
    return text;
}

// A place between two elements of the array: `end` is just past a '}'
// followed by a ',' and `next` is the '{' after it. Text inside a string or
// a nested array can look the same; the slice before such a place then has
// an open string or bracket and fails to parse, and the slice grows.
struct Cut {
    std::size_t end, next;
};

std::optional<Cut> findCut(std::string_view body, std::size_t from) {
    for (std::size_t at = body.find('}', from); at != std::string_view::npos; at = body.find('}', at + 1)) {
        std::size_t i = at + 1;
        while (i < body.size() && isJsonBlank(body[i])) ++i;
        if (i == body.size() || body[i] != ',') continue;
        ++i;
        while (i < body.size() && isJsonBlank(body[i])) ++i;
        if (i < body.size() && body[i] == '{') return Cut{at + 1, i};
    }
    return std::nullopt;
}

class SliceParser {
public:
    // Parses "[slice]"; the array lives until the next call.
    simdjson::error_code parse(std::string_view slice, dom::array& objects) {
        simdjson::error_code error = parseFramed(slice, objects);
        // The directory stores what stations sent it; bad bytes read as U+FFFD.
        if (error == simdjson::UTF8_ERROR) error = parseFramed(text::sanitizeUtf8(slice), objects);
        return error;
    }

private:
    simdjson::error_code parseFramed(std::string_view slice, dom::array& objects) {
        buffer_.clear();
        buffer_.reserve(slice.size() + 2 + simdjson::SIMDJSON_PADDING);
        buffer_ += '[';
        buffer_ += slice;
        buffer_ += ']';
        const std::size_t length = buffer_.size();
        buffer_.append(simdjson::SIMDJSON_PADDING, ' ');  // the parser reads this far past the end
        dom::element document;
        simdjson::error_code error = parser_.parse(buffer_.data(), length, false).get(document);
        if (error == simdjson::SUCCESS) error = document.get_array().get(objects);
        return error;
    }

    dom::parser parser_;
    std::string buffer_;
};

// Hands each object of the answer's array to take, in order.
template <typename Take>
void forEachObject(std::string_view json, Take&& take) {
    std::string_view body = trimJsonBlanks(text::stripUtf8Bom(json));
    if (!body.empty() && body.front() == '<') throw Error(std::string(kDirectoryAnswerIsPage));
    if (!body.empty() && body.front() == '{') throw Error(std::string(kDirectoryAnswerNotList));
    if (body.size() < 2 || body.front() != '[' || body.back() != ']')
        throw Error(std::string(kBrokenDirectoryAnswer));
    body = trimJsonBlanks(body.substr(1, body.size() - 2));

    SliceParser parser;
    std::size_t pos = 0;
    while (pos < body.size()) {
        std::size_t want = kSliceBytes;
        for (;;) {
            const std::optional<Cut> cut =
                pos + want < body.size() ? findCut(body, pos + want) : std::nullopt;
            const std::size_t end = cut ? cut->end : body.size();
            dom::array objects;
            if (parser.parse(body.substr(pos, end - pos), objects) == simdjson::SUCCESS) {
                for (dom::element element : objects) {
                    dom::object object;
                    if (element.get_object().get(object) != simdjson::SUCCESS)
                        throw Error(std::string(kDirectoryAnswerNotList));
                    take(object);
                }
                pos = cut ? cut->next : body.size();
                break;
            }
            if (!cut) throw Error(std::string(kBrokenDirectoryAnswer));
            want = (end - pos) * 2;  // doubling keeps a long run of false cuts linear
        }
    }
}

std::string_view textOf(dom::element value) {
    std::string_view text;
    return value.get_string().get(text) == simdjson::SUCCESS ? text : std::string_view{};
}

// A number, true/false as 1/0, or nothing for another type; beyond the
// 64-bit range it is held at the end of the range.
std::optional<std::int64_t> integerOf(dom::element value) {
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    switch (value.type()) {
        case dom::element_type::INT64:
            return value.get_int64().value_unsafe();
        case dom::element_type::UINT64:
            return static_cast<std::int64_t>(
                std::min<std::uint64_t>(value.get_uint64().value_unsafe(), kMax));
        case dom::element_type::DOUBLE: {
            const double number = value.get_double().value_unsafe();
            if (!std::isfinite(number)) return std::nullopt;
            if (number >= 9.2e18) return kMax;
            if (number <= -9.2e18) return -kMax;
            return static_cast<std::int64_t>(number);
        }
        case dom::element_type::BOOL:
            return value.get_bool().value_unsafe() ? 1 : 0;
        default:
            return std::nullopt;
    }
}

std::int64_t countOf(dom::element value) { return std::max<std::int64_t>(integerOf(value).value_or(0), 0); }

bool flagOf(dom::element value) { return integerOf(value).value_or(0) != 0; }

// The pieces of a comma-separated list, blanks around them dropped.
std::vector<std::string> listOf(std::string_view text) {
    std::vector<std::string> pieces;
    while (!text.empty()) {
        const std::size_t comma = std::min(text.find(','), text.size());
        const std::string_view piece = text::trimBlanks(text.substr(0, comma));
        if (!piece.empty()) pieces.emplace_back(piece);
        text.remove_prefix(std::min(comma + 1, text.size()));
    }
    return pieces;
}

bool hasText(std::string_view text) { return !text::trimBlanks(text).empty(); }

RadioStation stationOf(dom::object object) {
    RadioStation station;
    std::string_view url, resolved, checkTime, checkTimeIso;
    for (const dom::key_value_pair field : object) {
        const std::string_view key = field.key;
        const dom::element value = field.value;
        if (key == "stationuuid") {
            station.uuid = textOf(value);
        } else if (key == "name") {
            station.name = textOf(value);
        } else if (key == "url") {
            url = textOf(value);
        } else if (key == "url_resolved") {
            resolved = textOf(value);
        } else if (key == "homepage") {
            station.homepage = textOf(value);
        } else if (key == "favicon") {
            station.favicon = textOf(value);
        } else if (key == "tags") {
            station.tags = listOf(textOf(value));
        } else if (key == "countrycode") {
            station.countryCode = textOf(value);
        } else if (key == "country") {
            station.country = textOf(value);
        } else if (key == "language") {
            station.languages = listOf(textOf(value));
        } else if (key == "codec") {
            station.codec = textOf(value);
        } else if (key == "bitrate") {
            const std::int64_t bitrate = integerOf(value).value_or(0);
            station.bitrate = bitrate > 0 && bitrate <= kMaxStationBitrate ? static_cast<int>(bitrate) : 0;
        } else if (key == "votes") {
            station.votes = countOf(value);
        } else if (key == "clickcount") {
            station.clicks = countOf(value);
        } else if (key == "lastcheckok") {
            station.lastCheckOk = flagOf(value);
        } else if (key == "lastchecktime") {
            checkTime = textOf(value);
        } else if (key == "lastchecktime_iso8601") {
            checkTimeIso = textOf(value);
        } else if (key == "hls") {
            station.hls = flagOf(value);
        }
    }
    station.address = hasText(resolved) ? resolved : url;
    station.lastCheckTime = hasText(checkTime) ? checkTime : checkTimeIso;
    return station;
}

}  // namespace

std::vector<RadioStation> parseStations(std::string_view json) {
    std::vector<RadioStation> stations;
    stations.reserve(json.size() / 1024);  // about a kilobyte each
    forEachObject(json, [&](dom::object object) { stations.push_back(stationOf(object)); });
    return stations;
}

std::vector<DirectoryFacet> parseFacets(std::string_view json) {
    std::vector<DirectoryFacet> facets;
    forEachObject(json, [&](dom::object object) {
        DirectoryFacet facet;
        for (const dom::key_value_pair field : object) {
            if (field.key == "name")
                facet.name = textOf(field.value);
            else if (field.key == "iso_3166_1")
                facet.countryCode = textOf(field.value);
            else if (field.key == "stationcount")
                facet.stationCount = countOf(field.value);
        }
        facets.push_back(std::move(facet));
    });
    return facets;
}

}  // namespace kw
