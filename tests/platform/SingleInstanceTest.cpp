#include "platform/SingleInstance.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cstdlib>
#include <filesystem>

namespace {

using kw::SingleInstance;

// Points XDG_RUNTIME_DIR at a fresh private folder for the test's duration.
class SingleInstanceTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  ("kw-lock-" + std::to_string(::getpid()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder_);
        std::filesystem::permissions(folder_, std::filesystem::perms::owner_all);
        if (const char* old = std::getenv("XDG_RUNTIME_DIR")) saved_ = old;
        ::setenv("XDG_RUNTIME_DIR", folder_.c_str(), 1);
    }
    void TearDown() override {
        if (saved_.empty())
            ::unsetenv("XDG_RUNTIME_DIR");
        else
            ::setenv("XDG_RUNTIME_DIR", saved_.c_str(), 1);
        std::filesystem::remove_all(folder_);
    }
    std::filesystem::path folder_;
    std::string saved_;
};

TEST_F(SingleInstanceTest, SecondHolderIsRefusedUntilTheFirstLetsGo) {
    {
        SingleInstance first("Kestrelwave_Fernhollow");
        ASSERT_EQ(first.state(), SingleInstance::State::Acquired);
        EXPECT_EQ(first.file().parent_path(), folder_);
        SingleInstance second("Kestrelwave_Fernhollow");
        EXPECT_EQ(second.state(), SingleInstance::State::HeldElsewhere);
        SingleInstance other("AnotherName");
        EXPECT_EQ(other.state(), SingleInstance::State::Acquired);
    }
    SingleInstance again("Kestrelwave_Fernhollow");
    EXPECT_EQ(again.state(), SingleInstance::State::Acquired);
}

TEST_F(SingleInstanceTest, LockOfAProcessThatDiedIsFree) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        SingleInstance held("Kestrelwave_Fernhollow");
        const char state = held.state() == SingleInstance::State::Acquired ? 'A' : 'X';
        (void)!::write(ready[1], &state, 1);
        ::pause();  // killed below while holding the lock
        ::_exit(0);
    }
    char state = 0;
    ASSERT_EQ(::read(ready[0], &state, 1), 1);
    ASSERT_EQ(state, 'A');
    EXPECT_EQ(SingleInstance("Kestrelwave_Fernhollow").state(), SingleInstance::State::HeldElsewhere);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_EQ(SingleInstance("Kestrelwave_Fernhollow").state(), SingleInstance::State::Acquired);
    ::close(ready[0]);
    ::close(ready[1]);
}

TEST_F(SingleInstanceTest, RuntimeFolderOpenToOthersIsNotUsed) {
    std::filesystem::permissions(folder_, std::filesystem::perms::all);
    EXPECT_NE(SingleInstance::lockFolder(), folder_);
}

}  // namespace
