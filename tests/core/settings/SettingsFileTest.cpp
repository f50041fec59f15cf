#include "core/base/Error.h"
#include "core/base/TextCodec.h"
#include "core/settings/SettingsFile.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;
using kw::SettingsFile;

namespace {

class SettingsFileTest : public ::testing::Test {
protected:
    void store(std::string_view bytes) { std::ofstream(dir_ / "Kestrelwave.ini", std::ios::binary) << bytes; }
    std::string stored() const {
        std::ifstream in(dir_ / "Kestrelwave.ini", std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    kw::test::TempDir temp_;
    const fs::path dir_ = temp_.path();
};

TEST_F(SettingsFileTest, FirstStartWithoutFileUsesEveryDefault) {
    const SettingsFile settings(dir_);
    EXPECT_FALSE(settings.isHideOnDeactive());
    EXPECT_FALSE(settings.isAutoPlayLastChannel());
    EXPECT_EQ(settings.sndrec(), "sndrec32.exe");
    EXPECT_EQ(settings.authorHomePage(), "");
    EXPECT_EQ(settings.homePageUrl(), kw::kDefaultHomePage);
    EXPECT_TRUE(settings.homePageUrl().ends_with('/'));
    EXPECT_EQ(settings.authorEmail(), "");
    EXPECT_EQ(settings.verDat(), "");
    EXPECT_EQ(settings.scs(), dir_ / "SCS" / "Default.scs");
    EXPECT_EQ(settings.filterChannelIndex(), 0);
    EXPECT_EQ(settings.classDisplayChannelIndex(), 0);
    EXPECT_EQ(settings.lastPlayChannelName(), "");
    EXPECT_EQ(settings.lastSkinName(), "浪漫情怀");
    EXPECT_FALSE(fs::exists(settings.path()));
}

TEST_F(SettingsFileTest, EmptySetPathMeansDefaultSetButEmptySkinNameStaysEmpty) {
    store("[LastStatus]\r\nSCS=\r\nLastSkinName=\r\n");
    const SettingsFile settings(dir_);
    EXPECT_EQ(settings.scs(), dir_ / "SCS" / "Default.scs");
    EXPECT_EQ(settings.lastSkinName(), "");
}

TEST_F(SettingsFileTest, StoredSetPathIsUsedAndARelativeOneLiesInTheProgramDirectory) {
    SettingsFile settings(dir_);
    settings.setScs("/home/user/我的.scs");
    EXPECT_EQ(settings.scs(), fs::path("/home/user/我的.scs"));
    settings.setScs("SCS/Mine.scs");
    EXPECT_EQ(settings.scs(), dir_ / "SCS" / "Mine.scs");
}

TEST_F(SettingsFileTest, HomePageGetsTrailingSlashInMemoryOnly) {
    const std::string before = "[SetupOptions]\r\nAuthorHomePage= http://radio.example/home \r\n";
    store(before);
    const SettingsFile settings(dir_);
    EXPECT_EQ(settings.homePageUrl(), "http://radio.example/home/");
    EXPECT_EQ(settings.authorHomePage(), "http://radio.example/home");
    EXPECT_EQ(stored(), before);

    store("[SetupOptions]\r\nAuthorHomePage=\r\n");
    EXPECT_EQ(settings.homePageUrl(), kw::kDefaultHomePage);
}

TEST_F(SettingsFileTest, AnyNonZeroFlagIsTrue) {
    store("[SetupOptions]\r\nIsHideOnDeactive=2\r\nIsAutoPlayLastChannel=0\r\n");
    const SettingsFile settings(dir_);
    EXPECT_TRUE(settings.isHideOnDeactive());
    EXPECT_FALSE(settings.isAutoPlayLastChannel());
}

struct IndexCase {
    std::string filter;
    std::string display;
    int filterRead;
    int displayRead;
};

void PrintTo(const IndexCase& value, std::ostream* out) { *out << value.filter << ' ' << value.display; }

class ListIndexRule : public SettingsFileTest, public ::testing::WithParamInterface<IndexCase> {};

TEST_P(ListIndexRule, IndexOutsideItsListFallsBackToZero) {
    store("[LastStatus]\r\ncbFilterChannel.ItemIndex=" + GetParam().filter +
          "\r\ncbClassDisplayChannel.ItemIndex=" + GetParam().display + "\r\n");
    const SettingsFile settings(dir_);
    EXPECT_EQ(settings.filterChannelIndex(), GetParam().filterRead);
    EXPECT_EQ(settings.classDisplayChannelIndex(), GetParam().displayRead);
}

INSTANTIATE_TEST_SUITE_P(Values, ListIndexRule,
                         ::testing::Values(IndexCase{"5", "6", 5, 6}, IndexCase{"6", "7", 0, 0},
                                           IndexCase{"-1", "-1", 0, 0}, IndexCase{"$3", "0x2", 3, 2},
                                           IndexCase{"x", "", 0, 0}));

TEST_F(SettingsFileTest, SettersWriteTheKeysUnderTheirSections) {
    SettingsFile settings(dir_);
    settings.setHideOnDeactive(true);
    settings.setAutoPlayLastChannel(false);
    settings.setSndrec("arecord");
    settings.setAuthorHomePage("http://h.example/");
    settings.setAuthorEmail("a@h.example");
    settings.setVerDat("2026.12");
    settings.setScs("/p/SCS/Temp.scs");
    settings.setFilterChannelIndex(4);
    settings.setClassDisplayChannelIndex(6);
    settings.setLastPlayChannelName("中央一台");
    settings.setLastSkinName("浪漫情怀");
    EXPECT_EQ(stored(),
              "[SetupOptions]\r\nIsHideOnDeactive=1\r\nIsAutoPlayLastChannel=0\r\nSNDREC=arecord\r\n"
              "AuthorHomePage=http://h.example/\r\nAuthorEmail=a@h.example\r\nVerDat=2026.12\r\n"
              "[LastStatus]\r\nSCS=/p/SCS/Temp.scs\r\ncbFilterChannel.ItemIndex=4\r\n"
              "cbClassDisplayChannel.ItemIndex=6\r\nLastPlayChannelName=" +
                  kw::text::toGbk("中央一台") + "\r\nLastSkinName=" + kw::text::toGbk("浪漫情怀") + "\r\n");
    EXPECT_TRUE(settings.isHideOnDeactive());
    EXPECT_EQ(settings.lastPlayChannelName(), "中央一台");
    EXPECT_EQ(settings.classDisplayChannelIndex(), 6);
}

TEST_F(SettingsFileTest, DirectoryKeysDefaultToDiscoveryAndReportedClicks) {
    SettingsFile settings(dir_);
    EXPECT_EQ(settings.directoryServer(), "");
    EXPECT_TRUE(settings.reportsDirectoryClicks());
    settings.setReportDirectoryClicks(false);
    EXPECT_EQ(stored(), "[Directory]\r\nReportClicks=0\r\n");
    EXPECT_FALSE(settings.reportsDirectoryClicks());

    store("[Directory]\r\nServer= http://127.0.0.1:8080 \r\n");
    EXPECT_EQ(settings.directoryServer(), "http://127.0.0.1:8080");
    EXPECT_TRUE(settings.reportsDirectoryClicks());
}

TEST_F(SettingsFileTest, SetterInAMissingProgramDirectoryReportsTheFile) {
    SettingsFile settings(dir_ / "gone");
    try {
        settings.setLastSkinName("蓝色");
        FAIL() << "the write went through";
    } catch (const kw::Error& error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write to " + settings.path().string());
    }
}

}  // namespace
