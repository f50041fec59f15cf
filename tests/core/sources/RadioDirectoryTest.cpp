#include "core/base/Error.h"
#include "core/base/ScrambleText.h"
#include "core/session/Roles.h"
#include "core/session/Session.h"
#include "core/settings/SettingsFile.h"
#include "support/ExpectError.h"
#include "support/FakeDesktop.h"
#include "support/FakeDirectoryServers.h"
#include "support/FakeProbe.h"
#include "support/FakeUi.h"
#include "support/FakeWebFetch.h"
#include "support/SessionProbe.h"
#include "support/StoreFixture.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace kw;

namespace {

constexpr const char* kServer = "http://dir.test";
const std::string kJazzSearch = std::string(kServer) +
                                "/json/stations/search?name=jazz&order=votes&reverse=true&limit=100&offset=0"
                                "&hidebroken=true";

std::string uuid(char last) { return std::string("00000000-0000-0000-0000-00000000000") + last; }

struct Station {
    char id;
    std::string name, address, country, language, tags;
};

std::string json(const std::vector<Station>& stations) {
    std::string text = "[";
    for (const Station& s : stations) {
        text += std::string(text.size() > 1 ? "," : "") + R"({"stationuuid":")" + uuid(s.id) +
                R"(","name":")" + s.name + R"(","url":")" + s.address + R"(","url_resolved":")" + s.address +
                R"(","homepage":"https://home.example/","tags":")" + s.tags + R"(","countrycode":")" +
                s.country + R"(","language":")" + s.language +
                R"(","codec":"MP3","bitrate":128,"votes":10,"hls":0})";
    }
    return text + "]";
}

const std::vector<Station> kJazz = {
    {'a', "Jazz FM", "http://a.example/live", "GB", "english", "jazz,smooth jazz"},
    {'b', "Radio Swiss Jazz", "http://b.example/live", "CH", "german", "jazz"},
    {'c', "香港爵士", "http://c.example/live", "HK", "cantonese", "jazz,news"},
    {'a', "Jazz FM", "http://a.example/live", "GB", "english", "jazz,smooth jazz"},
};

class RadioDirectoryTest : public test::StoreFixture {
protected:
    void SetUp() override {
        makeStore();
        store_.reset();
        std::ofstream(programDir_ / "Kestrelwave.ini", std::ios::app)
            << "\r\n[Directory]\r\nServer=" << kServer << "\r\n";
        session_ = std::make_unique<Session>(programDir_, ui_, desktop_, probe_, web_, servers_);
        session_->open();
    }
    RadioDirectory& directory() { return session_->directory(); }
    ChannelStore& channels() { return test::SessionProbe::store(*session_); }
    std::string url(std::string_view name) {
        const ChannelAddress address = channels().readChannelAddress(name);
        return unscrambleText(address.scrambledUrl, address.name);
    }
    std::string byUuid(const std::string& uuids) {
        return std::string(kServer) + "/json/stations/byuuid?uuids=" + uuids;
    }
    StationPage searchJazz() {
        web_.serve(kJazzSearch, json(kJazz));
        StationQuery query;
        query.name = "jazz";
        return *directory().search(query);
    }

    test::FakeUi ui_;
    test::FakeDesktop desktop_;
    test::FakeProbe probe_;
    test::FakeWebFetch web_;
    test::FakeDirectoryServers servers_;
    std::unique_ptr<Session> session_;
};

TEST_F(RadioDirectoryTest, StationsBecomeRadioChannelsInTheUserCategoriesOnce) {
    const StationPage page = searchJazz();
    EXPECT_EQ(page.received, 4);
    EXPECT_FALSE(page.more) << "fewer than the limit: the last page";
    ASSERT_EQ(page.stations.size(), 3u) << "the repeated station is left out";

    const DirectoryAddReport report = directory().add(page.stations);
    EXPECT_EQ(report.added, 3);
    ChannelRecord jazz = channels().readChannelForEdit("Jazz FM").record;
    EXPECT_EQ(jazz.class0, "C广播电台");
    EXPECT_EQ(jazz.class1, "音乐");
    EXPECT_EQ(jazz.class2, "欧洲");
    EXPECT_EQ(jazz.class3, "英语");
    EXPECT_EQ(jazz.link, "https://home.example/");
    EXPECT_EQ(channels().readChannelForEdit("香港爵士").record.class2, "中国港澳台");
    EXPECT_EQ(channels().readChannelForEdit("香港爵士").record.class3, "粤语");
    EXPECT_EQ(channels().readOrigin("Jazz FM")->entryId, uuid('a'));
    EXPECT_EQ(directory().addedUuids().size(), 3u);
    const std::optional<Subscription> own = session_->subscriptions().find("电台目录");
    ASSERT_TRUE(own);
    EXPECT_EQ(own->row.address, RadioDirectory::kSourceAddress);

    const DirectoryAddReport again = directory().add(page.stations, "我的电台");
    EXPECT_EQ(again.added, 0);
    EXPECT_EQ(again.alreadyThere.size(), 3u);
    EXPECT_EQ(session_->subscriptions().list().size(), 1u);
}

TEST_F(RadioDirectoryTest, AStationNamedLikeAChannelTakesANumber) {
    const StationPage page = searchJazz();
    std::vector<RadioStation> first(page.stations.begin(), page.stations.begin() + 1);
    first[0].uuid = uuid('f');
    ASSERT_EQ(directory().add(first).added, 1);
    const DirectoryAddReport report = directory().add(page.stations);
    EXPECT_EQ(report.renamed, 1);
    EXPECT_EQ(channels().readOrigin("Jazz FM")->entryId, uuid('f'));
    EXPECT_EQ(channels().readOrigin("Jazz FM (2)")->entryId, uuid('a'));
}

TEST_F(RadioDirectoryTest, ARefreshFollowsTheDirectoryByUuid) {
    directory().add(searchJazz().stations);
    web_.serve(byUuid(uuid('a') + "," + uuid('b') + "," + uuid('c')),
               json({{'a', "Jazz FM", "http://a.example/new", "GB", "english", "jazz"},
                     {'b', "Radio Swiss Jazz", "http://b.example/live", "CH", "german", "jazz"}}));
    Subscriptions& subscriptions = session_->subscriptions();
    const RefreshReport report = *subscriptions.refresh(*subscriptions.find("电台目录"));
    EXPECT_EQ(report.updated, 1);
    EXPECT_EQ(report.unchanged, 1);
    EXPECT_EQ(report.gone, std::vector<std::string>{"香港爵士"});
    EXPECT_EQ(url("Jazz FM"), "http://a.example/new");
    EXPECT_EQ(channels().readOrigin("香港爵士")->goneSince > 0, true);

    // With none of its stations left the directory has nothing to read.
    for (const char* name : {"Jazz FM", "Radio Swiss Jazz", "香港爵士"}) channels().deleteChannel(name);
    const std::size_t asked = web_.fetched.size();
    EXPECT_EQ(subscriptions.refresh(*subscriptions.find("电台目录"))->changed(), false);
    EXPECT_EQ(web_.fetched.size(), asked);
}

TEST_F(RadioDirectoryTest, AddingByUuidNamesTheStationsTheDirectoryLacks) {
    web_.serve(byUuid(uuid('a') + "," + uuid('e')), json({kJazz[0]}));
    const std::vector<std::string> uuids = {uuid('a'), uuid('e')};
    const DirectoryAddReport report = *directory().addByUuid(uuids);
    EXPECT_EQ(report.added, 1);
    EXPECT_EQ(report.unknown, std::vector<std::string>{uuid('e')});
    EXPECT_NE(RadioDirectory::describe(report).find("电台目录中没有下列电台"), std::string::npos);
}

TEST_F(RadioDirectoryTest, AnswersThatCannotBeUsedStoreNothing) {
    struct Case {
        const char* label;
        std::string body;
        const char* words;
    };
    const std::vector<Case> cases = {
        {"html", "<!DOCTYPE html><html>login</html>", "所有电台目录服务器都无法访问"},
        {"truncated", json(kJazz).substr(0, 200), "电台目录的回答不完整"},
        {"object", R"({"error":"busy"})", "电台目录的回答不是一个列表"},
    };
    for (const Case& c : cases) {
        web_.serve(kJazzSearch, c.body);
        StationQuery query;
        query.name = "jazz";
        EXPECT_ERROR(c.words, directory().search(query)) << c.label;
    }
    web_.answers.clear();
    EXPECT_ERROR("所有电台目录服务器都无法访问", directory().addByUuid(std::vector<std::string>{uuid('a')}));
    EXPECT_TRUE(directory().addedUuids().empty());
    EXPECT_TRUE(session_->subscriptions().list().empty());
}

TEST_F(RadioDirectoryTest, APreviewPlaysTheAddressAndCountsTheClickUnlessTurnedOff) {
    const RadioStation station = searchJazz().stations[0];
    web_.serve(std::string(kServer) + "/json/url/" + station.uuid, R"({"ok":true})");
    directory().play(station);
    ASSERT_EQ(desktop_.documents.size(), 1u);
    EXPECT_EQ(desktop_.documents[0].target, "http://a.example/live");
    EXPECT_EQ(web_.fetched.back(), std::string(kServer) + "/json/url/" + station.uuid);

    SettingsFile(programDir_).setReportDirectoryClicks(false);
    const std::size_t asked = web_.fetched.size();
    directory().play(station);
    EXPECT_EQ(web_.fetched.size(), asked);
}

}  // namespace
