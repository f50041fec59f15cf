#include "core/base/Error.h"
#include "core/store/ChannelStore.h"
#include "core/store/Compaction.h"
#include "core/store/DatabaseRepair.h"
#include "support/StoreFixture.h"

#include <gtest/gtest.h>

namespace kw {
namespace {

namespace fs = std::filesystem;

class DatabaseRepairTest : public test::StoreFixture {
protected:
    void SetUp() override {
        makeStore();
        for (int i = 0; i < 50; ++i) addChannel("台" + std::to_string(i), "mms://" + std::to_string(i));
        store_.reset();
    }
    fs::path database() const { return programDir_ / ChannelStore::kFileName; }
    std::int64_t userChannels() { return ChannelStore::open(database())->countChannelsInGroup(2); }
};

TEST_F(DatabaseRepairTest, RowsMissingFromTheIndexAreMendedByReindexing) {
    EXPECT_TRUE(checkDatabaseFile(database()).sound);
    writeBehindNameIndex("insert into ChannelInfo (ci_Name, ci_GroupID) values ('索引外', 2)");
    const DatabaseCheck check = checkDatabaseFile(database());
    ASSERT_FALSE(check.sound);
    EXPECT_TRUE(check.readable);
    EXPECT_NE(check.problems.at(0).find("missing from index ChannelInfo_Name"), std::string::npos);

    const DatabaseRepair repair = repairDatabaseFile(database());
    EXPECT_TRUE(repair.reindexed);
    EXPECT_TRUE(checkDatabaseFile(database()).sound);
    EXPECT_EQ(userChannels(), 51);
    EXPECT_EQ(repair.damagedCopy, fs::path(database().string() + ".damaged"));
    EXPECT_FALSE(checkDatabaseFile(repair.damagedCopy).sound);
}

TEST_F(DatabaseRepairTest, DamageReindexingCannotMendIsRepairedByCopyingTheRows) {
    ChannelStore::open(database())->recordOrigin("台3", {"list.m3u", "three", "", 0});
    // A second row under a taken name: the unique index cannot be rebuilt.
    writeBehindNameIndex("insert into ChannelInfo (ci_Name, ci_GroupID) values ('台7', 2)");
    test::writeBytes(fs::path(database().string() + ".damaged"), "an earlier copy");
    const DatabaseRepair repair = repairDatabaseFile(database());
    EXPECT_FALSE(repair.reindexed);
    EXPECT_EQ(repair.rowsCopied, 52);  // the settings row, 50 channels and the second 台7
    EXPECT_TRUE(checkDatabaseFile(database()).sound);
    EXPECT_EQ(userChannels(), 50);
    EXPECT_EQ(ChannelStore::open(database())->readOrigin("台3"), (ChannelOrigin{"list.m3u", "three", "", 0}))
        << "where a channel came from is carried";
    EXPECT_EQ(repair.damagedCopy, fs::path(database().string() + ".damaged2"));
    EXPECT_EQ(test::readBytes(fs::path(database().string() + ".damaged")), "an earlier copy");
}

TEST_F(DatabaseRepairTest, AFileThatIsNoDatabaseIsUnreadableAndARepairBesideAnOpenConnectionIsRefused) {
    test::writeBytes(programDir_ / "text.dll", "not a database at all, just some text in a file");
    const DatabaseCheck text = checkDatabaseFile(programDir_ / "text.dll");
    EXPECT_FALSE(text.sound);
    EXPECT_FALSE(text.readable);

    const std::unique_ptr<ChannelStore> open = ChannelStore::open(database());
    EXPECT_THROW(
        {
            try {
                repairDatabaseFile(database());
            } catch (const Error& error) {
                EXPECT_TRUE(std::string(error.what()).starts_with(compaction_texts::kInUse)) << error.what();
                throw;
            }
        },
        Error);
}

}  // namespace
}  // namespace kw
