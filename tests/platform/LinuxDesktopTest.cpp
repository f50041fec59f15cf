#include "platform/LinuxDesktop.h"

#include "support/TempDir.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
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
        c.players = {};
        c.xdg = {{dir_ / "config"}, {dir_ / "data"}};  // no player for playlists unless a test names one
        return c;
    }

    fs::path file(const std::string& name, fs::perms perms = fs::perms::owner_read | fs::perms::owner_write) {
        const fs::path path = dir_ / name;
        test::writeBytes(path, "x");
        fs::permissions(path, perms);
        return path;
    }

    // The desktop's associations name `id` for playlists in `section` of `list`.
    void associate(const fs::path& list, const std::string& section, const std::string& id,
                   const std::string& categories) {
        fs::create_directories(list.parent_path());
        std::ofstream(list, std::ios::app) << "[" << section << "]\naudio/x-mpegurl=" << id << ";\n";
        if (categories.empty()) return;
        fs::create_directories(dir_ / "data" / "applications");
        std::ofstream(dir_ / "data" / "applications" / id)
            << "[Desktop Entry]\nName=x\nCategories=" << categories << "\n";
    }

    static void settle(LinuxDesktop& desktop) { desktop.waitForLaunches(std::chrono::seconds(10)); }

    test::TempDir dir_;
};

TEST_F(LinuxDesktopTest, HostileAddressReachesTheOpenerAsOneUnchangedArgument) {
    const std::string target =
        "http://x.example/a;b $(touch " + (dir_ / "pwned").string() + ") `id` \"q\" 'r' & | > <";
    LinuxDesktop desktop(config("opener"));
    ASSERT_TRUE(desktop.openDocument(target, kWebPageFormat, {}));
    settle(desktop);
    EXPECT_EQ(recorded("opener"), std::vector<std::string>{target});
    EXPECT_FALSE(fs::exists(dir_ / "pwned"));
}

TEST_F(LinuxDesktopTest, StreamPlaylistIsPrivateAndOutlivesTheDesktop) {
    const std::string target = "http://x.example/live;$(id) 'a'.m3u8";
    auto desktop = std::make_unique<LinuxDesktop>(config("opener"));
    ASSERT_TRUE(desktop->openDocument(target, "", {}));
    settle(*desktop);
    const auto args = recorded("opener");
    ASSERT_TRUE(args && args->size() == 1);
    const fs::path playlist = args->front();
    EXPECT_EQ(playlist.parent_path(), dir_ / "kestrelwave");
    EXPECT_EQ(playlist.extension(), ".m3u");
    EXPECT_EQ(fs::status(playlist).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(fs::status(playlist.parent_path()).permissions() & fs::perms::all, fs::perms::owner_all);
    desktop.reset();
    // The player may read it after we have ended.
    EXPECT_EQ(test::readBytes(playlist), "#EXTM3U\n" + target + "\n");
}

TEST_F(LinuxDesktopTest, OldPlaylistsArePrunedByAgeWhenTheNextIsWritten) {
    const fs::path folder = dir_ / "kestrelwave";
    fs::create_directory(folder);
    fs::permissions(folder, fs::perms::owner_all);
    test::writeBytes(folder / "play-1-1.m3u", "old");
    test::writeBytes(folder / "play-1-2.m3u", "recent");
    test::writeBytes(folder / "notes.txt", "not ours");
    fs::last_write_time(folder / "play-1-1.m3u", fs::file_time_type::clock::now() - std::chrono::hours(25));
    fs::last_write_time(folder / "notes.txt", fs::file_time_type::clock::now() - std::chrono::hours(25));
    LinuxDesktop desktop(config("opener"));
    ASSERT_TRUE(desktop.openDocument("http://x/a.mp3", "", {}));
    settle(desktop);
    EXPECT_FALSE(fs::exists(folder / "play-1-1.m3u"));
    EXPECT_TRUE(fs::exists(folder / "play-1-2.m3u"));
    EXPECT_TRUE(fs::exists(folder / "notes.txt"));
}

TEST_F(LinuxDesktopTest, PlaylistFolderOthersCanWriteIsNotUsed) {
    const fs::path folder = dir_ / "kestrelwave";
    fs::create_directory(folder);
    fs::permissions(folder, fs::perms::all);
    LinuxDesktopConfig c = config("opener");
    c.players = {recorder("player").string()};
    LinuxDesktop desktop(c);
    ASSERT_TRUE(desktop.openDocument("http://x/a.mp3", "", {}));
    settle(desktop);
    EXPECT_FALSE(recorded("opener"));
    EXPECT_EQ(recorded("player"), std::vector<std::string>{"http://x/a.mp3"});
    EXPECT_TRUE(fs::is_empty(folder));
}

TEST_F(LinuxDesktopTest, LeadingDashNeverReachesTheOpenerAsAnOption) {
    LinuxDesktop desktop(config("opener"));
    for (const std::string target : {"-x", "--help", "-", "-v:foo"}) {
        ASSERT_TRUE(desktop.openDocument(target, "", {}));
        settle(desktop);
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
    const fs::path loop = dir_ / "loop.mp3";
    fs::create_symlink(loop, loop);
    file("plain.mp3");

    LinuxDesktop desktop(config("opener"));
    for (const std::string& target : std::vector<std::string>{
             program.string(), launcher.string(), hiddenLauncher.string(), wineProgram.string(),
             link.string(), "file://" + launcher.string(), "file://localhost" + program.string(),
             "FILE:" + (dir_ / "radio%2Edesktop").string(), "file://other.host/tmp/a.mp3",
             "file://" + (dir_ / "plain.mp3").string() + "?.desktop",
             "file://" + (dir_ / "plain%00.mp3").string(), "http://x/a\nb", "http://x/\x7f",
             // Judged after "/" and "/." at the end are dropped.
             "/x/evil.desktop/", launcher.string() + "/.", program.string() + "/", "file:///usr/bin/id/",
             "file://" + program.string() + "/./", "file://" + launcher.string() + "%2F",
             // A path that cannot be checked (here a link to itself) is not let through.
             loop.string(), "file://" + loop.string(),
             // Other schemes the desktop mounts run their launchers too.
             "smb://host/share/evil.desktop", "SFTP://host/a%2Edesktop/", "dav://h/x/run.sh?x=1",
             "ftp://h/setup.EXE/.",
             // Only the schemes of streams and sites pass; a launcher name stays one with
             // blanks, a ";" or "%20" at its end.
             "javascript:alert(document.cookie)", "data:text/html,<script>alert(1)</script>", "vbscript:x",
             "steam://run/123", "apt:xterm", "feed:javascript:alert(1)", "view-source:javascript:alert(1)",
             "smb://h/s/a.mp3", "smb://host/share/x.desktop;", "x.desktop%20",
             "file://" + (dir_ / "radio.desktop%20").string()}) {
        EXPECT_FALSE(desktop.openDocument(target, "", {})) << target;
        EXPECT_FALSE(desktop.openDocument(target, kWebPageFormat, {})) << target;
        EXPECT_FALSE(desktop::openerArgument(target)) << target;
    }
    EXPECT_FALSE(recorded("opener")) << "nothing may have been started";

    for (const std::string& target : {"file://" + (dir_ / "plain.mp3").string(),
                                      std::string("ftp://h/s/a.mp3"), (dir_ / "missing.mp3").string()}) {
        ASSERT_TRUE(desktop.openDocument(target, kWebPageFormat, {})) << target;
        settle(desktop);
        EXPECT_EQ(recorded("opener"), std::vector<std::string>{target});
    }
}

struct LateCase {
    std::string script;  // what the opener does before it exits
    int exitCode;
    bool reported;
    friend void PrintTo(const LateCase& c, std::ostream* os) { *os << c.script << "exit " << c.exitCode; }
};

class LateOpenerTest : public LinuxDesktopTest, public ::testing::WithParamInterface<LateCase> {};

TEST_P(LateOpenerTest, FailureWithinTheWindowIsReportedOnceWithoutWaiting) {
    LinuxDesktopConfig c = config("opener");
    c.opener = recorder("late", GetParam().exitCode, GetParam().script).string();
    c.failureWindow = std::chrono::milliseconds(600);
    LinuxDesktop desktop(c);
    int reports = 0;
    ASSERT_TRUE(desktop.openDocument("http://x/", kWebPageFormat, [&] { ++reports; }));
    EXPECT_TRUE(desktop.watchingLaunches());
    settle(desktop);
    EXPECT_FALSE(desktop.watchingLaunches());
    EXPECT_EQ(reports, GetParam().reported ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Openers, LateOpenerTest,
                         ::testing::Values(LateCase{"", 4, true}, LateCase{"sleep 0.3\n", 3, true},
                                           LateCase{"sleep 0.3\n", 0, false},
                                           LateCase{"sleep 1.2\n", 3, false},  // after the window: it started
                                           LateCase{"kill -9 $$\n", 0, true}));

// A stand-in player that logs its arguments and its end by SIGTERM, which it
// answers as mpv does, with exit status 4.
fs::path loggingPlayer(const fs::path& dir, const std::string& name) {
    const fs::path script = dir / name;
    std::ofstream(script) << "#!/bin/sh\nlog='" << (dir / (name + ".log")).string()
                          << "'\necho \"$*\" >> \"$log\"\ntrap 'echo \"ended $*\" >> \"$log\"; exit 4' TERM\n"
                          << "sleep 5 & wait\n";
    fs::permissions(script, fs::perms::owner_all);
    return script;
}

TEST_F(LinuxDesktopTest, KnownPlayerShowsAWindowAndTheNextPlayEndsItButNotTheDesktopsOwn) {
    LinuxDesktopConfig c = config("opener");
    c.opener = loggingPlayer(dir_.path(), "opener").string();
    c.players = {loggingPlayer(dir_.path(), "mpv").string(), recorder("other").string()};
    LinuxDesktop desktop(c);
    int reports = 0;
    ASSERT_TRUE(desktop.openDocument("http://x/page.html", "", [&] { ++reports; }));
    ASSERT_TRUE(desktop.openDocument("http://x/a.mp3", "", [&] { ++reports; }));
    const auto log = [&](const std::string& name) {
        return fs::exists(dir_ / (name + ".log")) ? test::readBytes(dir_ / (name + ".log")) : "";
    };
    for (int i = 0; i < 200 && log("mpv").empty(); ++i)
        desktop.waitForLaunches(std::chrono::milliseconds(20));
    ASSERT_TRUE(desktop.openDocument("http://x/b.mp3", "", [&] { ++reports; }));
    for (int i = 0; i < 200 && log("mpv").find("ended") == std::string::npos; ++i)
        desktop.waitForLaunches(std::chrono::milliseconds(20));
    desktop.waitForLaunches(std::chrono::milliseconds(300));

    const std::string played = log("mpv");
    const std::string first = "--player-operation-mode=pseudo-gui -- http://x/a.mp3\n";
    const std::string second = "--player-operation-mode=pseudo-gui -- http://x/b.mp3\n";
    EXPECT_NE(played.find("\nended " + first), std::string::npos) << played;
    EXPECT_NE(played.find(second), std::string::npos) << played;
    EXPECT_EQ(played.find("ended " + second), std::string::npos) << played;
    EXPECT_EQ(log("opener"), "http://x/page.html\n") << "what the desktop started is never ended";
    EXPECT_FALSE(recorded("other")) << "an ended player is no failure";
    EXPECT_EQ(reports, 0);
}

TEST_F(LinuxDesktopTest, LateFailureOfAnEarlierOpenIsNotReportedOnceTheNextPlayStarted) {
    LinuxDesktopConfig c = config("opener");
    c.opener = recorder("opener", 0, "case \"$1\" in *fail*) sleep 0.3; exit 4;; esac\n").string();
    LinuxDesktop desktop(c);
    int earlier = 0, next = 0;
    ASSERT_TRUE(desktop.openDocument("http://x/fail", kWebPageFormat, [&] { ++earlier; }));
    ASSERT_TRUE(desktop.openDocument("http://x/ok", kWebPageFormat, [&] { ++next; }));
    settle(desktop);
    EXPECT_EQ(earlier, 0);
    EXPECT_EQ(next, 0);
}

TEST_F(LinuxDesktopTest, StartedProgramsWriteNothingToOurOutput) {
    LinuxDesktopConfig c = config("opener");
    c.opener = recorder("opener", 0, "echo out\necho err >&2\n").string();
    LinuxDesktop desktop(c);
    const fs::path captured = dir_ / "stderr";
    std::fflush(stderr);
    const int saved = ::dup(STDERR_FILENO);
    const int file = ::open(captured.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(file, STDERR_FILENO);
    const bool opened = desktop.openDocument("http://x/", kWebPageFormat, {});
    settle(desktop);
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    ::close(file);
    ASSERT_TRUE(opened);
    EXPECT_EQ(test::readBytes(captured), "");
}

TEST_F(LinuxDesktopTest, OpenerThatCannotStartIsAFailureAtOnce) {
    LinuxDesktopConfig c = config("opener");
    c.opener = (dir_ / "missing-opener").string();
    EXPECT_FALSE(LinuxDesktop(c).openDocument("http://x/", kWebPageFormat, {}));
}

TEST_F(LinuxDesktopTest, StreamTheOpenerFailsOnGoesToTheFirstInstalledPlayer) {
    associate(dir_ / "config" / "mimeapps.list", "Default Applications", "mpv.desktop", "AudioVideo;Player;");
    LinuxDesktopConfig c = config("opener");
    c.opener = recorder("opener", 0, "sleep 0.3\nexit 4\n").string();
    c.players = {(dir_ / "not-installed").string(), recorder("player").string(), recorder("other").string()};
    LinuxDesktop desktop(c);
    int reports = 0;
    ASSERT_TRUE(desktop.openDocument("http://x/tone.wav", "", [&] { ++reports; }));
    settle(desktop);
    EXPECT_EQ(recorded("player"), std::vector<std::string>{"http://x/tone.wav"});
    EXPECT_FALSE(recorded("other"));
    EXPECT_TRUE(recorded("opener")) << "the desktop's player came first";
    EXPECT_EQ(reports, 0);

    // When every player fails too, the failure is reported.
    c.players = {recorder("failing-player", 1).string()};
    LinuxDesktop failing(c);
    ASSERT_TRUE(failing.openDocument("mms://x/live", "", [&] { ++reports; }));
    settle(failing);
    EXPECT_EQ(recorded("failing-player"), std::vector<std::string>{"mms://x/live"});
    EXPECT_EQ(reports, 1);
}

TEST_F(LinuxDesktopTest, WhereTheDesktopWouldEditPlaylistsAKnownPlayerComesFirst) {
    associate(dir_ / "config" / "mimeapps.list", "Default Applications", "editor.desktop",
              "Utility;TextEditor;");
    LinuxDesktopConfig c = config("opener");
    c.players = {recorder("player").string()};
    LinuxDesktop desktop(c);
    ASSERT_TRUE(desktop.openDocument("http://x/a.opus", "", {}));
    settle(desktop);
    EXPECT_EQ(recorded("player"), std::vector<std::string>{"http://x/a.opus"});
    EXPECT_FALSE(recorded("opener"));
}

struct HandlerCase {
    const char* label;
    std::vector<std::array<std::string, 4>> entries;  // list under dir_, section, id, categories
    desktop::PlaylistHandler handler;
};

class PlaylistHandlerTest : public LinuxDesktopTest, public ::testing::WithParamInterface<HandlerCase> {};

TEST_P(PlaylistHandlerTest, FollowsTheDesktopsAssociations) {
    for (const auto& [list, section, id, categories] : GetParam().entries)
        associate(dir_ / list, section, id, categories);
    EXPECT_EQ(desktop::playlistHandler({{dir_ / "config"}, {dir_ / "data"}}), GetParam().handler);
}

INSTANTIATE_TEST_SUITE_P(
    Associations, PlaylistHandlerTest,
    ::testing::Values(
        HandlerCase{"Nothing", {}, desktop::PlaylistHandler::None},
        HandlerCase{"Editor",
                    {{"config/mimeapps.list", "Default Applications", "vim.desktop", "Utility;TextEditor;"}},
                    desktop::PlaylistHandler::TextEditor},
        HandlerCase{"DefaultNotInstalled",
                    {{"config/mimeapps.list", "Default Applications", "gone.desktop", ""},
                     {"data/applications/mimeinfo.cache", "MIME Cache", "vlc.desktop", "AudioVideo;"}},
                    desktop::PlaylistHandler::Player},
        HandlerCase{
            "DefaultBeforeTheCache",
            {{"data/applications/mimeinfo.cache", "MIME Cache", "vlc.desktop", "AudioVideo;"},
             {"data/applications/mimeapps.list", "Default Applications", "gedit.desktop", "TextEditor;"}},
            desktop::PlaylistHandler::TextEditor}),
    [](const ::testing::TestParamInfo<HandlerCase>& param) { return std::string(param.param.label); });

TEST_F(LinuxDesktopTest, BrowserFallbackTriesTheListInOrder) {
    LinuxDesktopConfig c = config("opener", {"first", "second"});
    c.browsers.front() = recorder("first", 1, "sleep 0.2\n").string();
    c.browsers.insert(c.browsers.begin(), (dir_ / "not-installed").string());
    LinuxDesktop desktop(c);
    ASSERT_TRUE(desktop.openInBrowser("http://x.example/a b", {}));
    settle(desktop);
    EXPECT_EQ(recorded("first"), std::vector<std::string>{"http://x.example/a b"});
    EXPECT_EQ(recorded("second"), std::vector<std::string>{"http://x.example/a b"});

    for (const std::string address : {"-x", "file:///etc/passwd", "/tmp/a.html", "mms://x/", "http://x/\n"}) {
        EXPECT_FALSE(desktop.openInBrowser(address, {})) << address;
    }
    EXPECT_EQ(recorded("second"), std::vector<std::string>{"http://x.example/a b"}) << "only web addresses";
}

TEST_F(LinuxDesktopTest, ProgramStartsWithItsArgumentsAsTheyAreAndOnlyByNameOrAbsolutePath) {
    LinuxDesktop desktop(config("opener"));
    const fs::path helper = recorder("helper");
    const std::vector<std::string> arguments{"/a b/help.htm", "$(id)", ""};
    ASSERT_TRUE(desktop.startProgram(helper.string(), arguments, {}));
    settle(desktop);
    EXPECT_EQ(recorded("helper"), arguments);

    EXPECT_FALSE(desktop.startProgram("kw-surely-not-installed-program", {}, {}));
    for (const std::string program : {"", "-x", "bin/helper", "./helper", "a\nb"}) {
        EXPECT_FALSE(desktop::isStartableProgram(program)) << program;
    }
    EXPECT_TRUE(desktop::isStartableProgram("pavucontrol"));
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
    ::testing::Values(
        StreamCase{"mms://x/live", "", true}, StreamCase{"RTSP://x/live", "网页", true},
        StreamCase{"rtmp://x/app/s", "Flash", true}, StreamCase{"pnm://x/a.rm", "", true},
        StreamCase{"http://x/live/index.m3u8", "", true},
        StreamCase{"https://x/64k.MP3?token=1", "未知格式", true},
        StreamCase{"http://x/a.flv#t=1", " ", true}, StreamCase{"http://x:8000/asiahd", "其它", true},
        StreamCase{"https://x/", "HLS", true}, StreamCase{"http://x/page.html", "", false},
        StreamCase{"http://x/a.mp3", " 网页 ", false}, StreamCase{"http://x?file=a.mp3", "", false},
        StreamCase{"ftp://x/a.mp3", "MP3", false}, StreamCase{"/home/u/a.mp3", "MP3", false},
        StreamCase{"http://127.0.0.1:8000/tone.wav", "", true}, StreamCase{"http://x/a.FLAC", "", true},
        StreamCase{"http://x/radio.xspf", "", true}, StreamCase{"http://x/stream", "", true},
        StreamCase{"http://x/live/", "未知格式", true}, StreamCase{"http://x/listen/1", "", true},
        StreamCase{"http://x:8000/;stream.nsv", "", true}, StreamCase{"http://x:8000/;", "", true},
        StreamCase{"http://x/live/index.html", "", false}, StreamCase{"http://x/streams.php", "", false},
        StreamCase{"http://x/livestock", "", false}));

}  // namespace
}  // namespace kw
