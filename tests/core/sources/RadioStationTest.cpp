#include "core/base/Error.h"
#include "core/sources/RadioStation.h"
#include "core/sources/StationCategories.h"
#include "core/sources/StationCleaning.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace kw;

namespace {

// Two stations as the directory writes them, the second with its
// resolved address empty and a name in escapes.
constexpr std::string_view kAnswer = R"([
 {"changeuuid":"c1","stationuuid":"9617a958-0601-11e8-ae97-52543be04c81","serveruuid":null,
  "name":"Jazz Radio","url":"http://jazz.example/live.pls","url_resolved":"https://jazz.example/live.mp3",
  "homepage":"https://jazz.example/","favicon":"https://jazz.example/icon.png",
  "tags":"jazz, smooth jazz,blues","country":"France","countrycode":"FR","iso_3166_2":null,
  "language":"french,english","languagecodes":"fr,en","votes":1234,"codec":"MP3","bitrate":128,
  "hls":0,"lastcheckok":1,"lastchecktime":"2025-01-02 10:11:12","clickcount":77,"geo_lat":48.8},
 {"stationuuid":"b2","name":"\u4e2d\u56fd\u4e4b\u58f0 \ud83d\udcfb","url":"http://cnr.example/zgzs.m3u8",
  "url_resolved":"","tags":"","countrycode":"CN","language":"chinese","codec":"AAC","bitrate":64,
  "hls":1,"lastcheckok":0,"lastchecktime":"","lastchecktime_iso8601":"2025-01-02T10:11:12Z"}
])";

std::string stationJson(const std::string& name, const std::string& tags) {
    return R"({"stationuuid":"u-)" + name + R"(","name":")" + name + R"(","url":"http://s.example/)" + name +
           R"(","tags":")" + tags + R"(","extra":[{"a":1},{"b":[{"c":2},{}]}]})";
}

TEST(RadioStationParse, ReadsTheDocumentedFields) {
    const std::vector<RadioStation> stations = parseStations(kAnswer);
    ASSERT_EQ(stations.size(), 2u);
    const RadioStation& jazz = stations[0];
    EXPECT_EQ(jazz.uuid, "9617a958-0601-11e8-ae97-52543be04c81");
    EXPECT_EQ(jazz.address, "https://jazz.example/live.mp3");
    EXPECT_EQ(jazz.homepage, "https://jazz.example/");
    EXPECT_EQ(jazz.favicon, "https://jazz.example/icon.png");
    EXPECT_EQ(jazz.tags, (std::vector<std::string>{"jazz", "smooth jazz", "blues"}));
    EXPECT_EQ(jazz.languages, (std::vector<std::string>{"french", "english"}));
    EXPECT_EQ(jazz.countryCode, "FR");
    EXPECT_EQ(jazz.country, "France");
    EXPECT_EQ(jazz.codec, "MP3");
    EXPECT_EQ(jazz.bitrate, 128);
    EXPECT_EQ(jazz.votes, 1234);
    EXPECT_EQ(jazz.clicks, 77);
    EXPECT_TRUE(jazz.lastCheckOk);
    EXPECT_FALSE(jazz.hls);
    EXPECT_EQ(jazz.lastCheckTime, "2025-01-02 10:11:12");

    const RadioStation& cnr = stations[1];
    EXPECT_EQ(cnr.name, "中国之声 \xF0\x9F\x93\xBB");
    EXPECT_EQ(cnr.address, "http://cnr.example/zgzs.m3u8");  // no resolved address: the given one
    EXPECT_TRUE(cnr.tags.empty());
    EXPECT_TRUE(cnr.hls);
    EXPECT_EQ(cnr.lastCheckTime, "2025-01-02T10:11:12Z");
}

TEST(RadioStationParse, TreatsFieldsOfTheWrongTypeAsMissingAndHoldsNumbersInRange) {
    const auto stations = parseStations(
        R"([{"name":42,"url":["x"],"url_resolved":null,"tags":{"a":1},"bitrate":"128","votes":-5,
             "clickcount":1e300,"hls":true,"lastcheckok":"1"},
            {"name":"N","url":"http://n.example/","bitrate":9999999999,"votes":18446744073709551615}])");
    ASSERT_EQ(stations.size(), 2u);
    EXPECT_EQ(stations[0].name, "");
    EXPECT_EQ(stations[0].address, "");
    EXPECT_TRUE(stations[0].tags.empty());
    EXPECT_EQ(stations[0].bitrate, 0);
    EXPECT_EQ(stations[0].votes, 0);
    EXPECT_EQ(stations[0].clicks, INT64_MAX);
    EXPECT_TRUE(stations[0].hls);
    EXPECT_FALSE(stations[0].lastCheckOk);
    EXPECT_EQ(stations[1].bitrate, 0);  // beyond any real stream
    EXPECT_EQ(stations[1].votes, INT64_MAX);
}

TEST(RadioStationParse, RefusesAnswersThatAreNoListOfStations) {
    const std::string whole = "[" + stationJson("a", "x") + "," + stationJson("b", "y") + "]";
    const std::vector<std::pair<std::string, std::string_view>> cases = {
        {"", kBrokenDirectoryAnswer},
        {whole.substr(0, whole.size() - 1), kBrokenDirectoryAnswer},
        {whole.substr(0, whole.size() / 3) + "]", kBrokenDirectoryAnswer},
        {R"([{"name":"a"},])", kBrokenDirectoryAnswer},
        {R"([{"name":"a"}] [])", kBrokenDirectoryAnswer},
        {"<!DOCTYPE html><html><body>502 Bad Gateway</body></html>", kDirectoryAnswerIsPage},
        {R"({"error":"too many requests"})", kDirectoryAnswerNotList},
        {R"([{"name":"a"}, 3, "b"])", kDirectoryAnswerNotList},
    };
    for (const auto& [answer, message] : cases) {
        try {
            parseStations(answer);
            ADD_FAILURE() << "accepted: " << answer;
        } catch (const Error& error) {
            EXPECT_EQ(error.what(), std::string(message)) << answer;
        }
    }
    EXPECT_TRUE(parseStations("\xEF\xBB\xBF[ ]\n").empty());
}

TEST(RadioStationParse, ReadsInvalidUtf8AsReplacementCharacters) {
    const auto stations =
        parseStations("[{\"name\":\"Radio \xC3\x28 Caf\xE9\",\"url\":\"http://r.example/\"}]");
    ASSERT_EQ(stations.size(), 1u);
    EXPECT_EQ(stations[0].name, "Radio \xEF\xBF\xBD( Caf\xEF\xBF\xBD");
}

// Answers longer than a parsing slice, with text that looks like the place
// between two stations inside strings and nested arrays.
TEST(RadioStationParse, ReadsLongAnswersWholeAndInOrder) {
    std::string answer = "[";
    const int count = 20'000;
    for (int i = 0; i < count; ++i) {
        if (i > 0) answer += i % 2 ? "," : " ,\n ";
        answer += stationJson(std::to_string(i), i % 3 ? "rock},{pop" : "news");
    }
    answer += "]";
    ASSERT_GT(answer.size(), std::size_t{2} << 20);
    const auto stations = parseStations(answer);
    ASSERT_EQ(stations.size(), static_cast<std::size_t>(count));
    for (int i : {0, 1, 4'999, count - 1})
        EXPECT_EQ(stations[static_cast<std::size_t>(i)].name, std::to_string(i));
    EXPECT_EQ(stations[1].tags, (std::vector<std::string>{"rock}", "{pop"}));

    EXPECT_THROW(parseStations(answer.substr(0, answer.size() * 2 / 3) + "]"), Error);
    answer[answer.size() / 2] = '\x01';  // raw control characters are never JSON
    EXPECT_THROW(parseStations(answer), Error);
}

TEST(RadioStationParse, ReadsFacets) {
    const auto countries = parseFacets(
        R"([{"name":"China","iso_3166_1":"CN","stationcount":1800},{"name":"Japan","stationcount":"x"}])");
    ASSERT_EQ(countries.size(), 2u);
    EXPECT_EQ(countries[0].name, "China");
    EXPECT_EQ(countries[0].countryCode, "CN");
    EXPECT_EQ(countries[0].stationCount, 1800);
    EXPECT_EQ(countries[1].stationCount, 0);
    EXPECT_THROW(parseFacets(R"([{"name":"jazz","stationcount":3)"), Error);
}

}  // namespace
