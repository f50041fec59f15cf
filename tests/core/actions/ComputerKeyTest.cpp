#include "core/actions/ComputerKey.h"

#include "core/base/ScrambleText.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

namespace kw {
namespace {

TEST(ComputerKey, StableHiddenAndDifferentPerComputerFallingBackToTheHostName) {
    const test::TempDir dir;
    const auto write = [&](const std::string& name, const std::string& content) {
        test::writeBytes(dir / name, content);
        return (dir / name).string();
    };
    const std::string a = write("a", "0123456789abcdef0123456789abcdef\n");
    const std::string b = write("b", "fedcba9876543210fedcba9876543210\n");
    const std::string empty = write("empty", "  \n");
    const std::string unsettled = write("unsettled", "uninitialized\n");
    const std::string missing = (dir / "missing").string();

    const std::string_view onlyA[] = {a};
    const std::string_view onlyB[] = {b};
    const std::string_view chain[] = {missing, empty, unsettled, a};
    const std::string_view none[] = {missing, empty};
    const std::string keyA = computerKey(onlyA);
    EXPECT_EQ(computerKey(chain), keyA);
    EXPECT_EQ(keyA.find("0123456789abcdef"), std::string::npos) << "the identity must not be readable";
    EXPECT_NE(computerKey(onlyB), keyA);
    EXPECT_FALSE(computerKey(none).empty());
    EXPECT_NE(computerKey(none), keyA);
    EXPECT_EQ(computerKeyFor(machineIdentity(onlyA)), keyA);
    EXPECT_EQ(computerKeyFor(""), "");

    const std::string stored = scrambleText("童锁Pw", keyA);
    EXPECT_EQ(unscrambleText(stored, keyA), "童锁Pw");
    EXPECT_NE(unscrambleText(stored, computerKey(onlyB)), "童锁Pw");
}

}  // namespace
}  // namespace kw
