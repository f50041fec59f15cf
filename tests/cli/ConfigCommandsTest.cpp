#include "store/TextCodec.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace {

struct KwaveRun {
    int status;
    std::string output;  // standard output and standard error
};

class ConfigCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "kw-config-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Arguments are single-quoted for the shell; none of them holds a quote.
    KwaveRun kwave(const fs::path& dir, const std::vector<std::string>& args) const {
        std::string command = std::string(KW_KWAVE_PATH) + " --dir '" + dir.string() + "' config";
        for (const std::string& arg : args) command += " '" + arg + "'";
        FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
        KwaveRun run{-1, {}};
        if (pipe == nullptr) return run;
        char buffer[256];
        while (std::size_t got = std::fread(buffer, 1, sizeof buffer, pipe)) run.output.append(buffer, got);
        const int status = ::pclose(pipe);
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return run;
    }

    fs::path dir_;
};

TEST_F(ConfigCommandsTest, SetThenGetRoundTripsThroughTheSettingsFile) {
    EXPECT_EQ(kwave(dir_, {"set", "LastStatus", "LastSkinName", "蓝色"}).status, 0);
    std::ifstream in(dir_ / "Kestrelwave.ini", std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_EQ(bytes, "[LastStatus]\r\nLastSkinName=" + kw::text::toGbk("蓝色") + "\r\n");

    const KwaveRun found = kwave(dir_, {"get", "laststatus", "LASTSKINNAME", "unused"});
    EXPECT_EQ(found.status, 0);
    EXPECT_EQ(found.output, "蓝色\n");
    EXPECT_EQ(kwave(dir_, {"get", "LastStatus", "SCS", "fallback"}).output, "fallback\n");
    EXPECT_EQ(kwave(dir_, {"get", "LastStatus", "SCS"}).output, "\n");
}

TEST_F(ConfigCommandsTest, RefusedWriteAndBadFormsFailWithTheirMessages) {
    const KwaveRun refused = kwave(dir_ / "missing", {"set", "S", "k", "v"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.output, "Unable to write to " + (dir_ / "missing" / "Kestrelwave.ini").string() + "\n");
    EXPECT_EQ(kwave(dir_, {"set", "S", "k"}).status, 2);
    EXPECT_EQ(kwave(dir_, {"remove", "S", "k"}).status, 2);
    EXPECT_FALSE(fs::exists(dir_ / "Kestrelwave.ini"));
}

}  // namespace
