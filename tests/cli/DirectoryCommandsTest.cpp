#include "core/session/Installation.h"
#include "core/store/ChannelStore.h"
#include "support/Kwave.h"
#include "support/LocalDocumentServer.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace kw;
using test::runKwave;

namespace {

using Answer = test::LocalDocumentServer::Answer;

const std::string kSearch =
    "/json/stations/search?name=jazz&order=votes&reverse=true&limit=100&offset=0"
    "&hidebroken=true";

std::string uuid(char last) { return std::string("00000000-0000-0000-0000-00000000000") + last; }

// A station record in the shape the directory documents.
std::string station(char id, const std::string& name, const std::string& address, const std::string& country,
                    const std::string& language) {
    return R"({"changeuuid":"c","stationuuid":")" + uuid(id) + R"(","name":")" + name + R"(","url":")" +
           address + R"(","url_resolved":")" + address +
           R"(","homepage":"https://radio.example/","favicon":"","tags":"jazz,smooth jazz","country":"",
"countrycode":")" +
           country + R"(","language":")" + language +
           R"(","votes":42,"codec":"MP3","bitrate":128,"hls":0,"lastcheckok":1,
"lastchecktime":"2026-12-01 10:00:00","clickcount":7})";
}

const std::string kJazz = "[" + station('a', "Jazz FM", "http://a.example/live", "GB", "english") + "," +
                          station('b', "台北爵士", "http://b.example/live", "TW", "mandarin") + "," +
                          station('c', "Jazz Paris", "http://c.example/live", "FR", "french") + "]";

Answer json(std::string body) {
    Answer answer;
    answer.contentType = "application/json";
    answer.body = std::move(body);
    return answer;
}

bool contains(const std::string& text, std::string_view part) { return text.find(part) != std::string::npos; }

class DirectoryCommands : public ::testing::Test {
protected:
    void SetUp() override {
        createInstallation(dir_, KW_DATA_DIR, false);
        useServer(server_.url(""));
    }
    void useServer(const std::string& address) {
        ASSERT_EQ(runKwave(dir_, {"config", "set", "Directory", "Server", address}).status, 0);
    }
    std::int64_t userChannels() {
        return ChannelStore::open(dir_ / ChannelStore::kFileName)->countChannelsInGroup(2);
    }

    test::TempDir temp_;
    const std::filesystem::path dir_ = temp_.path() / "program";
    test::LocalDocumentServer server_;
};

TEST_F(DirectoryCommands, StationsAreFoundAddedOnceAndFollowedByRefresh) {
    server_.serve(kSearch, json(kJazz));
    test::KwaveRun run = runKwave(dir_, {"directory", "search", "jazz"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(contains(run.out, "Jazz FM  [GB, english, MP3 128 kbit/s, 42 票]  " + uuid('a'))) << run.out;
    EXPECT_TRUE(contains(server_.lastRequest(kSearch), "User-Agent: KestrelWave/1.0"));

    const std::string uuids = uuid('a') + "," + uuid('b') + "," + uuid('c');
    server_.serve("/json/stations/byuuid?uuids=" + uuids, json(kJazz));
    run = runKwave(dir_, {"directory", "add", uuid('a'), uuid('b'), uuid('c')});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(contains(run.out, "已加入 3 个电台，在“C广播电台”之下")) << run.out;
    run = runKwave(dir_, {"tree"});
    EXPECT_TRUE(contains(run.out, "中国港澳台")) << run.out;
    run = runKwave(dir_, {"directory", "search", "jazz", "--format", "json"});
    EXPECT_TRUE(contains(run.out, R"("name":"台北爵士","countrycode":"TW")")) << run.out;
    EXPECT_TRUE(contains(run.out, R"("added":true)")) << run.out;
    run = runKwave(dir_, {"directory", "add", uuid('a'), uuid('b'), uuid('c')});
    EXPECT_TRUE(contains(run.out, "已经在频道中")) << run.out;
    EXPECT_EQ(userChannels(), 3);

    server_.serve("/json/stations/byuuid?uuids=" + uuids,
                  json("[" + station('a', "Jazz FM", "http://a.example/moved", "GB", "english") + "," +
                       station('b', "台北爵士", "http://b.example/live", "TW", "mandarin") + "]"));
    run = runKwave(dir_, {"refresh", "电台目录"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(contains(run.out, "新增 0，更新 1，移除 1，未变 1")) << run.out;
    EXPECT_TRUE(contains(run.out, "Jazz Paris")) << run.out;
    run = runKwave(dir_, {"play", "Jazz FM", "--print"});
    EXPECT_TRUE(contains(run.out, "http://a.example/moved")) << run.out;
}

TEST_F(DirectoryCommands, BadOptionsAreUsageErrors) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"directory"},
             {"directory", "find", "x"},
             {"directory", "search", "x", "--order", "loud"},
             {"directory", "search", "x", "--limit", "0"},
             {"directory", "search", "x", "--min-kbit", "many"},
             {"directory", "search", "x", "--format", "xml"},
             {"directory", "add"},
         }) {
        EXPECT_EQ(runKwave(dir_, args).status, 2) << args.back();
    }
}

TEST_F(DirectoryCommands, AnswersThatCannotBeUsedAreToldInChineseAndStoreNothing) {
    Answer page;
    page.contentType = "text/html";
    page.body = "<!DOCTYPE html><html><body>请登录</body></html>";
    const std::vector<std::pair<Answer, std::string>> cases = {
        {page, "回答的不是电台目录的数据"},
        {json(kJazz.substr(0, 150)), "电台目录的回答不完整"},
        {test::LocalDocumentServer::gzipBomb(std::uint64_t{64} << 20), "电台目录的回答超过 32 MB"},
        {json("busy"), "电台目录服务器都无法访问"},
    };
    for (const auto& [answer, words] : cases) {
        server_.serve(kSearch, answer);
        const test::KwaveRun run = runKwave(dir_, {"directory", "search", "jazz"});
        EXPECT_EQ(run.status, 1) << words;
        EXPECT_TRUE(contains(run.err, words)) << run.err;
    }
    useServer("http://127.0.0.1:1");
    const test::KwaveRun run = runKwave(dir_, {"directory", "add", uuid('a')});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(contains(run.err, "所有电台目录服务器都无法访问：http://127.0.0.1:1")) << run.err;
    EXPECT_EQ(runKwave(dir_, {"sources"}).out, "");
    EXPECT_EQ(userChannels(), 0);
}

}  // namespace
