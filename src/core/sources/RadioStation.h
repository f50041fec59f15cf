#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kw {

// One station of the community radio directory, as its JSON answers
// describe it. Texts are UTF-8 as the directory gave them (cleanStations
// tidies them); a field the answer lacks, or gives with the wrong type,
// reads empty or 0.
struct RadioStation {
    std::string uuid;
    std::string name;
    std::string address;  // the resolved stream address where the directory has one
    std::string homepage;
    std::string favicon;
    std::vector<std::string> tags;
    std::string countryCode;  // ISO 3166-1 alpha-2, "CN"
    std::string country;
    std::vector<std::string> languages;
    std::string codec;
    int bitrate = 0;  // kbit/s; 0 when unknown
    std::int64_t votes = 0;
    std::int64_t clicks = 0;
    bool lastCheckOk = false;
    std::string lastCheckTime;
    bool hls = false;
};

// One value of a list of countries, languages or tags, with how many
// stations have it.
struct DirectoryFacet {
    std::string name;
    std::string countryCode;  // countries only
    std::int64_t stationCount = 0;
};

// The highest bitrate a station is believed to have; a higher one is a typing slip.
inline constexpr int kMaxStationBitrate = 100'000;

// What the user reads when an answer cannot be used.
inline constexpr std::string_view kBrokenDirectoryAnswer = "电台目录的回答不完整或不是有效的数据。";
inline constexpr std::string_view kDirectoryAnswerIsPage = "电台目录回答的是一个网页，不是电台数据。";
inline constexpr std::string_view kDirectoryAnswerNotList = "电台目录的回答不是一个列表。";

// Reads a station search answer: a JSON array of station objects. Throws
// kw::Error with one of the texts above when the answer is cut short, not
// JSON, or not an array of objects. Invalid UTF-8 reads as U+FFFD.
std::vector<RadioStation> parseStations(std::string_view json);

// Reads a list of countries, languages or tags, with the same refusals.
std::vector<DirectoryFacet> parseFacets(std::string_view json);

}  // namespace kw
