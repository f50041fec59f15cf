#include "core/store/ChannelStore.h"
#include "core/store/DatabaseLocks.h"
#include "support/DatabaseQuery.h"
#include "support/Kwave.h"
#include "support/StoreFixture.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace kw {
namespace {

class LostLocksTest : public test::StoreFixture {
protected:
    std::filesystem::path database() const { return programDir_ / ChannelStore::kFileName; }

    // What a file dialog that reads each file to show its type does.
    void openAndCloseDatabaseFiles() {
        for (const char* suffix : {"", "-shm"}) {
            const int fd = ::open((database().string() + suffix).c_str(), O_RDONLY | O_CLOEXEC);
            ASSERT_GE(fd, 0);
            ::close(fd);
        }
    }
};

TEST_F(LostLocksTest, WritesOfBothProgramsSurviveLocksDroppedInsideTheProcess) {
    makeStore();
    addChannel("一台", "mms://1/");
    ASSERT_TRUE(holdsDatabaseLocks(database()));
    openAndCloseDatabaseFiles();
    ASSERT_FALSE(holdsDatabaseLocks(database()));

    // kwave closes its connection believing it is the last user of the log,
    // and deletes it; a write into the deleted log would later be folded
    // back over what the next kwave wrote.
    const test::KwaveRun add =
        test::runKwave(programDir_, {"add", "--class0", "B电视台", "--name", "二台", "--url", "mms://2/"});
    ASSERT_EQ(add.status, 0) << add.err;
    addChannel("三台", "mms://3/");
    EXPECT_TRUE(holdsDatabaseLocks(database()));
    const test::KwaveRun addAgain =
        test::runKwave(programDir_, {"add", "--class0", "B电视台", "--name", "四台", "--url", "mms://4/"});
    ASSERT_EQ(addAgain.status, 0) << addAgain.err;
    store_.reset();

    EXPECT_EQ(test::queryText(database(),
                              "select group_concat(ci_Name, ',') from ChannelInfo where ci_GroupID = 2"),
              "一台,二台,三台,四台");
    EXPECT_EQ(test::queryText(database(), "pragma integrity_check"), "ok");
}

TEST_F(LostLocksTest, RetakesLocksOnlyWhenTheyAreGone) {
    ChannelStore& store = makeStore();
    addChannel("一台", "mms://1/");
    EXPECT_FALSE(store.retakeLostLocks());
    openAndCloseDatabaseFiles();
    EXPECT_TRUE(store.retakeLostLocks());
    EXPECT_TRUE(holdsDatabaseLocks(database()));
    EXPECT_EQ(store.countChannelsByName("一台"), 1);
}

}  // namespace
}  // namespace kw
