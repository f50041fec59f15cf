#include "core/base/YieldHook.h"
#include "core/ports/DirectoryServers.h"
#include "core/settings/SettingsFile.h"
#include "core/sources/DirectoryClient.h"
#include "support/ExpectError.h"
#include "support/FakeUi.h"
#include "support/FakeWebFetch.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <functional>

using namespace kw;

namespace {

constexpr const char* kOne = "https://one.example";
constexpr const char* kTwo = "https://two.example";
constexpr const char* kStations = "[{\"stationuuid\":\"x\"}]";

class FakeServers final : public DirectoryServers {
public:
    std::vector<std::string> list{kOne, kTwo};
    int asked = 0;
    std::vector<std::string> candidates() override {
        ++asked;
        return list;
    }
};

// The fake fetch, also keeping the limits each fetch was given.
class RecordingFetch final : public WebFetch {
public:
    test::FakeWebFetch fake;
    std::vector<FetchLimits> limits;
    FetchResult fetch(const std::string& address, const FetchLimits& given,
                      const FetchProgress& progress) override {
        limits.push_back(given);
        return fake.fetch(address, given, progress);
    }
};

FetchResult failing(FetchOutcome outcome, ProbeReason reason = ProbeReason::Unchecked, long status = 0) {
    FetchResult result;
    result.outcome = outcome;
    result.reason = reason;
    result.httpStatus = status;
    return result;
}

FetchResult httpStatus(long status) { return failing(FetchOutcome::Failed, ProbeReason::HttpStatus, status); }

const std::string kSearch =
    "/json/stations/search?order=votes&reverse=true&limit=100&offset=0&hidebroken=true";

class DirectoryClientTest : public ::testing::Test {
protected:
    void serve(const std::string& server, std::string body, const std::string& path = kSearch) {
        web_.fake.serve(server + path, std::move(body));
    }
    void answer(const std::string& server, FetchResult result, const std::string& path = kSearch) {
        web_.fake.answers[server + path] = std::move(result);
    }
    void setServer(std::string_view server) {
        test::writeBytes(dir_ / "Kestrelwave.ini", "[Directory]\r\nServer=" + std::string(server) + "\r\n");
    }
    const std::vector<std::string>& fetched() const { return web_.fake.fetched; }

    test::TempDir dir_;
    SettingsFile settings_{dir_.path()};
    RecordingFetch web_;
    FakeServers servers_;
    test::FakeUi ui_;
    YieldHook yield_;
    DirectoryClient client_{web_, servers_, ui_, yield_, settings_};
};

struct FailoverCase {
    const char* label;
    FetchResult first;
};

class Failover : public DirectoryClientTest, public ::testing::WithParamInterface<FailoverCase> {};

TEST_P(Failover, ATroubledServerPassesTheRequestToTheNext) {
    answer(kOne, GetParam().first);
    serve(kTwo, kStations);
    EXPECT_EQ(client_.searchStations({}), kStations);
    EXPECT_EQ(fetched(), (std::vector<std::string>{kOne + kSearch, kTwo + kSearch}));
}

FetchResult htmlPage() {
    FetchResult page;
    page.outcome = FetchOutcome::Fetched;
    page.body = "  <html><body>Sign in to the hotspot</body></html>";
    return page;
}

INSTANTIATE_TEST_SUITE_P(
    Troubles, Failover,
    ::testing::Values(
        FailoverCase{"NetworkError", failing(FetchOutcome::Failed, ProbeReason::ConnectionRefused)},
        FailoverCase{"ServiceUnavailable", httpStatus(503)}, FailoverCase{"TooManyRequests", httpStatus(429)},
        FailoverCase{"Stalled", failing(FetchOutcome::Stalled)}, FailoverCase{"HtmlPage", htmlPage()},
        FailoverCase{"EmptyBody", failing(FetchOutcome::Fetched)}),
    [](const auto& param) { return std::string(param.param.label); });

TEST_F(DirectoryClientTest, TheServerThatAnsweredIsAskedFirstAndDiscoveryRunsOnce) {
    serve(kTwo, kStations);
    ASSERT_TRUE(client_.searchStations({}));
    ASSERT_TRUE(client_.searchStations({}));
    EXPECT_EQ(fetched(), (std::vector<std::string>{kOne + kSearch, kTwo + kSearch, kTwo + kSearch}));
    EXPECT_EQ(servers_.asked, 1);
}

TEST_F(DirectoryClientTest, ARefusedRequestIsNotAskedElsewhere) {
    answer(kOne, httpStatus(404));
    serve(kTwo, kStations);
    EXPECT_ERROR("电台目录服务器拒绝了请求（HTTP 404）", client_.searchStations({}));
    EXPECT_EQ(fetched().size(), 1u);
}

TEST_F(DirectoryClientTest, AllServersDownNamesTheLastReasonAndDiscoveryRunsAgain) {
    answer(kTwo, httpStatus(503));
    EXPECT_ERROR("所有电台目录服务器都无法访问：https://two.example（服务器回答 HTTP 503）",
                 client_.searchStations({}));
    EXPECT_EQ(fetched().size(), 2u);
    serve(kOne, kStations);
    EXPECT_EQ(client_.searchStations({}), kStations);
    EXPECT_EQ(servers_.asked, 2);
}

TEST_F(DirectoryClientTest, NoServerFoundIsTheSameFailure) {
    servers_.list.clear();
    EXPECT_ERROR("所有电台目录服务器都无法访问：找不到任何服务器", client_.countries());
    EXPECT_TRUE(fetched().empty());
}

TEST_F(DirectoryClientTest, AnOversizedAnswerIsRefusedWithoutAskingAnotherServer) {
    answer(kOne, failing(FetchOutcome::TooLarge));
    EXPECT_ERROR("电台目录的回答超过 32 MB", client_.searchStations({}));
    EXPECT_EQ(fetched().size(), 1u);
}

TEST_F(DirectoryClientTest, CancelEndsTheRequestWithNothingAndEndsTheProgress) {
    ui_.cancelAtCheck = 1;
    EXPECT_EQ(client_.searchStations({}), std::nullopt);
    EXPECT_EQ(fetched().size(), 1u);
    EXPECT_EQ(ui_.progressEnds, 1);
}

TEST_F(DirectoryClientTest, TheServerInTheSettingsReplacesDiscovery) {
    setServer("http://127.0.0.1:8080/");
    web_.fake.serve("http://127.0.0.1:8080" + kSearch, kStations);
    EXPECT_EQ(client_.searchStations({}), kStations);
    EXPECT_EQ(servers_.asked, 0);
    answer("http://127.0.0.1:8080", httpStatus(502));
    EXPECT_ERROR("所有电台目录服务器都无法访问：http://127.0.0.1:8080（服务器回答 HTTP 502）",
                 client_.searchStations({}));
    EXPECT_EQ(servers_.asked, 0);
}

TEST_F(DirectoryClientTest, AServerInTheSettingsThatIsNoWebAddressIsRefused) {
    for (const char* server :
         {"ftp://mirror.example", "127.0.0.1:8080", "http://", "http:///json", "http://a b"}) {
        setServer(server);
        EXPECT_ERROR("电台目录服务器地址无效", client_.searchStations({})) << server;
    }
    EXPECT_TRUE(fetched().empty());
}

struct QueryCase {
    const char* label;
    StationQuery query;
    std::string expected;
};

class SearchQuery : public DirectoryClientTest, public ::testing::WithParamInterface<QueryCase> {};

TEST_P(SearchQuery, AsksWithTheEncodedFilters) {
    serve(kOne, "[]", "/json/stations/search?" + GetParam().expected);
    EXPECT_EQ(client_.searchStations(GetParam().query), "[]");
    EXPECT_EQ(fetched().size(), 1u);
}

StationQuery with(const std::function<void(StationQuery&)>& change) {
    StationQuery query;
    change(query);
    return query;
}

INSTANTIATE_TEST_SUITE_P(
    Filters, SearchQuery,
    ::testing::Values(
        QueryCase{"Defaults", {}, "order=votes&reverse=true&limit=100&offset=0&hidebroken=true"},
        QueryCase{
            "EveryFilterEncoded",
            {"新闻 & 体育", "jazz/blues", "CN", "chinese", "AAC+", 128, StationOrder::Name, 50, 100, true},
            "name=%E6%96%B0%E9%97%BB%20%26%20%E4%BD%93%E8%82%B2&tag=jazz%2Fblues&countrycode=CN&"
            "language=chinese&codec=AAC%2B&bitrateMin=128&order=name&limit=50&offset=100&hidebroken=true"},
        QueryCase{"ClicksWithBroken", with([](StationQuery& q) {
                      q.order = StationOrder::Clicks;
                      q.hideBroken = false;
                  }),
                  "order=clickcount&reverse=true&limit=100&offset=0&hidebroken=false"},
        QueryCase{"PagingKeptInRange", with([](StationQuery& q) {
                      q.name = "a=b#c";
                      q.limit = 0;
                      q.offset = -5;
                  }),
                  "name=a%3Db%23c&order=votes&reverse=true&limit=1&offset=0&hidebroken=true"},
        QueryCase{"LimitCapped", with([](StationQuery& q) { q.limit = 1 << 30; }),
                  "order=votes&reverse=true&limit=10000&offset=0&hidebroken=true"}),
    [](const auto& param) { return std::string(param.param.label); });

TEST_F(DirectoryClientTest, FacetsAskForTheirOrdersAndLimits) {
    serve(kOne, "[]", "/json/countries?order=name&hidebroken=true");
    serve(kOne, "[]", "/json/languages?order=stationcount&reverse=true&limit=500&hidebroken=true");
    serve(kOne, "[]", "/json/tags?order=stationcount&reverse=true&limit=1000&hidebroken=true");
    EXPECT_EQ(client_.countries(), "[]");
    EXPECT_EQ(client_.languages(), "[]");
    EXPECT_EQ(client_.tags(), "[]");
    EXPECT_EQ(fetched().size(), 3u);
    for (const FetchLimits& limits : web_.limits) {
        EXPECT_EQ(limits.maxBytes, std::uint64_t{8} << 20);
        EXPECT_EQ(limits.userAgent, kDirectoryUserAgent);
    }
}

TEST_F(DirectoryClientTest, UuidsAreAskedForInChunksAndOthersAreNotSent) {
    std::vector<std::string> uuids{"not/a uuid", ""};
    for (int i = 0; i < 250; ++i) uuids.push_back("96062a7b-f" + std::to_string(1000 + i));
    std::string expected[3];
    for (int i = 0; i < 250; ++i) expected[i / 100] += (i % 100 ? "," : "") + uuids[i + 2];
    for (const std::string& list : expected)
        serve(kOne, "[" + list + "]", "/json/stations/byuuid?uuids=" + list);

    const auto answers = client_.stationsByUuid(uuids);
    ASSERT_TRUE(answers);
    ASSERT_EQ(answers->size(), 3u);
    EXPECT_EQ((*answers)[2], "[" + expected[2] + "]");
    EXPECT_EQ(fetched().size(), 3u);
    EXPECT_EQ(web_.limits.front().maxBytes, std::uint64_t{32} << 20);

    EXPECT_EQ(client_.stationsByUuid({}), std::vector<std::string>{});
    EXPECT_EQ(fetched().size(), 3u);
}

TEST_F(DirectoryClientTest, APlayIsReportedUnlessTheSettingsSayNo) {
    const std::string uuid = "96062a7b-0601-11e8-ae97-52543be04c81";
    serve(kOne, "{\"ok\":true}", "/json/url/" + uuid);
    EXPECT_TRUE(client_.reportClick(uuid));
    EXPECT_FALSE(client_.reportClick("../stations"));
    EXPECT_EQ(fetched().size(), 1u);

    web_.fake.answers.clear();
    serve(kTwo, "{\"ok\":true}", "/json/url/" + uuid);
    // Only the server that answered last is asked, and its silence is no error for the user.
    EXPECT_FALSE(client_.reportClick(uuid));
    EXPECT_EQ(fetched().size(), 2u);
    EXPECT_TRUE(ui_.errors.empty());

    settings_.setReportDirectoryClicks(false);
    const std::size_t before = fetched().size();
    EXPECT_FALSE(client_.reportClick(uuid));
    EXPECT_EQ(fetched().size(), before);
}

}  // namespace
