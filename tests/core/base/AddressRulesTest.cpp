#include "core/base/AddressRules.h"
#include "core/base/MediaKinds.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kw {
namespace {

struct AddressCase {
    std::string address;
    bool allowed;
};

class AddressRulesTest : public ::testing::TestWithParam<AddressCase> {};

TEST_P(AddressRulesTest, OnlyStreamAndSiteSchemesAndLocalPathsPass) {
    EXPECT_EQ(address::isAllowedAddress(GetParam().address), GetParam().allowed) << GetParam().address;
    EXPECT_EQ(address::isOpenableTarget(GetParam().address), GetParam().allowed) << GetParam().address;
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, AddressRulesTest,
    ::testing::Values(AddressCase{"http://example.com/live", true}, AddressCase{"HTTPS://x/", true},
                      AddressCase{"mms://x/a", true}, AddressCase{"mmsh://x/a", true},
                      AddressCase{"rtsp://x/a", true}, AddressCase{"rtmpe://x/a", true},
                      AddressCase{"rtp://239.0.0.1:5004", true}, AddressCase{"udp://@239.0.0.1:1234", true},
                      AddressCase{"ftp://x/a.mp3", true}, AddressCase{"file:///home/a.mp3", true},
                      AddressCase{"/home/user/--script=/tmp/evil.lua", true},
                      AddressCase{"C:\\Music\\a.mp3", true}, AddressCase{"music/a.mp3", true},
                      AddressCase{"javascript:alert(document.cookie)", false},
                      AddressCase{" JavaScript:alert(1)", false}, AddressCase{"java\tscript:alert(1)", false},
                      AddressCase{"data:text/html,<script>", false}, AddressCase{"vbscript:msgbox", false},
                      AddressCase{"steam://run/123", false}, AddressCase{"apt:xterm", false},
                      AddressCase{"feed:javascript:alert(1)", false},
                      AddressCase{"view-source:javascript:alert(1)", false},
                      AddressCase{"smb://host/share/x.desktop;", false}));

TEST(AddressRulesTest, MailGoesOnlyToTheDesktopNeverIntoTheCatalogue) {
    EXPECT_FALSE(address::isAllowedAddress("mailto:someone@example.com"));
    EXPECT_TRUE(address::isOpenableTarget("mailto:someone@example.com"));
}

TEST(AddressRulesTest, ExactSchemeTakesNoBlanksNorDrives) {
    const std::vector<std::pair<std::string, std::optional<std::string>>> cases = {
        {"HTTP://a/", "http"},           {"rtsp+tcp://a", "rtsp+tcp"},  {"C:\\x.mp3", std::nullopt},
        {"java script:x", std::nullopt}, {"/home/a.mp3", std::nullopt}, {"1http://a", std::nullopt}};
    for (const auto& [text, scheme] : cases) EXPECT_EQ(address::exactSchemeOf(text), scheme) << text;
}

TEST(MediaKinds, ExtensionsComeFromTheLastSegmentWithoutQueryInLowerCase) {
    const std::vector<std::pair<std::string, std::string>> cases = {{"http://a/b.MP3?x=1.html", "mp3"},
                                                                    {"http://a.com/live", ""},
                                                                    {"http://a/b.m3u8#t", "m3u8"},
                                                                    {"C:\\music.d\\song", ""}};
    for (const auto& [text, extension] : cases) EXPECT_EQ(media::extensionOf(text), extension) << text;
    EXPECT_TRUE(media::isStreamingScheme("mmsh"));
    EXPECT_FALSE(media::isStreamingScheme("http"));
    EXPECT_TRUE(media::isMediaExtension("mpd"));
    EXPECT_FALSE(media::isMediaFileExtension("mpd"));
}

}  // namespace
}  // namespace kw
