#include "core/session/Roles.h"
#include "core/session/Session.h"
#include "core/store/ChannelStore.h"
#include "core/store/Compaction.h"
#include "support/FakeDesktop.h"
#include "support/FakeDirectoryServers.h"
#include "support/FakeProbe.h"
#include "support/FakeUi.h"
#include "support/FakeWebFetch.h"
#include "support/SessionProbe.h"
#include "support/StoreFixture.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

namespace kw {
namespace {

namespace fs = std::filesystem;

ino_t inodeOf(const fs::path& file) {
    struct stat info {};
    return ::stat(file.c_str(), &info) == 0 ? info.st_ino : 0;
}

class CompactionTest : public test::StoreFixture {
protected:
    void SetUp() override {
        makeStore();
        for (int i = 0; i < 200; ++i) addChannel("台" + std::to_string(i), "mms://" + std::to_string(i));
        for (int i = 0; i < 100; ++i) store_->deleteChannel("台" + std::to_string(i));
    }

    Session& session() {
        if (!session_) {
            store_.reset();
            session_ = std::make_unique<Session>(programDir_, ui_, desktop_, probe_, web_, servers_,
                                                 YieldHook::Callback{}, Environment::fromProcess(),
                                                 [this](int) { return draw_; });
            session_->open();
        }
        return *session_;
    }

    fs::path database() const { return programDir_ / ChannelStore::kFileName; }
    fs::path temporary() const { return programDir_ / kCompactionFileName; }

    test::FakeUi ui_;
    test::FakeDesktop desktop_;
    test::FakeProbe probe_;
    test::FakeWebFetch web_;
    test::FakeDirectoryServers servers_;
    std::unique_ptr<Session> session_;
    int draw_ = 0;  // the exit's compaction draw
};

TEST_F(CompactionTest, KeepsEveryChannelIncludingThoseStillInTheLogAndRestoresTheConnection) {
    // Written through the open connection just before: still in the -wal file.
    kw::test::SessionProbe::store(session()).setRating("台150", 5);
    const ino_t before = inodeOf(database());
    ASSERT_TRUE(session().database().actPackMDB()) << ui_.messageTexts()[0];
    EXPECT_NE(inodeOf(database()), before);
    EXPECT_TRUE(ui_.messages.empty());
    EXPECT_FALSE(fs::exists(temporary()));
    ASSERT_TRUE(kw::test::SessionProbe::store(session()).isOpen());
    EXPECT_EQ(kw::test::SessionProbe::store(session()).countChannelsInGroup(2), 100);
    EXPECT_EQ(kw::test::SessionProbe::store(session()).readChannelDetails("台150").rating, 5);
}

TEST_F(CompactionTest, ALeftoverTemporaryOfAnInterruptedRunIsRemovedFirst) {
    test::writeBytes(temporary(), "leftover");
    test::writeBytes(fs::path(temporary().string() + "-journal"), "journal");
    ASSERT_TRUE(session().database().actPackMDB()) << ui_.messageTexts()[0];
    EXPECT_FALSE(fs::exists(temporary()));
    EXPECT_FALSE(fs::exists(fs::path(temporary().string() + "-journal")));
    EXPECT_EQ(kw::test::SessionProbe::store(session()).countChannelsInGroup(2), 100);
}

TEST_F(CompactionTest, AnotherConnectionHoldingTheFileRefusesItAndKeepsItsLaterWrites) {
    session();
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(database().c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "select count(*) from ChannelInfo", nullptr, nullptr, nullptr), SQLITE_OK);
    const ino_t before = inodeOf(database());

    EXPECT_FALSE(session().database().actPackMDB());
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_TRUE(ui_.messages[0].text.starts_with(compaction_texts::kInUse)) << ui_.messages[0].text;
    EXPECT_EQ(inodeOf(database()), before);

    EXPECT_EQ(sqlite3_exec(other, "update ChannelInfo set ci_Rating = 4 where ci_Name = '台120'", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(other);
    EXPECT_EQ(kw::test::SessionProbe::store(session()).readChannelDetails("台120").rating, 4);
}

TEST_F(CompactionTest, ADamagedDatabaseIsRefused) {
    store_.reset();
    writeBehindNameIndex("insert into ChannelInfo (ci_Name, ci_GroupID) values ('索引外', 2)");
    EXPECT_FALSE(session().database().actPackMDB());
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_TRUE(ui_.messages[0].text.starts_with(compaction_texts::kDamaged)) << ui_.messages[0].text;
}

TEST_F(CompactionTest, AConnectionClosedBeforeStaysClosed) {
    kw::test::SessionProbe::store(session()).close();
    ASSERT_TRUE(session().database().actPackMDB());
    EXPECT_FALSE(kw::test::SessionProbe::store(session()).isOpen());
}

struct ExitCase {
    int draw;
    bool compacts;
};

class ExitRollTest : public CompactionTest, public ::testing::WithParamInterface<ExitCase> {};

TEST_P(ExitRollTest, CompactsAtExitOnlyOnTheWinningDraw) {
    draw_ = GetParam().draw;
    const ino_t before = inodeOf(database());
    session().exit();
    EXPECT_EQ(inodeOf(database()) != before, GetParam().compacts);
}

INSTANTIATE_TEST_SUITE_P(Draws, ExitRollTest, ::testing::Values(ExitCase{8, true}, ExitCase{7, false}));

// A crash between the copy and its rename leaves the database whole beside a
// finished copy, which start-up removes; a crash of the old delete-then-rename
// order leaves the copy alone, which start-up puts in place.
struct CrashCase {
    const char* what;
    bool databaseStays;
    bool copyStays;
};

class CrashTest : public CompactionTest, public ::testing::WithParamInterface<CrashCase> {};

TEST_P(CrashTest, StartUpOpensAWholeDatabase) {
    store_.reset();
    fs::copy_file(database(), temporary());
    if (!GetParam().databaseStays) fs::remove(database());
    Session session(programDir_, ui_, desktop_, probe_, web_, servers_);
    session.open();
    EXPECT_EQ(kw::test::SessionProbe::store(session).countChannelsInGroup(2), 100);
    EXPECT_EQ(fs::exists(temporary()), GetParam().copyStays);
}

INSTANTIATE_TEST_SUITE_P(States, CrashTest,
                         ::testing::Values(CrashCase{"copy_beside_database", true, false},
                                           CrashCase{"lone_copy", false, false}),
                         [](const auto& param) { return std::string(param.param.what); });

}  // namespace
}  // namespace kw
