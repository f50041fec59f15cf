#include "core/base/TextCodec.h"
#include "support/Kwave.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;
using kw::test::KwaveRun;

namespace {

class ConfigCommandsTest : public ::testing::Test {
protected:
    KwaveRun kwave(const fs::path& dir, std::vector<std::string> args) const {
        args.insert(args.begin(), "config");
        return kw::test::runKwave(dir, args);
    }

    kw::test::TempDir temp_;
    const fs::path dir_ = temp_.path();
};

TEST_F(ConfigCommandsTest, SetThenGetRoundTripsThroughTheSettingsFile) {
    EXPECT_EQ(kwave(dir_, {"set", "LastStatus", "LastSkinName", "蓝色"}).status, 0);
    EXPECT_EQ(kw::test::readBytes(dir_ / "Kestrelwave.ini"),
              "[LastStatus]\r\nLastSkinName=" + kw::text::toGbk("蓝色") + "\r\n");

    const KwaveRun found = kwave(dir_, {"get", "laststatus", "LASTSKINNAME", "unused"});
    EXPECT_EQ(found.status, 0);
    EXPECT_EQ(found.out, "蓝色\n");
    EXPECT_EQ(kwave(dir_, {"get", "LastStatus", "SCS", "fallback"}).out, "fallback\n");
    EXPECT_EQ(kwave(dir_, {"get", "LastStatus", "SCS"}).out, "\n");
}

TEST_F(ConfigCommandsTest, RefusedWriteAndBadFormsFailWithTheirMessages) {
    const KwaveRun refused = kwave(dir_ / "missing", {"set", "S", "k", "v"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "Unable to write to " + (dir_ / "missing" / "Kestrelwave.ini").string() + "\n");
    EXPECT_EQ(kwave(dir_, {"set", "S", "k"}).status, 2);
    EXPECT_EQ(kwave(dir_, {"remove", "S", "k"}).status, 2);
    EXPECT_FALSE(fs::exists(dir_ / "Kestrelwave.ini"));
}

}  // namespace
