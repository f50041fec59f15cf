#include "support/DatabaseQuery.h"
#include "support/StoreFixture.h"

#include <gtest/gtest.h>

namespace kw {
namespace {

class ChannelStatusTest : public test::StoreFixture {
protected:
    void SetUp() override {
        makeStore();
        addChannel("乐台", "http://a/live.mp3");
    }

    void record(std::string name, int status, std::int64_t at) {
        store_->recordChecks(
            {{std::move(name), status, status > 0 ? "smooth" : "connection-refused", at, 12, 128}});
    }

    // Edits the channel as the form does: by id, with the name and address given.
    void edit(std::string_view from, std::string_view name, std::string_view address) {
        ChannelStore::EditableChannel channel = store_->readChannelForEdit(from);
        channel.record.name = name;
        channel.record.scrambledUrl = scrambleText(address, name);
        store_->updateChannelById(channel.id, channel.record);
    }
};

TEST_F(ChannelStatusTest, KeepsTheLastCheckWithTheFailuresInARowAndWhenLastGood) {
    EXPECT_FALSE(store_->readCheck("乐台"));
    record("乐台", 2, 100);
    record("乐台", 0, 200);
    record("乐台", 0, 300);
    const std::optional<StoredCheck> check = store_->readCheck("乐台");
    ASSERT_TRUE(check);
    EXPECT_EQ(check->status, 0);
    EXPECT_EQ(check->reasonCode, "connection-refused");
    EXPECT_EQ(check->checkedAt, 300);
    EXPECT_EQ(check->failures, 2);
    EXPECT_EQ(check->lastGood, 100);
    EXPECT_EQ(check->failingSince, 200) << "the first failure of the run";
    record("乐台", 1, 400);
    EXPECT_EQ(store_->readCheck("乐台")->failures, 0);
    EXPECT_EQ(store_->readCheck("乐台")->lastGood, 400);
    EXPECT_EQ(store_->readCheck("乐台")->failingSince, 0);
}

TEST_F(ChannelStatusTest, FollowsItsChannelThroughRenameAndDeleteAndIsClearedByANewAddress) {
    addChannel("新闻台", "http://b/news.mp3");
    record("乐台", 2, 100);
    record("新闻台", 0, 100);

    edit("乐台", "好乐台", "http://a/live.mp3");  // renamed: the address is the same
    EXPECT_FALSE(store_->readCheck("乐台"));
    ASSERT_TRUE(store_->readCheck("好乐台"));
    EXPECT_EQ(store_->readCheck("好乐台")->status, 2);

    edit("好乐台", "好乐台", "http://a/other.mp3");
    EXPECT_FALSE(store_->readCheck("好乐台")) << "the result was about the old address";

    ChannelRecord batch = store_->readChannelForEdit("新闻台").record;
    batch.scrambledUrl = scrambleText("http://b/news.mp3", batch.name);
    store_->updateChannelByName(batch, "User");
    EXPECT_TRUE(store_->readCheck("新闻台")) << "the same address keeps it";
    store_->deleteChannel("新闻台");
    EXPECT_FALSE(store_->readCheck("新闻台"));
    record("新闻台", 0, 600);  // a probe that ends after the channel went
    EXPECT_FALSE(store_->readCheck("新闻台"));
    // Found by name as every statement finds channels: letter case aside.
    addChannel("Radio One", "http://c/one.mp3");
    record("RADIO ONE", 2, 500);
    EXPECT_TRUE(store_->readCheck("radio one"));
}

TEST_F(ChannelStatusTest, AnOlderFileIsUpgradedWhenOpened) {
    struct Case {
        const char* from;
        const char* downgrade;
        int failuresAfterAFailure;
        std::int64_t failingSince;
    };
    const Case cases[] = {
        {"version 1, no table",
         "drop trigger ChannelStatus_Delete; drop trigger ChannelStatus_Rename; drop table ChannelStatus; "
         "drop trigger ChannelSource_Delete; drop trigger ChannelSource_Rename; drop table ChannelSource; "
         "drop table Subscription; pragma user_version=1",
         1, 200},
        {"version 2, a failing row without the time it began",
         "drop index ChannelStatus_CheckedAt; drop index ChannelStatus_Failures; "
         "alter table ChannelStatus drop column cs_FailingSince; drop trigger ChannelSource_Delete; "
         "drop trigger ChannelSource_Rename; drop table ChannelSource; drop table Subscription; "
         "pragma user_version=2",
         2, 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.from);
        store_->deleteChannel("乐台");
        addChannel("乐台", "http://a/live.mp3");
        record("乐台", 0, 100);
        store_.reset();
        execSql(c.downgrade);
        store_ = ChannelStore::open(programDir_ / ChannelStore::kFileName);
        record("乐台", 0, 200);
        EXPECT_EQ(store_->readCheck("乐台")->failures, c.failuresAfterAFailure);
        EXPECT_EQ(store_->readCheck("乐台")->failingSince, c.failingSince);
        store_->recordOrigin("乐台", {"list.m3u", "乐台", "", 0});
        EXPECT_TRUE(store_->readOrigin("乐台")) << "the sources' table stands beside";
        store_.reset();
        EXPECT_EQ(test::queryText(programDir_ / ChannelStore::kFileName, "pragma user_version"), "3");
        store_ = ChannelStore::open(programDir_ / ChannelStore::kFileName);
    }
}

TEST_F(ChannelStatusTest, WhereAChannelCameFromFollowsItThroughRenameAndDelete) {
    const ChannelOrigin origin{"http://lists.example/tv.m3u", "cctv1.cn", "CCTV-1", 0};
    store_->recordOrigin("乐台", origin);
    store_->recordOrigin("无此台", origin);
    EXPECT_FALSE(store_->readOrigin("无此台")) << "only channels have an origin";
    edit("乐台", "好乐台", "http://a/other.mp3");
    EXPECT_FALSE(store_->readOrigin("乐台"));
    EXPECT_EQ(store_->readOrigin("好乐台"), origin) << "an edit of the address keeps the origin";
    store_->deleteChannel("好乐台");
    EXPECT_FALSE(store_->readOrigin("好乐台"));
}

}  // namespace
}  // namespace kw
