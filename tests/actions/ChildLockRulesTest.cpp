#include "actions/ChildLock.h"
#include "actions/ComputerKey.h"

#include "store/ScrambleText.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace kw {
namespace {

namespace fs = std::filesystem;

struct ModeCase {
    int stored;
    std::optional<int> chosenRadio;
    bool asks;
    friend void PrintTo(const ModeCase& c, std::ostream* os) {
        *os << c.stored << " to " << (c.chosenRadio ? std::to_string(*c.chosenRadio) : "none");
    }
};

class LockModeChange : public ::testing::TestWithParam<ModeCase> {};

// The options page selects a radio for the stored mode; OK compares the
// radio chosen then (none selected keeps the stored mode).
TEST_P(LockModeChange, OnlyLooseningAsksForThePassword) {
    const ModeCase& c = GetParam();
    const int chosen = c.chosenRadio.value_or(c.stored);
    EXPECT_EQ(ChildLock::isLoosening(c.stored, chosen), c.asks);
}

INSTANTIATE_TEST_SUITE_P(
    EveryPair, LockModeChange,
    ::testing::Values(ModeCase{0, 0, false}, ModeCase{0, 1, false}, ModeCase{0, 2, true},
                      ModeCase{1, 0, true}, ModeCase{1, 1, false}, ModeCase{1, 2, true},
                      ModeCase{2, 0, false}, ModeCase{2, 1, false}, ModeCase{2, 2, false},
                      // Stored 3 selects no radio: kept without a dialog, or any choice but 2 free.
                      ModeCase{3, std::nullopt, false}, ModeCase{3, 0, false}, ModeCase{3, 1, false},
                      ModeCase{3, 2, true},
                      // Any other stored value shows the third radio: keeping it loosens.
                      ModeCase{7, 2, true}, ModeCase{-1, 2, true}, ModeCase{7, 1, false}));

TEST(ChildLock, RadioForStoredModeIsItsOwnNoneForThreeElseTheThird) {
    EXPECT_EQ(ChildLock::radioForMode(0), 0);
    EXPECT_EQ(ChildLock::radioForMode(1), 1);
    EXPECT_EQ(ChildLock::radioForMode(2), 2);
    EXPECT_EQ(ChildLock::radioForMode(3), std::nullopt);
    EXPECT_EQ(ChildLock::radioForMode(4), 2);
    EXPECT_EQ(ChildLock::radioForMode(-1), 2);
}

class ComputerKeyTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "kw-key-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string write(const std::string& name, const std::string& content) {
        std::ofstream(dir_ / name) << content;
        return (dir_ / name).string();
    }
    fs::path dir_;
};

TEST_F(ComputerKeyTest, SameComputerSameKeyOtherComputerOtherKey) {
    const std::string a = write("a", "0123456789abcdef0123456789abcdef\n");
    const std::string b = write("b", "fedcba9876543210fedcba9876543210\n");
    const std::string_view filesA[] = {a};
    const std::string_view filesB[] = {b};
    const std::string keyA = computerKey(filesA);
    EXPECT_EQ(computerKey(filesA), keyA);
    EXPECT_NE(computerKey(filesB), keyA);
    EXPECT_EQ(keyA.find("0123456789abcdef"), std::string::npos) << "the identity must not be readable";

    const std::string stored = scrambleText("童锁Pw", keyA);
    EXPECT_EQ(unscrambleText(stored, keyA), "童锁Pw");
    EXPECT_NE(unscrambleText(stored, computerKey(filesB)), "童锁Pw");
}

TEST_F(ComputerKeyTest, SkipsMissingEmptyAndUnsettledFilesThenFallsBackToTheHostName) {
    const std::string real = write("real", "0123456789abcdef0123456789abcdef");
    const std::string empty = write("empty", "  \n");
    const std::string unsettled = write("unsettled", "uninitialized\n");
    const std::string missing = (dir_ / "missing").string();
    const std::string_view chain[] = {missing, empty, unsettled, real};
    const std::string_view only[] = {real};
    EXPECT_EQ(computerKey(chain), computerKey(only));

    const std::string_view none[] = {missing, empty};
    const std::string hostKey = computerKey(none);
    EXPECT_FALSE(hostKey.empty());
    EXPECT_NE(hostKey, computerKey(only));
}

}  // namespace
}  // namespace kw
