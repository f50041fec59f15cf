#include "platform/LinuxDesktop.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace kw {
namespace {

namespace fs = std::filesystem;

// A folder with recording scripts that write their arguments, NUL-separated,
// to a file of their own.
class LinuxDesktopTest : public ::testing::Test {
protected:
    fs::path recorder(const std::string& name, int exitCode = 0, const std::string& extra = {}) {
        const fs::path script = dir_ / name;
        std::ofstream(script) << "#!/bin/sh\nprintf '%s\\0' \"$@\" > '" << (dir_ / (name + ".args")).string()
                              << "'\n"
                              << extra << "exit " << exitCode << "\n";
        fs::permissions(script, fs::perms::owner_all);
        return script;
    }

    std::optional<std::vector<std::string>> recorded(const std::string& name) const {
        if (!fs::exists(dir_ / (name + ".args"))) return std::nullopt;
        std::vector<std::string> args;
        std::istringstream parts(test::readBytes(dir_ / (name + ".args")));
        for (std::string arg; std::getline(parts, arg, '\0');) args.push_back(arg);
        return args;
    }

    LinuxDesktopConfig config(const std::string& opener, std::vector<std::string> browsers = {}) {
        LinuxDesktopConfig c;
        c.opener = recorder(opener).string();
        for (const std::string& browser : browsers) c.browsers.push_back(recorder(browser).string());
        c.failureWindow = std::chrono::seconds(10);  // scripts end long before
        c.playlistRoot = dir_.path();
        return c;
    }

    fs::path file(const std::string& name, fs::perms perms = fs::perms::owner_read | fs::perms::owner_write) {
        const fs::path path = dir_ / name;
        test::writeBytes(path, "x");
        fs::permissions(path, perms);
        return path;
    }

    test::TempDir dir_;
};

TEST_F(LinuxDesktopTest, HostileAddressReachesTheOpenerAsOneUnchangedArgument) {
    const std::string target =
        "http://x.example/a;b $(touch " + (dir_ / "pwned").string() + ") `id` \"q\" 'r' & | > <";
    LinuxDesktop desktop(config("opener"));
    ASSERT_TRUE(desktop.openDocument(target, kWebPageFormat));
    EXPECT_EQ(recorded("opener"), std::vector<std::string>{target});
    EXPECT_FALSE(fs::exists(dir_ / "pwned"));
}

TEST_F(LinuxDesktopTest, StreamIsOpenedThroughAPrivatePlaylistHoldingTheAddress) {
    const std::string target = "http://x.example/live;$(id) 'a'.m3u8";
    auto desktop = std::make_unique<LinuxDesktop>(config("opener"));
    ASSERT_TRUE(desktop->openDocument(target, ""));
    const auto args = recorded("opener");
    ASSERT_TRUE(args && args->size() == 1);
    const fs::path playlist = args->front();
    EXPECT_EQ(playlist.extension(), ".m3u");
    EXPECT_EQ(test::readBytes(playlist), "#EXTM3U\n" + target + "\n");
    EXPECT_EQ(fs::status(playlist).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(fs::status(playlist.parent_path()).permissions() & fs::perms::all, fs::perms::owner_all);
    desktop.reset();
    EXPECT_FALSE(fs::exists(playlist.parent_path())) << "the playlists go with the desktop";
}

TEST_F(LinuxDesktopTest, LeadingDashNeverReachesTheOpenerAsAnOption) {
    LinuxDesktop desktop(config("opener"));
    for (const std::string target : {"-x", "--help", "-", "-v:foo"}) {
        ASSERT_TRUE(desktop.openDocument(target, ""));
        const auto args = recorded("opener");
        ASSERT_TRUE(args && args->size() == 1) << target;
        EXPECT_EQ(args->front().front(), '/') << target;
        EXPECT_EQ(fs::path(args->front()).filename(), target);
    }
}

TEST_F(LinuxDesktopTest, LocalProgramsAndLaunchersAreRefusedWithoutStartingAnything) {
    const fs::path program = file("movie.mp3", fs::perms::owner_all);
    const fs::path launcher = file("radio.desktop");
    const fs::path hiddenLauncher = file(".Desktop");
    const fs::path wineProgram = file("player.EXE");
    const fs::path link = dir_ / "clip.mp3";
    fs::create_symlink(launcher, link);
    file("plain.mp3");

    LinuxDesktop desktop(config("opener"));
    for (const std::string& target : std::vector<std::string>{
             program.string(), launcher.string(), hiddenLauncher.string(), wineProgram.string(),
             link.string(), "file://" + launcher.string(), "file://localhost" + program.string(),
             "FILE:" + (dir_ / "radio%2Edesktop").string(), "file://other.host/tmp/a.mp3",
             "file://" + (dir_ / "plain.mp3").string() + "?.desktop",
             "file://" + (dir_ / "plain%00.mp3").string(), "http://x/a\nb", "http://x/\x7f"}) {
        EXPECT_FALSE(desktop.openDocument(target, "")) << target;
        EXPECT_FALSE(desktop.openDocument(target, kWebPageFormat)) << target;
    }
    EXPECT_FALSE(recorded("opener")) << "nothing may have been started";

    ASSERT_TRUE(desktop.openDocument("file://" + (dir_ / "plain.mp3").string(), ""));
    EXPECT_EQ(recorded("opener"), std::vector<std::string>{"file://" + (dir_ / "plain.mp3").string()});
}

TEST_F(LinuxDesktopTest, OpenerThatFailsAtOnceIsAFailure) {
    LinuxDesktopConfig c = config("opener");
    c.opener = recorder("failing", 4).string();
    EXPECT_FALSE(LinuxDesktop(c).openDocument("http://x/", kWebPageFormat));
    c.opener = (dir_ / "missing-opener").string();
    EXPECT_FALSE(LinuxDesktop(c).openDocument("http://x/", kWebPageFormat));
}

TEST_F(LinuxDesktopTest, OpenerStillRunningAfterTheWindowCountsAsStartedWithoutWaiting) {
    LinuxDesktopConfig c = config("opener");
    c.opener = recorder("slow", 0, "sleep 2\n").string();
    c.failureWindow = std::chrono::milliseconds(50);
    LinuxDesktop desktop(c);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_TRUE(desktop.openDocument("http://x/", kWebPageFormat));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(1));
}

TEST_F(LinuxDesktopTest, BrowserFallbackTriesTheListInOrder) {
    LinuxDesktopConfig c = config("opener", {"first", "second"});
    c.browsers.front() = recorder("first", 1).string();
    c.browsers.insert(c.browsers.begin(), (dir_ / "not-installed").string());
    LinuxDesktop desktop(c);
    ASSERT_TRUE(desktop.openInBrowser("http://x.example/a b"));
    EXPECT_EQ(recorded("first"), std::vector<std::string>{"http://x.example/a b"});
    EXPECT_EQ(recorded("second"), std::vector<std::string>{"http://x.example/a b"});

    for (const std::string address : {"-x", "file:///etc/passwd", "/tmp/a.html", "mms://x/", "http://x/\n"}) {
        EXPECT_FALSE(desktop.openInBrowser(address)) << address;
    }
    EXPECT_EQ(recorded("second"), std::vector<std::string>{"http://x.example/a b"}) << "only web addresses";
}

TEST(LinuxDesktopConfig, BrowserVariableComesFirstWithoutEntriesThatNeedAShell) {
    const char* saved = std::getenv("BROWSER");
    const std::string previous = saved ? saved : "";
    setenv("BROWSER", "firefox:lynx %s:a b::/usr/bin/chromium", 1);
    const LinuxDesktopConfig config = LinuxDesktopConfig::fromEnvironment();
    saved ? setenv("BROWSER", previous.c_str(), 1) : unsetenv("BROWSER");
    EXPECT_EQ(config.browsers, (std::vector<std::string>{"firefox", "/usr/bin/chromium", "x-www-browser",
                                                         "sensible-browser"}));
    EXPECT_EQ(config.opener, "xdg-open");
}

struct StreamCase {
    std::string target;
    std::string format;
    bool stream;
    friend void PrintTo(const StreamCase& c, std::ostream* os) { *os << c.target << " [" << c.format << "]"; }
};

class MediaStream : public ::testing::TestWithParam<StreamCase> {};

TEST_P(MediaStream, StreamsGoToThePlayerPagesToTheBrowser) {
    EXPECT_EQ(desktop::isMediaStream(GetParam().target, GetParam().format), GetParam().stream);
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, MediaStream,
    ::testing::Values(StreamCase{"mms://x/live", "", true}, StreamCase{"RTSP://x/live", "网页", true},
                      StreamCase{"rtmp://x/app/s", "Flash", true}, StreamCase{"pnm://x/a.rm", "", true},
                      StreamCase{"http://x/live/index.m3u8", "", true},
                      StreamCase{"https://x/64k.MP3?token=1", "未知格式", true},
                      StreamCase{"http://x/a.flv#t=1", " ", true},
                      StreamCase{"http://x:8000/asiahd", "其它", true}, StreamCase{"https://x/", "HLS", true},
                      StreamCase{"http://x/page.html", "", false},
                      StreamCase{"http://x/a.mp3", " 网页 ", false},
                      StreamCase{"http://x?file=a.mp3", "", false}, StreamCase{"ftp://x/a.mp3", "MP3", false},
                      StreamCase{"/home/u/a.mp3", "MP3", false}));

}  // namespace
}  // namespace kw
