#include "core/actions/ChannelProbe.h"
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

test::LocalStreamServer& server() {
    static test::LocalStreamServer instance;
    return instance;
}

struct ProbeCase {
    const char* label;
    std::string path;  // on the local server; a full address when it has a scheme
    std::string type;
    std::string speed;
    int status;
    std::string reason;  // part of the reason; empty when any will do
};

std::ostream& operator<<(std::ostream& out, const ProbeCase& c) { return out << c.label; }

class ProbeStatus : public testing::TestWithParam<ProbeCase> {};

TEST_P(ProbeStatus, JudgesTheAnswer) {
    const ProbeCase& c = GetParam();
    const bool local = !c.path.empty() && c.path.find(':') == std::string::npos;
    const std::string address = local ? server().url(c.path) : c.path;
    const ProbeResult result = probeChannel({"channel", address, c.type, c.speed}, quickLimits());
    EXPECT_EQ(result.status, c.status) << result.reason;
    EXPECT_TRUE(result.checked);
    if (!c.reason.empty()) {
        EXPECT_NE(result.reason.find(c.reason), std::string::npos) << result.reason;
    }
}

INSTANTIATE_TEST_SUITE_P(
    LocalServers, ProbeStatus,
    testing::Values(ProbeCase{"Steady128", "/steady128", "", "", 2, "速度足够"},
                    ProbeCase{"SteadyMeetsItsStatedSpeed", "/steady128", "", "96", 2, ""},
                    ProbeCase{"StatedSpeedAboveWhatArrives", "/steady128", "", "512k", 1, "速度不足"},
                    ProbeCase{"SlowDrip", "/drip", "", "", 1, "速度不足"},
                    ProbeCase{"NotFound", "/404", "", "", 0, "HTTP 404"},
                    ProbeCase{"ServerError", "/500", "", "", 0, "HTTP 500"},
                    ProbeCase{"SilentServer", "/silent", "", "", 0, "超时"},
                    ProbeCase{"Icy", "/icy", "", "", 2, ""},
                    ProbeCase{"HlsVariantAndSegment", "/master.m3u8", "", "", 2, ""},
                    ProbeCase{"HlsSegmentMissing", "/broken.m3u8", "", "", 0, "HTTP 404"},
                    ProbeCase{"HlsMasterNamingItself", "/self.m3u8", "", "", 0, "不是媒体"},
                    ProbeCase{"HlsSegmentIsAPage", "/page-segment.m3u8", "", "", 0, "网页"},
                    ProbeCase{"AnswerWithoutHttp", "/not-http", "", "", 0, "不是 HTTP"},
                    ProbeCase{"StatusLineTooSlow", "/slow-status", "", "", 0, "超时无应答"},
                    ProbeCase{"EndlessHeaderLine", "/endless-header-line", "", "", 0, "应答头过长"},
                    ProbeCase{"RedirectChain", "/hop/3", "", "", 2, ""},
                    ProbeCase{"TooManyRedirects", "/hop/6", "", "", 0, "重定向次数过多"},
                    ProbeCase{"RedirectToFileRefused", "/to-file", "", "", 0, "重定向到不允许的协议"},
                    ProbeCase{"EndlessHeaders", "/endless-headers", "", "", 0, "应答头过长"},
                    ProbeCase{"WebPageChannelAnswers", "/page", "网页", "", 1, "网页有应答"},
                    ProbeCase{"WebPageChannelNotFound", "/404", "网页", "", 0, "HTTP 404"},
                    ProbeCase{"WebPageWhereMediaBelongs", "/page", "", "", 0, "网页"},
                    ProbeCase{"MmsNotSpoken", "mms://127.0.0.1/live", "", "", 0, "mms"},
                    ProbeCase{"RtmpNotSpoken", "rtmp://127.0.0.1/live", "", "", 0, "rtmp"},
                    ProbeCase{"FileNeverRead", "file:///etc/passwd", "", "", 0, "file"},
                    ProbeCase{"NoAddress", "", "", "", 0, "没有地址"}),
    [](const testing::TestParamInfo<ProbeCase>& param) { return std::string(param.param.label); });

TEST(ChannelProbe, RefusedConnectionIsUnknown) {
    const ProbeResult result =
        probeChannel({"c", test::LocalStreamServer::refusedUrl(), "", ""}, quickLimits());
    EXPECT_EQ(result.status, 0);
    EXPECT_LT(result.answerSeconds, 0);
}

TEST(ChannelProbe, EndlessBodyIsReadOnlyToTheLimit) {
    for (const char* path : {"/endless-chunked", "/fast"}) {
        const ProbeResult result = probeChannel({"c", server().url(path), "", ""}, quickLimits());
        EXPECT_EQ(result.status, 2) << path;
        EXPECT_EQ(result.bytes, quickLimits().maxBytes) << path;
    }
}

TEST(ChannelProbe, ManyChannelsAtOnceKeepTheirOwnResults) {
    std::vector<ProbeTarget> targets;
    const std::vector<std::pair<std::string, int>> paths = {
        {"/steady128", 2}, {"/404", 0}, {"/drip", 1}, {"/icy", 2}};
    for (int round = 0; round < 3; ++round) {
        for (const auto& [path, status] : paths) targets.push_back({path, server().url(path), "", ""});
    }
    ProbeLimits limits = quickLimits();
    limits.jobs = 5;
    std::size_t lastDone = 0;
    const std::vector<ProbeResult> results =
        probeChannels(targets, limits, [&](std::size_t done, std::size_t total) {
            EXPECT_GE(done, lastDone);
            EXPECT_EQ(total, targets.size());
            lastDone = done;
            return true;
        });
    ASSERT_EQ(results.size(), targets.size());
    for (std::size_t i = 0; i < targets.size(); ++i)
        EXPECT_EQ(results[i].status, paths[i % paths.size()].second) << i;
    EXPECT_EQ(lastDone, targets.size());
}

TEST(ChannelProbe, CancelLeavesTheRestUnchecked) {
    std::vector<ProbeTarget> targets(4, ProbeTarget{"c", server().url("/silent"), "", ""});
    ProbeLimits limits = quickLimits();
    limits.jobs = 1;
    const std::vector<ProbeResult> results =
        probeChannels(targets, limits, [](std::size_t, std::size_t) { return false; });
    for (const ProbeResult& result : results) {
        EXPECT_FALSE(result.checked);
        EXPECT_EQ(result.status, 0);
    }
}

TEST(ChannelProbe, StatedSpeedSetsTheRequiredRate) {
    const std::vector<std::pair<std::string, int>> cases = {{"128", 128}, {" 300k", 300}, {"56 kbps", 56},
                                                            {"", 64},     {"高速", 64},   {"0", 64},
                                                            {"2M", 64},   {"-5", 64}};
    for (const auto& [speed, kbit] : cases) EXPECT_EQ(requiredKbitPerSecond(speed), kbit) << speed;
}

}  // namespace
}  // namespace kw
