#include "core/base/Error.h"
#include "core/base/ProfileFile.h"
#include "core/browser/BrowserTexts.h"
#include "core/browser/ChannelBrowser.h"
#include "core/session/Installation.h"
#include "core/session/Roles.h"
#include "core/session/Session.h"
#include "core/speed/SpeedChannels.h"
#include "core/store/ChannelStore.h"
#include "support/FakeDesktop.h"
#include "support/FakeDirectoryServers.h"
#include "support/FakeProbe.h"
#include "support/FakeUi.h"
#include "support/FakeWebFetch.h"
#include "support/SessionProbe.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

class SessionTest : public ::testing::Test {
protected:
    SessionTest() { kw::createInstallation(dir_.path(), KW_DATA_DIR, false); }

    std::unique_ptr<kw::Session> startSession(kw::StartupHooks hooks = {}) {
        auto session = std::make_unique<kw::Session>(dir_.path(), ui_, desktop_, probe_, web_, servers_);
        started_ = session->start(hooks);
        return session;
    }

    kw::ProfileFile settings() const { return kw::ProfileFile(dir_ / "Kestrelwave.ini"); }

    kw::test::TempDir dir_;
    kw::test::FakeUi ui_;
    kw::test::FakeDesktop desktop_;
    kw::test::FakeProbe probe_;
    kw::test::FakeWebFetch web_;
    kw::test::FakeDirectoryServers servers_;
    bool started_ = false;
};

TEST_F(SessionTest, FirstStartBuildsTreeInModeZeroWithFavouritesSelectedAndPlaysNothing) {
    std::vector<std::string> order;
    auto session = startSession({[&](bool hide) { order.push_back(hide ? "hide" : "stay"); },
                                 [&](const std::string& skin) { order.push_back("skin " + skin); },
                                 [&] { order.push_back("news"); }});
    ASSERT_TRUE(started_);
    EXPECT_EQ(order, (std::vector<std::string>{"stay", "skin 浪漫情怀", "news"}));

    const kw::WindowState state = session->windowState();
    EXPECT_EQ(state.displayMode, 0);
    EXPECT_EQ(state.ratingFilter, 0);
    EXPECT_EQ(session->query().selectedText(), kw::texts::kFavouritesRoot);
    EXPECT_EQ(state.speedSlots[0].name, "CCTV-1综合");
    EXPECT_TRUE(desktop_.documents.empty());
    EXPECT_TRUE(ui_.errors.empty());
}

TEST_F(SessionTest, ExitKeepsListPositionsAndCacheWhichTheNextStartLoads) {
    {
        auto session = startSession();
        session->view().cbClassDisplayChannelChange(5);
        session->exit();
    }
    const kw::ProfileFile written = settings();
    EXPECT_EQ(written.readInteger("LastStatus", "cbClassDisplayChannel.ItemIndex", -1), 5);
    EXPECT_EQ(written.readInteger("LastStatus", "cbFilterChannel.ItemIndex", -1), 0);
    EXPECT_TRUE(fs::exists(dir_ / "ChannelTree.tre"));
    // Unchanged speed channels are not written and the recorded set stays.
    EXPECT_FALSE(fs::exists(dir_ / "SCS" / "Temp.scs"));
    EXPECT_EQ(written.readText("LastStatus", "SCS", "<none>"), "<none>");

    // A channel deleted behind the program's back still shows: the tree came
    // from the cache, not from the database.
    kw::ChannelStore::open(dir_ / "Kestrelwave.dll")->deleteChannel("CCTV-1综合");
    auto second = startSession();
    ASSERT_TRUE(started_);
    EXPECT_EQ(second->windowState().displayMode, 5);
    EXPECT_TRUE(second->view().FindNextChannel("CCTV-1综合"));
}

TEST_F(SessionTest, ChangedSpeedChannelsGoToTheScratchSetWhichTheNextStartLoads) {
    {
        auto session = startSession();
        session->query().select(session->query().findChannelLeaf("CGTN"));
        ASSERT_TRUE(session->commands().muSpeedChannelClick(22));
        session->exit();
    }
    EXPECT_TRUE(fs::exists(dir_ / "SCS" / "Temp.scs"));
    EXPECT_EQ(fs::path(settings().readText("LastStatus", "SCS")), dir_ / "SCS" / "Temp.scs");
    auto second = startSession();
    EXPECT_EQ(second->windowState().speedSlots[21].name, "CGTN");
}

TEST_F(SessionTest, AutoPlayPlaysTheLastChannelAtStart) {
    auto writer = settings();
    writer.writeBool("SetupOptions", "IsAutoPlayLastChannel", true);
    writer.writeText("LastStatus", "LastPlayChannelName", "CCTV-4中文国际");
    startSession();
    ASSERT_EQ(desktop_.documents.size(), 1u);
    EXPECT_EQ(desktop_.documents[0].target.rfind("http", 0), 0u);
}

TEST_F(SessionTest, SkinThatFailsIsReportedAndTheTreeIsStillBuilt) {
    auto session = startSession({{}, [](const std::string&) { throw kw::Error("no picture"); }, {}});
    EXPECT_TRUE(started_);
    EXPECT_EQ(ui_.errors, std::vector<std::string>{"no picture"});
    EXPECT_EQ(session->query().selectedText(), kw::texts::kFavouritesRoot);
}

TEST_F(SessionTest, MissingDatabaseIsShownAndExitStillWorks) {
    fs::remove(dir_ / "Kestrelwave.dll");
    bool newsShown = false;
    auto session = startSession({{}, {}, [&] { newsShown = true; }});
    EXPECT_FALSE(started_);
    EXPECT_FALSE(session->isOpen());
    EXPECT_FALSE(newsShown);
    ASSERT_EQ(ui_.errors.size(), 1u);
    EXPECT_NE(ui_.errors[0].find("unable to open database file"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir_ / "Kestrelwave.dll"));
    // The window's commands do nothing without a database, and say nothing.
    EXPECT_FALSE(session->commands().actPlayChannelExecute());
    session->view().muFullExpandClick();
    EXPECT_FALSE(session->exchange().actUserBatchAddChannel());
    EXPECT_FALSE(session->database().actPackMDB());
    EXPECT_EQ(ui_.errors.size(), 1u);
    EXPECT_TRUE(ui_.messages.empty());
    EXPECT_NO_THROW(session->exit());
}

TEST(CheckSummary, CountsEachStatusOnceInTheWordsOfTheChannelTest) {
    std::vector<kw::ChannelCheck> checks(4);
    for (std::size_t i = 0; i < checks.size(); ++i) checks[i].result.status = std::array{2, 0, 0, 1}[i];
    EXPECT_EQ(kw::summarizeChecks(checks).text(), "4 个频道: 1 [流畅], 1 [可达], 2 [未知]");
    EXPECT_EQ(kw::summarizeChecks({}).text(), "0 个频道: 0 [流畅], 0 [可达], 0 [未知]");
    EXPECT_EQ(checks[1].statusWord(), "[未知]");
}

}  // namespace
