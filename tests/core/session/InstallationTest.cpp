#include "core/base/AddressRules.h"
#include "core/base/Error.h"
#include "core/base/ProfileFile.h"
#include "core/base/ScrambleText.h"
#include "core/session/Installation.h"
#include "core/store/ChannelStore.h"
#include "core/store/DefaultCatalogue.h"
#include "support/ExpectError.h"
#include "support/LongAddress.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using kw::test::TempDir;

namespace {

const fs::path kDataDir = KW_DATA_DIR;

std::unique_ptr<kw::ChannelStore> openInstalled(const TempDir& dir) {
    return kw::ChannelStore::open(dir / "Kestrelwave.dll");
}

TEST(Installation, MakesDatabaseWithSettingsRowAndSystemChannels) {
    TempDir dir;
    const auto summary = kw::createInstallation(dir.path(), kDataDir, false);
    EXPECT_GT(summary.systemChannels, 600u);

    auto store = openInstalled(dir);
    const kw::SettingsRow settings = store->readSettingsRow();
    EXPECT_EQ(settings.locked, 0);
    EXPECT_TRUE(settings.scrambledType.empty());
    EXPECT_EQ(kw::unscrambleText(settings.scrambledSpeed, settings.name), "3");

    EXPECT_EQ(store->countChannelsInGroup(1), static_cast<std::int64_t>(summary.systemChannels));
    EXPECT_EQ(store->countChannelsInGroup(2), 0);
    const kw::ChannelDetails cctv = store->readChannelDetails("CCTV-1综合");
    EXPECT_EQ(cctv.groupId, 1);
    EXPECT_EQ(cctv.rating, 3);
    EXPECT_EQ(cctv.vol, kw::kCatalogueIssue);
    const kw::ChannelAddress address = store->readChannelAddress("cctv-1综合");
    EXPECT_EQ(kw::unscrambleText(address.scrambledUrl, address.name).rfind("http", 0), 0u);
}

TEST(Installation, WritesSettingsFileAndDefaultSetOfExistingChannels) {
    TempDir dir;
    kw::createInstallation(dir.path(), kDataDir, false);
    const kw::ProfileFile settings(dir / "Kestrelwave.ini");
    EXPECT_EQ(settings.readText("SetupOptions", "VerDat"), kw::kCatalogueIssue);
    EXPECT_FALSE(settings.readText("SetupOptions", "AuthorHomePage").empty());
    EXPECT_FALSE(settings.readText("SetupOptions", "AuthorEmail").empty());

    const kw::ProfileFile set(dir / "SCS" / "Default.scs");
    auto store = openInstalled(dir);
    int assigned = 0;
    for (int slot = 1; slot <= 22; ++slot) {
        const std::string name = set.readText("SpeedChannel", std::to_string(slot), "<missing>");
        ASSERT_NE(name, "<missing>") << "slot " << slot;
        if (name.empty()) continue;
        ++assigned;
        EXPECT_EQ(store->countChannelsByName(name), 1) << name;
    }
    EXPECT_GE(assigned, 4);
    EXPECT_TRUE(fs::is_directory(dir / "Skins"));
    EXPECT_TRUE(fs::is_regular_file(dir / "Help" / "help.htm"));
    EXPECT_TRUE(fs::is_regular_file(dir / "Help" / "help.css")) << "the page's stylesheet goes with it";
}

TEST(Installation, RefusesExistingInstallationUnlessForced) {
    TempDir dir;
    kw::createInstallation(dir.path(), kDataDir, false);
    {
        auto store = openInstalled(dir);
        store->insertChannel(
            {"B电视台", "", "", "", "Mine", kw::scrambleText("http://m", "Mine"), "", "", "", ""}, 2, "User");
    }
    kw::ProfileFile(dir / "Kestrelwave.ini").writeText("LastStatus", "LastSkinName", "清新自然");

    EXPECT_ERROR("already holds an installation; use --force to replace it",
                 kw::createInstallation(dir.path(), kDataDir, false));
    EXPECT_EQ(openInstalled(dir)->countChannelsByName("Mine"), 1);

    kw::createInstallation(dir.path(), kDataDir, true);
    EXPECT_EQ(openInstalled(dir)->countChannelsByName("Mine"), 0);
    // Keys the installation does not own stay in the settings file.
    EXPECT_EQ(kw::ProfileFile(dir / "Kestrelwave.ini").readText("LastStatus", "LastSkinName"), "清新自然");
}

TEST(Installation, BrokenCatalogueNamesTheLineAndInstallsNothing) {
    TempDir data;
    TempDir dir;
    fs::create_directories(data / "catalogue");
    kw::test::writeBytes(data / "catalogue" / "channels.tsv",
                         "class0\tclass1\tclass2\tclass3\tname\turl\tlink\tmemo\ttype\tspeed\n"
                         "B电视台\t综合\t\t\tOne\thttp://one\t\t\t\t\n"
                         "B电视台\t综合\t\t\tONE\thttp://two\t\t\t\t\n");
    try {
        kw::createInstallation(dir.path(), data.path(), false);
        FAIL() << "a catalogue with a name taken twice must be refused";
    } catch (const kw::Error& error) {
        EXPECT_NE(std::string(error.what()).find("line 3"), std::string::npos) << error.what();
    }
    EXPECT_FALSE(fs::exists(dir / "Kestrelwave.dll"));
}

TEST(Installation, CatalogueAddressesAreReadWholeUpToTheLimit) {
    TempDir data;
    const auto catalogueWith = [&](const std::string& url) {
        kw::test::writeBytes(data / "channels.tsv",
                             "class0\tclass1\tclass2\tclass3\tname\turl\tlink\tmemo\ttype\tspeed\n"
                             "B电视台\t综合\t\t\tOne\t" +
                                 url + "\t\t\t\t\n");
        return data / "channels.tsv";
    };
    const std::string longest = kw::test::addressOfChars(kw::address::kMaxAddressChars);
    EXPECT_EQ(kw::readCatalogue(catalogueWith(longest)).at(0).url, longest);
    EXPECT_ERROR("line 2: url is longer than 2048 characters",
                 kw::readCatalogue(catalogueWith(longest + "a")));
}

}  // namespace
