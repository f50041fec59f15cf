#include "core/actions/ChannelOpener.h"

#include "core/actions/AdvertisementRoll.h"
#include "core/actions/ChildLock.h"
#include "core/actions/ShellOpen.h"
#include "core/base/Error.h"
#include "core/settings/SettingsFile.h"
#include "core/speed/SlotPlayer.h"
#include "core/speed/SpeedChannels.h"
#include "support/FakeDesktop.h"
#include "support/FakeUi.h"
#include "support/StoreFixture.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kw {
namespace {

// Everything a play touches, with the advertisement shown on every roll so
// that each roll can be counted.
class OpenChannelTest : public test::StoreFixture {
protected:
    void start(int lockMode, std::string_view password = "pw") {
        makeStore(lockMode, password);
        settings_.emplace(programDir_);
        lock_.emplace(*store_, ui_, std::string(kKey));
        lock_->load();
        shell_.emplace(desktop_, ui_, "http://home.example/");
        advertisement_.emplace(ui_, clockSeededRandomSource());
        advertisement_->start(1);
        opener_.emplace(*store_, *settings_, *lock_, *shell_, *advertisement_, ui_);
        player_.emplace(*opener_, slots_);
    }
    bool settingsWritten() const { return std::filesystem::exists(settings_->path()); }
    std::vector<std::string> opened() const {
        std::vector<std::string> targets;
        for (const auto& document : desktop_.documents) targets.push_back(document.target);
        return targets;
    }

    test::FakeUi ui_;
    test::FakeDesktop desktop_;
    SpeedChannels slots_;
    std::optional<SettingsFile> settings_;
    std::optional<ChildLock> lock_;
    std::optional<ShellOpener> shell_;
    std::optional<AdvertisementRoll> advertisement_;
    std::optional<ChannelOpener> opener_;
    std::optional<SlotPlayer> player_;
};

struct LockedPlayCase {
    int mode;
    std::vector<std::optional<std::string>> typed;
    bool asked;
    bool played;
    friend void PrintTo(const LockedPlayCase& c, std::ostream* os) {
        *os << "mode " << c.mode << (c.played ? " plays" : " refused");
    }
};

class LockedPlay : public OpenChannelTest, public ::testing::WithParamInterface<LockedPlayCase> {};

TEST_P(LockedPlay, AsksUnlessModeTwoAndCancelLeavesNoTrace) {
    const LockedPlayCase& c = GetParam();
    start(c.mode);
    addChannel("少儿频道", "mms://kids.example/live", {}, "Windows Media", true);
    ui_.passwordEntries.assign(c.typed.begin(), c.typed.end());

    EXPECT_EQ(opener_->OpenChannel("少儿频道", OpenMode::Play), c.played);

    ASSERT_EQ(ui_.passwordShowings.size(), c.asked ? 1u : 0u);
    if (c.asked) {
        EXPECT_EQ(ui_.passwordShowings[0].purpose, PasswordPurpose::UnlockOrPlay);
    }
    if (c.played) {
        ASSERT_EQ(desktop_.documents.size(), 1u);
        EXPECT_EQ(desktop_.documents[0].target, "mms://kids.example/live");
        EXPECT_EQ(desktop_.documents[0].format, "Windows Media");
        EXPECT_EQ(settings_->lastPlayChannelName(), "少儿频道");
        EXPECT_EQ(opener_->playingHint(), "正在播放: 少儿频道");
        EXPECT_EQ(ui_.advertisements, 1);
    } else {
        EXPECT_TRUE(desktop_.documents.empty());
        EXPECT_FALSE(settingsWritten());
        EXPECT_EQ(opener_->playingHint(), "正在播放: [空]");
        EXPECT_EQ(ui_.advertisements, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, LockedPlay,
                         ::testing::Values(LockedPlayCase{2, {}, false, true},
                                           LockedPlayCase{0, {"pw"}, true, true},
                                           LockedPlayCase{1, {" pw "}, true, true},
                                           LockedPlayCase{3, {"pw"}, true, true},
                                           LockedPlayCase{0, {std::nullopt}, true, false},
                                           LockedPlayCase{1, {"PW", "wrong", std::nullopt}, true, false}));

TEST_F(OpenChannelTest, UnscramblesUnderTheStoredNameWhateverTheCaseAskedFor) {
    start(0);
    addChannel("CCTV-1综合", "http://tv.example/cctv1/index.m3u8", {}, " HLS ");
    EXPECT_TRUE(opener_->OpenChannel("cctv-1综合", OpenMode::Play));
    ASSERT_EQ(desktop_.documents.size(), 1u);
    EXPECT_EQ(desktop_.documents[0].target, "http://tv.example/cctv1/index.m3u8");
    EXPECT_EQ(desktop_.documents[0].format, "HLS");
    EXPECT_EQ(settings_->lastPlayChannelName(), "CCTV-1综合");
    EXPECT_EQ(opener_->playingHint(), "正在播放: CCTV-1综合");
    EXPECT_TRUE(ui_.passwordShowings.empty());
}

TEST_F(OpenChannelTest, UnknownNameOpensNothingButCountsAsPlayed) {
    start(0);
    EXPECT_TRUE(opener_->OpenChannel("不存在", OpenMode::Play));
    EXPECT_TRUE(desktop_.documents.empty());
    EXPECT_TRUE(ui_.messages.empty());
    EXPECT_TRUE(settingsWritten());
    EXPECT_EQ(settings_->lastPlayChannelName(), "");
    EXPECT_EQ(opener_->playingHint(), "正在播放: ");
    EXPECT_EQ(ui_.advertisements, 1);
}

TEST_F(OpenChannelTest, EmptyStoredAddressIsAFailedPlayThatRecordsNothing) {
    start(0);
    addChannel("坏台", "http://x.example/a.mp3");
    execSql("update ChannelInfo set ci_URL=NULL where ci_Name='坏台'");
    EXPECT_TRUE(opener_->OpenChannel("坏台", OpenMode::Play));
    EXPECT_TRUE(desktop_.documents.empty());
    EXPECT_EQ(ui_.messageTexts(),
              std::vector<std::string>{std::string(ShellOpener::kPlayError) + "http://home.example/"});
    EXPECT_EQ(shell_->failures(), 1u);
    EXPECT_FALSE(settingsWritten());
    EXPECT_EQ(opener_->playingHint(), "正在播放: [空]");
}

TEST_F(OpenChannelTest, PreviewRecordsNothingAndANameWithALineBreakPlaysWithoutBeingRecorded) {
    start(0);
    addChannel("预览台", "rtsp://a.example/");
    execSql(
        "insert into ChannelInfo (ci_Class0,ci_Name,ci_URL,ci_GroupID) values ('B', 'A' || char(13,10) || "
        "'B', "
        "x'00', 1)");
    opener_->setPreview(true);
    EXPECT_TRUE(opener_->OpenChannel("预览台", OpenMode::Play));
    EXPECT_FALSE(settingsWritten());
    opener_->setPreview(false);
    settings_->setLastPlayChannelName("预览台");
    EXPECT_TRUE(opener_->OpenChannel("A\r\nB", OpenMode::Play));
    EXPECT_EQ(desktop_.documents.size(), 2u);
    EXPECT_EQ(settings_->lastPlayChannelName(), "预览台");
    EXPECT_EQ(opener_->playingHint(), "正在播放: A\r\nB");
}

class UnwritableSettings : public OpenChannelTest, public ::testing::WithParamInterface<bool> {};

TEST_P(UnwritableSettings, StopAPlayUnlessTheCatalogueIsReadOnlyToo) {
    const bool readOnly = GetParam();
    start(0);
    addChannel("台", "rtsp://a.example/");
    store_.reset();
    store_ = ChannelStore::open(programDir_ / ChannelStore::kFileName,
                                readOnly ? ChannelStore::Access::ReadOnly : ChannelStore::Access::Detect);
    opener_.emplace(*store_, *settings_, *lock_, *shell_, *advertisement_, ui_);
    std::filesystem::create_directory(settings_->path());  // no file can be written there
    if (readOnly) {
        EXPECT_TRUE(opener_->OpenChannel("台", OpenMode::Play));
        EXPECT_EQ(opener_->playingHint(), "正在播放: 台");
    } else {
        EXPECT_THROW(opener_->OpenChannel("台", OpenMode::Play), Error);
    }
    EXPECT_EQ(opened(), std::vector<std::string>{"rtsp://a.example/"});
}

INSTANTIATE_TEST_SUITE_P(Catalogues, UnwritableSettings, ::testing::Bool());

TEST_F(OpenChannelTest, RelatedSiteOpensTheLinkAsAWebPageWithoutThePassword) {
    start(0);
    addChannel("锁定台", "mms://x/", "http://tv.example/schedule", "Windows Media", true);
    addChannel("无网站", "mms://y/");
    EXPECT_FALSE(opener_->OpenChannel("锁定台", OpenMode::RelatedSite));
    EXPECT_FALSE(opener_->OpenChannel("无网站", OpenMode::RelatedSite));

    EXPECT_TRUE(ui_.passwordShowings.empty());
    ASSERT_EQ(desktop_.documents.size(), 1u);
    EXPECT_EQ(desktop_.documents[0].target, "http://tv.example/schedule");
    EXPECT_EQ(desktop_.documents[0].format, kWebPageFormat);
    EXPECT_EQ(ui_.messageTexts(), std::vector<std::string>{std::string(ChannelOpener::kNoRelatedSite)});
    EXPECT_EQ(ui_.advertisements, 2);
    EXPECT_FALSE(settingsWritten());
}

TEST_F(OpenChannelTest, OnlyThePlayCommandMarksASlotAndARefusedPasswordReleasesIt) {
    start(0);
    addChannel("新闻", "rtsp://news.example/");
    addChannel("锁", "rtsp://locked.example/", {}, {}, true);
    slots_.setName(3, "新闻");
    slots_.setName(7, "新闻");
    slots_.setName(8, "锁");

    player_->SpeedChannelClick(7);
    EXPECT_EQ(slots_.pressedSlot(), 7) << "a slot play keeps its own slot pressed";
    EXPECT_TRUE(player_->actPlayChannelExecute("新闻"));
    EXPECT_EQ(slots_.pressedSlot(), 3) << "the Play command presses the first slot holding it";

    ui_.passwordEntries = {std::nullopt};
    player_->SpeedChannelClick(8);
    EXPECT_EQ(slots_.pressedSlot(), 0);
    EXPECT_EQ(opened(), (std::vector<std::string>{"rtsp://news.example/", "rtsp://news.example/"}));
}

TEST_F(OpenChannelTest, AutoPlayRunsOnlyWhenSetAndHonoursTheLock) {
    start(1);
    addChannel("锁", "rtsp://locked.example/", {}, {}, true);
    settings_->setLastPlayChannelName("锁");
    opener_->autoPlayLastChannel();
    EXPECT_TRUE(ui_.passwordShowings.empty());

    settings_->setAutoPlayLastChannel(true);
    ui_.passwordEntries = {"pw"};
    opener_->autoPlayLastChannel();
    EXPECT_EQ(ui_.passwordShowings.size(), 1u);
    EXPECT_EQ(opened(), std::vector<std::string>{"rtsp://locked.example/"});
}

}  // namespace
}  // namespace kw
