#include "core/base/Error.h"
#include "core/session/ProgramDirectory.h"
#include "core/store/ChannelStore.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>

namespace fs = std::filesystem;
using kw::ProgramLayout;
using kw::ProgramLocation;
using kw::test::TempDir;

namespace {

TEST(ProgramDirectory, ShippedDataLiesBesideTheExecutablesFolder) {
    EXPECT_EQ(kw::shippedDataFolder("/usr/bin"), fs::path("/usr/share/kestrelwave"));
    EXPECT_EQ(kw::shippedDataFolder("/opt/kw/bin/"), fs::path("/opt/kw/share/kestrelwave"));
}

struct LocationCase {
    const char* title;
    bool databaseBesideExecutable;
    const char* xdgDataHome;
    const char* home;
    const char* expectedUnderRoot;  // empty: the executable's folder
};

class ProgramDirectoryLocation : public testing::TestWithParam<LocationCase> {};

TEST_P(ProgramDirectoryLocation, FollowsThePortableThenPerUserRule) {
    const LocationCase& c = GetParam();
    TempDir root;
    const fs::path bin = root / "bin";
    fs::create_directories(bin);
    if (c.databaseBesideExecutable) std::ofstream(bin / kw::ChannelStore::kFileName) << "";

    const ProgramLocation location = kw::locateProgramDirectory(bin, c.xdgDataHome, c.home);
    if (*c.expectedUnderRoot == '\0') {
        EXPECT_EQ(location.dir, bin);
        EXPECT_EQ(location.layout, ProgramLayout::Portable);
    } else {
        EXPECT_EQ(location.dir, fs::path(c.expectedUnderRoot));
        EXPECT_EQ(location.layout, ProgramLayout::PerUser);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProgramDirectoryLocation,
    testing::Values(
        LocationCase{"DatabaseBesideExecutableWins", true, "/data", "/home/u", ""},
        LocationCase{"XdgDataHome", false, "/data", "/home/u", "/data/kestrelwave"},
        LocationCase{"HomeWhenXdgUnset", false, "", "/home/u", "/home/u/.local/share/kestrelwave"},
        LocationCase{"RelativeXdgIgnored", false, "rel/data", "/home/u", "/home/u/.local/share/kestrelwave"}),
    [](const auto& testInfo) { return std::string(testInfo.param.title); });

TEST(ProgramDirectory, NoUsableHomeIsAClearError) {
    TempDir root;
    for (const char* home : {"", "relative/home"}) {
        try {
            kw::locateProgramDirectory(root.path(), "", home);
            FAIL() << "no error for HOME \"" << home << '"';
        } catch (const kw::Error& error) {
            EXPECT_NE(std::string(error.what()).find("XDG_DATA_HOME nor HOME"), std::string::npos);
        }
    }
}

TEST(ProgramDirectory, PerUserDirectoryIsMadeOnceAndThenKept) {
    TempDir root;
    const ProgramLocation location{root / "share" / "kestrelwave", ProgramLayout::PerUser};
    ASSERT_TRUE(kw::prepareProgramDirectory(location, KW_DATA_DIR));
    EXPECT_TRUE(fs::exists(location.dir / kw::ChannelStore::kFileName));
    EXPECT_TRUE(fs::exists(location.dir / "Kestrelwave.ini"));
    EXPECT_TRUE(fs::is_directory(location.dir / "Skins"));

    // The user's channels survive every later start.
    const auto written = fs::last_write_time(location.dir / kw::ChannelStore::kFileName);
    EXPECT_FALSE(kw::prepareProgramDirectory(location, KW_DATA_DIR));
    EXPECT_EQ(fs::last_write_time(location.dir / kw::ChannelStore::kFileName), written);
}

TEST(ProgramDirectory, PortableDirectoryIsNeverMade) {
    TempDir root;
    EXPECT_FALSE(kw::prepareProgramDirectory({root / "portable", ProgramLayout::Portable}, KW_DATA_DIR));
    EXPECT_FALSE(fs::exists(root / "portable"));
}

struct FailureCase {
    const char* title;
    const char* expected;
};

class ProgramDirectoryFailure : public testing::TestWithParam<FailureCase> {};

TEST_P(ProgramDirectoryFailure, NamesTheDirectoryAndTheReasonAndKeepsFiles) {
    const std::string title = GetParam().title;
    TempDir root;
    fs::path dataFolder = KW_DATA_DIR;
    ProgramLocation location{root / "kestrelwave", ProgramLayout::PerUser};
    if (title == "SettingsWithoutDatabase") {
        fs::create_directories(location.dir);
        std::ofstream(location.dir / "Kestrelwave.ini") << "[Main]\nmine=1\n";
    } else if (title == "NoShippedData") {
        dataFolder = root / "missing";
    } else {  // a plain file stands where the folder belongs
        std::ofstream(location.dir) << "x";
    }
    try {
        kw::prepareProgramDirectory(location, dataFolder);
        FAIL() << "no error";
    } catch (const kw::Error& error) {
        const std::string text = error.what();
        EXPECT_NE(text.find("Cannot make the program directory " + location.dir.string()), std::string::npos);
        EXPECT_NE(text.find(GetParam().expected), std::string::npos) << text;
    }
    if (title == "SettingsWithoutDatabase") {
        std::ifstream settings(location.dir / "Kestrelwave.ini");
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(settings), {}), "[Main]\nmine=1\n");
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ProgramDirectoryFailure,
                         testing::Values(FailureCase{"SettingsWithoutDatabase",
                                                     "settings file but no channel"},
                                         FailureCase{"NoShippedData", "Cannot open catalogue"},
                                         FailureCase{"FileInTheWay", "kestrelwave"}),
                         [](const auto& testInfo) { return std::string(testInfo.param.title); });

}  // namespace
