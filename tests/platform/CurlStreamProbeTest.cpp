#include "platform/CurlStreamProbe.h"
#include "support/LocalStreamServer.h"

#include <gtest/gtest.h>

namespace kw {
namespace {

using std::chrono::milliseconds;

ProbeLimits quickLimits() {
    ProbeLimits limits;
    limits.timeout = milliseconds(1000);
    limits.window = milliseconds(1000);
    limits.maxBytes = 64 * 1024;
    limits.maxHeaderBytes = 8 * 1024;
    return limits;
}

// A target as the core makes it: a web page channel, and the stated kbit/s (64 unless given).
ProbeTarget target(std::string address, std::string_view format = {}, int kbit = 64) {
    return ProbeTarget{std::move(address), format == "网页", kbit};
}

ProbeResult probeOne(const ProbeTarget& one) { return CurlStreamProbe().probeOne(one, quickLimits()); }

test::LocalStreamServer& server() {
    static test::LocalStreamServer instance;
    return instance;
}

struct ProbeCase {
    const char* label;
    std::string path;  // on the local server; a full address when it has a scheme
    std::string type;
    int kbit;  // the stated rate the core read from the channel's speed
    int status;
    std::string reason;  // part of the reason; empty when any will do
};

std::ostream& operator<<(std::ostream& out, const ProbeCase& c) { return out << c.label; }

class ProbeStatus : public testing::TestWithParam<ProbeCase> {};

TEST_P(ProbeStatus, JudgesTheAnswer) {
    const ProbeCase& c = GetParam();
    const bool local = !c.path.empty() && c.path.find(':') == std::string::npos;
    const std::string address = local ? server().url(c.path) : c.path;
    const ProbeResult result = probeOne(target(address, c.type, c.kbit));
    EXPECT_EQ(result.status, c.status) << result.reason;
    EXPECT_TRUE(result.checked);
    if (!c.reason.empty()) {
        EXPECT_NE(result.reason.find(c.reason), std::string::npos) << result.reason;
    }
}

INSTANTIATE_TEST_SUITE_P(
    LocalServers, ProbeStatus,
    testing::Values(ProbeCase{"Steady128", "/steady128", "", 64, 2, "速度足够"},
                    ProbeCase{"SteadyMeetsItsStatedSpeed", "/steady128", "", 96, 2, ""},
                    ProbeCase{"StatedSpeedAboveWhatArrives", "/steady128", "", 512, 1, "速度不足"},
                    ProbeCase{"SlowDrip", "/drip", "", 64, 1, "速度不足"},
                    ProbeCase{"NotFound", "/404", "", 64, 0, "HTTP 404"},
                    ProbeCase{"ServerError", "/500", "", 64, 0, "HTTP 500"},
                    ProbeCase{"SilentServer", "/silent", "", 64, 0, "超时"},
                    ProbeCase{"Icy", "/icy", "", 64, 2, ""},
                    ProbeCase{"HlsVariantAndSegment", "/master.m3u8", "", 64, 2, ""},
                    ProbeCase{"HlsSegmentMissing", "/broken.m3u8", "", 64, 0, "HTTP 404"},
                    ProbeCase{"HlsMasterNamingItself", "/self.m3u8", "", 64, 0, "不是媒体"},
                    ProbeCase{"HlsSegmentIsAPage", "/page-segment.m3u8", "", 64, 0, "网页"},
                    ProbeCase{"AnswerWithoutHttp", "/not-http", "", 64, 0, "不是 HTTP"},
                    ProbeCase{"StatusLineTooSlow", "/slow-status", "", 64, 0, "超时无应答"},
                    ProbeCase{"EndlessHeaderLine", "/endless-header-line", "", 64, 0, "应答头过长"},
                    ProbeCase{"RedirectChain", "/hop/3", "", 64, 2, ""},
                    ProbeCase{"TooManyRedirects", "/hop/6", "", 64, 0, "重定向次数过多"},
                    ProbeCase{"RedirectToFileRefused", "/to-file", "", 64, 0, "重定向到不允许的协议"},
                    ProbeCase{"EndlessHeaders", "/endless-headers", "", 64, 0, "应答头过长"},
                    ProbeCase{"WebPageChannelAnswers", "/page", "网页", 64, 1, "网页有应答"},
                    ProbeCase{"WebPageChannelNotFound", "/404", "网页", 64, 0, "HTTP 404"},
                    ProbeCase{"WebPageWhereMediaBelongs", "/page", "", 64, 0, "网页"},
                    ProbeCase{"MmsNotSpoken", "mms://127.0.0.1/live", "", 64, 0, "mms"},
                    ProbeCase{"RtmpNotSpoken", "rtmp://127.0.0.1/live", "", 64, 0, "rtmp"},
                    ProbeCase{"FileNeverRead", "file:///etc/passwd", "", 64, 0, "file"},
                    ProbeCase{"NoAddress", "", "", 64, 0, "没有地址"}),
    [](const testing::TestParamInfo<ProbeCase>& param) { return std::string(param.param.label); });

TEST(CurlStreamProbe, EveryOutcomeHasAChineseReasonAndItsCode) {
    const std::vector<std::pair<std::string, ProbeReason>> cases = {
        {test::LocalStreamServer::refusedUrl(), ProbeReason::ConnectionRefused},
        {server().url("/404"), ProbeReason::HttpStatus},
        {server().url("/silent"), ProbeReason::NoAnswer},
        {server().url("/steady128"), ProbeReason::Smooth},
        {"mms://127.0.0.1/live", ProbeReason::UnsupportedScheme},
        {"", ProbeReason::NoAddress}};
    for (const auto& [address, code] : cases) {
        const ProbeResult result = probeOne(target(address));
        EXPECT_EQ(result.code, code) << address << ": " << result.reason;
        EXPECT_TRUE(result.reason.starts_with(probeReasonEntry(code).words)) << result.reason;
    }
}

TEST(CurlStreamProbe, RefusedConnectionIsUnknown) {
    const ProbeResult result = probeOne(target(test::LocalStreamServer::refusedUrl()));
    EXPECT_EQ(result.status, 0);
    EXPECT_LT(result.answerSeconds, 0);
}

TEST(CurlStreamProbe, EndlessBodyIsReadOnlyToTheLimit) {
    for (const char* path : {"/endless-chunked", "/fast"}) {
        const ProbeResult result = probeOne(target(server().url(path)));
        EXPECT_EQ(result.status, 2) << path;
        EXPECT_EQ(result.bytes, quickLimits().maxBytes) << path;
    }
}

TEST(CurlStreamProbe, ManyChannelsAtOnceKeepTheirOwnResults) {
    std::vector<ProbeTarget> targets;
    const std::vector<std::pair<std::string, int>> paths = {
        {"/steady128", 2}, {"/404", 0}, {"/drip", 1}, {"/icy", 2}};
    for (int round = 0; round < 3; ++round) {
        for (const auto& [path, status] : paths) targets.push_back(target(server().url(path)));
    }
    ProbeLimits limits = quickLimits();
    limits.jobs = 5;
    std::size_t lastDone = 0;
    const std::vector<ProbeResult> results =
        CurlStreamProbe().probe(targets, limits,
                                [&](std::size_t done, std::size_t total) {
                                    EXPECT_GE(done, lastDone);
                                    EXPECT_EQ(total, targets.size());
                                    lastDone = done;
                                    return true;
                                },
                                {});
    ASSERT_EQ(results.size(), targets.size());
    for (std::size_t i = 0; i < targets.size(); ++i)
        EXPECT_EQ(results[i].status, paths[i % paths.size()].second) << i;
    EXPECT_EQ(lastDone, targets.size());
}

TEST(CurlStreamProbe, CancelLeavesTheRestUnchecked) {
    std::vector<ProbeTarget> targets(4, target(server().url("/silent")));
    ProbeLimits limits = quickLimits();
    limits.jobs = 1;
    const std::vector<ProbeResult> results =
        CurlStreamProbe().probe(targets, limits, [](std::size_t, std::size_t) { return false; }, {});
    for (const ProbeResult& result : results) {
        EXPECT_FALSE(result.checked);
        EXPECT_EQ(result.status, 0);
    }
}

}  // namespace
}  // namespace kw
