#include "core/base/Error.h"
#include "core/session/Autostart.h"
#include "support/ExpectError.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>

namespace fs = std::filesystem;
using kw::Autostart;
using kw::test::TempDir;

namespace {

constexpr const char* kEntryName = "example.kestrelwave.KestrelWave.desktop";

TEST(Autostart, EntryLivesInTheUsersAutostartFolder) {
    EXPECT_EQ(Autostart("/cfg", "/home/u").entryFile(), fs::path("/cfg/autostart") / kEntryName);
    EXPECT_EQ(Autostart("", "/home/u").entryFile(), fs::path("/home/u/.config/autostart") / kEntryName);
    EXPECT_EQ(Autostart("relative", "/home/u").entryFile(),
              fs::path("/home/u/.config/autostart") / kEntryName);
    EXPECT_ERROR("Cannot tell where the autostart entry belongs", Autostart("", ""));
}

TEST(Autostart, IsOffUntilSwitchedOnAndOffAgainAfterwards) {
    TempDir home;
    const Autostart autostart("", home.path().string());
    EXPECT_FALSE(autostart.isOn());
    EXPECT_NO_THROW(autostart.set(false, "/usr/bin/kestrelwave"));  // nothing to remove

    autostart.set(true, "/usr/bin/kestrelwave");
    EXPECT_TRUE(autostart.isOn());
    std::ifstream entry(autostart.entryFile());
    const std::string text(std::istreambuf_iterator<char>(entry), {});
    EXPECT_NE(text.find("Exec=\"/usr/bin/kestrelwave\"\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nTryExec=/usr/bin/kestrelwave\n"), std::string::npos) << "skipped once removed";

    autostart.set(false, "/usr/bin/kestrelwave");
    EXPECT_FALSE(fs::exists(autostart.entryFile()));
    EXPECT_FALSE(autostart.isOn());
}

TEST(Autostart, EntryHiddenByTheDesktopCountsAsOff) {
    TempDir home;
    const Autostart autostart("", home.path().string());
    for (const char* line : {"Hidden=true", "X-GNOME-Autostart-enabled=false"}) {
        autostart.set(true, "/usr/bin/kestrelwave");
        std::ofstream(autostart.entryFile(), std::ios::app) << line << '\n';
        EXPECT_FALSE(autostart.isOn()) << line;
    }
}

TEST(Autostart, UnwritableFolderIsAnError) {
    TempDir home;
    std::ofstream(home / ".config") << "a file where the folder belongs";
    const Autostart autostart("", home.path().string());
    EXPECT_ERROR("Unable to write to ", autostart.set(true, "/usr/bin/kestrelwave"));
}

struct QuotingCase {
    const char* program;
    const char* exec;
};

class AutostartQuoting : public testing::TestWithParam<QuotingCase> {};

TEST_P(AutostartQuoting, ProgramPathReachesTheDesktopAsOneArgument) {
    const std::string text = Autostart::entryText(GetParam().program);
    EXPECT_NE(text.find(std::string("\nExec=") + GetParam().exec + "\n"), std::string::npos) << text;
}

INSTANTIATE_TEST_SUITE_P(Cases, AutostartQuoting,
                         testing::Values(QuotingCase{"/opt/k w/kestrelwave", R"("/opt/k w/kestrelwave")"},
                                         QuotingCase{R"(/a"b/k)", R"("/a\\"b/k")"},
                                         QuotingCase{"/a$b`c/k", R"("/a\\$b\\`c/k")"},
                                         QuotingCase{R"(/a\b/k)", R"("/a\\\\b/k")"},
                                         QuotingCase{"/100%/k", R"("/100%%/k")"}));

TEST(Autostart, LineBreakInTheProgramPathIsRefused) {
    EXPECT_ERROR("A program path with a line break cannot start with the session",
                 Autostart::entryText("/a\nExec=/bin/evil/k"));
}

}  // namespace
