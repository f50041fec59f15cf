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

namespace {

struct HelpCase {
    std::vector<std::string> args;
    std::string start;  // what the answer begins with
};

class KwaveHelpTest : public ::testing::TestWithParam<HelpCase> {};

TEST_P(KwaveHelpTest, AnswersAndExitsWithoutTouchingTheProgramDirectory) {
    kw::test::TempDir temp;
    const fs::path dir = temp.path() / "programs";
    const KwaveRun run = kw::test::runKwave(dir, GetParam().args);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(run.out.starts_with(GetParam().start)) << run.out;
    EXPECT_FALSE(fs::exists(dir)) << "nothing made or opened";
}

INSTANTIATE_TEST_SUITE_P(Forms, KwaveHelpTest,
                         ::testing::Values(HelpCase{{"--help"}, "usage: kwave [--dir DIR] COMMAND [ARGS]\n"},
                                           HelpCase{{"--version"}, "kwave 1."},
                                           HelpCase{{"import-playlist", "--help"},
                                                    "usage: kwave [--dir DIR] import-playlist FILE"},
                                           HelpCase{{"init", "somewhere", "--help"},
                                                    "usage: kwave [--dir DIR] init DIR"}));

}  // namespace
