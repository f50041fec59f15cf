#include "core/base/AddressRules.h"
#include "core/base/TextCodec.h"
#include "core/sources/StationCategories.h"
#include "core/sources/StationCleaning.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace kw;

namespace {

RadioStation station(std::string uuid, std::string name, std::string address) {
    RadioStation made;
    made.uuid = std::move(uuid);
    made.name = std::move(name);
    made.address = std::move(address);
    return made;
}

TEST(RadioStationClean, TidiesAddressesOrRefusesThem) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {" \t http://a.example/live.mp3\r\n", "http://a.example/live.mp3"},
        {"HTTPS://a.example/my stream.aac", "HTTPS://a.example/my%20stream.aac"},
        {"http://a.example/li\nve", "http://a.example/live"},
        {"http://a.example/\x01x", ""},
        {"rtsp://a.example/live", ""},
        {"javascript:alert(1)", ""},
        {"/home/user/song.mp3", ""},
        {"http:///nohost", ""},
        {"http://a.example/" + std::string(address::kMaxAddressChars, 'x'), ""},
    };
    for (const auto& [given, kept] : cases) EXPECT_EQ(cleanStreamAddress(given), kept) << given;
    EXPECT_EQ(address::hostOf("http://user:pw@radio.example:8000/x"), "radio.example");
    EXPECT_EQ(address::hostOf("https://[::1]:8443/"), "[::1]");
}

TEST(RadioStationClean, DropsDuplicatesAndStationsWithoutAUsableAddress) {
    std::vector<RadioStation> stations = {
        station("u1", "One", "http://one.example/"),
        station("U1 ", "One again", "http://other.example/"),  // the same uuid
        station("u2", "one", " http://one.example/"),          // the same name and address
        station("u3", "One", "http://one.example/hq"),         // another address: kept
        station("u4", "Ftp", "ftp://files.example/a.mp3"),
        station("", "Two", "http://two.example/"),
        station("", "Two", "http://two.example/"),
    };
    const StationCleaning report = cleanStations(stations);
    ASSERT_EQ(stations.size(), 3u);
    EXPECT_EQ(stations[0].uuid, "u1");
    EXPECT_EQ(stations[1].uuid, "u3");
    EXPECT_EQ(stations[2].name, "Two");
    EXPECT_EQ(report.kept, 3u);
    EXPECT_EQ(report.duplicates, 3u);
    EXPECT_EQ(report.badAddresses, 1u);
}

TEST(RadioStationClean, CleansNamesTagsAndFields) {
    RadioStation given = station("u", "  Radio\x01\tOne\xC2\x85 FM \xFF", "http://r.example:8000/");
    given.tags = {" Jazz ",
                  "jazz",
                  "SMOOTH   Jazz",
                  "",
                  "the best music of the eighties and nineties",
                  "a tag of far more than thirty chars",
                  "top 40"};
    given.languages = {"English", "english", "Cantonese"};
    given.countryCode = " fr ";
    given.homepage = "javascript:alert(1)";
    given.favicon = "https://r.example/logo 1.png";
    given.bitrate = -3;
    std::vector<RadioStation> stations = {given, station("v", " \x02 ", "http://noname.example:8000/live")};
    stations.push_back(station("w", std::string(300, 'n'), "http://long.example/"));
    cleanStations(stations);
    ASSERT_EQ(stations.size(), 3u);
    EXPECT_EQ(stations[0].name, "Radio One FM \xEF\xBF\xBD");
    EXPECT_EQ(stations[0].tags, (std::vector<std::string>{"jazz", "smooth jazz", "top 40"}));
    EXPECT_EQ(stations[0].languages, (std::vector<std::string>{"english", "cantonese"}));
    EXPECT_EQ(stations[0].countryCode, "FR");
    EXPECT_EQ(stations[0].homepage, "");
    EXPECT_EQ(stations[0].favicon, "https://r.example/logo%201.png");
    EXPECT_EQ(stations[0].bitrate, 0);
    EXPECT_EQ(stations[1].name, "noname.example");  // no name: the address's host
    EXPECT_EQ(stations[2].name, std::string(100, 'n'));
}

struct CategoryCase {
    std::vector<std::string> tags;
    std::string countryCode;
    std::vector<std::string> languages;
    std::string_view content, region, language;
};

TEST(DirectoryMapping, PlacesStationsByTagsCountryAndLanguage) {
    const std::vector<CategoryCase> cases = {
        {{"classic rock", "news"}, "DE", {"german"}, "音乐", "欧洲", "其它"},
        {{"talk", "jazz"}, "US", {"american english"}, "新闻", "美洲", "英语"},
        {{"sports talk"}, "BR", {"portuguese"}, "体育", "美洲", "其它"},
        {{"business news"}, "SG", {"english", "chinese"}, "财经", "东南亚", "英语"},
        {{"christian", "pop"}, "TW", {"mandarin"}, "宗教", "中国港澳台", "普通话"},
        {{"traffic"}, "CN", {"chinese"}, "交通", "中国大陆", "普通话"},
        {{"science"}, "HK", {"cantonese chinese"}, "科教", "中国港澳台", "粤语"},
        {{"arts"}, "JP", {"japanese"}, "文艺", "日韩", "日语"},
        {{"opera"}, "FR", {"french"}, "戏剧", "欧洲", "法语"},
        {{"comedy"}, "KR", {}, "娱乐", "日韩", "其它"},
        {{"health"}, "AU", {}, "生活", "其它", "其它"},
        {{"k-pop"}, "JM", {}, "音乐", "美洲", "其它"},
        {{"public radio", "community"}, "", {"english"}, "综合", "其它", "英语"},
        {{}, "ZZ", {}, "综合", "其它", "其它"},
    };
    for (const CategoryCase& c : cases) {
        EXPECT_EQ(contentCategory(c.tags), c.content) << c.tags.size();
        EXPECT_EQ(regionCategory(c.countryCode), c.region) << c.countryCode;
        EXPECT_EQ(languageCategory(c.languages), c.language) << c.countryCode;
    }
}

TEST(DirectoryMapping, MakesARadioChannelRecord) {
    RadioStation given = station("9617a958", "Jazz FM", "https://jazz.example/live.mp3");
    given.homepage = "https://jazz.example/";
    given.tags = {"jazz", "smooth jazz"};
    given.countryCode = "GB";
    given.country = "The United Kingdom Of Great Britain And Northern Ireland";
    given.languages = {"english", "welsh"};
    given.codec = "mp3";
    given.bitrate = 128;
    const PlaylistExchange::ListedChannel listed = stationRecord(given);
    const ChannelRecord& record = listed.record;
    EXPECT_EQ(record.class0, "C广播电台");
    EXPECT_EQ(record.class1, "音乐");
    EXPECT_EQ(record.class2, "欧洲");
    EXPECT_EQ(record.class3, "英语");
    EXPECT_EQ(record.name, "Jazz FM");
    EXPECT_EQ(listed.url, "https://jazz.example/live.mp3");
    EXPECT_EQ(record.scrambledUrl, "");
    EXPECT_EQ(record.link, "https://jazz.example/");
    EXPECT_EQ(
        record.memo,
        "[直播][全天][音乐类广播电台，欧洲，英语]\r\n国家/地区：The United Kingdom Of Great Britain And "
        "Northern Ireland（GB）\r\n语言：english, welsh\r\n标签：jazz, smooth jazz");
    EXPECT_EQ(record.type, "MP3");
    EXPECT_EQ(record.speed, "128");
    EXPECT_EQ(listed.entryId, "9617a958");
    EXPECT_EQ(listed.seen, PlaylistExchange::seenOf(listed));

    given.hls = true;
    given.bitrate = 0;
    given.homepage = "file:///etc/passwd";
    given.tags.assign(400, "jazz");
    const ChannelRecord hls = stationRecord(given).record;
    EXPECT_EQ(hls.type, "HLS");
    EXPECT_EQ(hls.speed, "");
    EXPECT_EQ(hls.link, "");
    EXPECT_EQ(text::charCount(hls.memo), 2000u);
}

}  // namespace
