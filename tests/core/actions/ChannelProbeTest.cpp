#include "core/actions/ChannelProbe.h"

#include <gtest/gtest.h>

namespace kw {
namespace {

TEST(ChannelProbe, StatedSpeedSetsTheRequiredRate) {
    const std::vector<std::pair<std::string, int>> cases = {{"128", 128}, {" 300k", 300}, {"56 kbps", 56},
                                                            {"", 64},     {"高速", 64},   {"0", 64},
                                                            {"2M", 64},   {"-5", 64}};
    for (const auto& [speed, kbit] : cases) EXPECT_EQ(requiredKbitPerSecond(speed), kbit) << speed;
}

TEST(ChannelProbe, WebPageFormatIsCheckedForAnAnswerOnly) {
    EXPECT_TRUE(probeTargetFor("http://a/", "网页", "").webPage);
    EXPECT_FALSE(probeTargetFor("http://a/", "MP3", "128").webPage);
    EXPECT_EQ(probeTargetFor("http://a/", "MP3", "128").requiredKbitPerSecond, 128);
}

}  // namespace
}  // namespace kw
