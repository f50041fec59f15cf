#include "core/browser/NodeDetails.h"

#include "core/store/ChannelStore.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>

using namespace kw;

namespace {

ChannelDetails channel(int groupId, std::string speed, std::string type, std::string memo, int favorited = 0,
                       int locked = 0, int rating = 3, std::string vol = "2026.12") {
    ChannelDetails row;
    row.groupId = groupId;
    row.speed = std::move(speed);
    row.type = std::move(type);
    row.memo = std::move(memo);
    row.favorited = favorited;
    row.locked = locked;
    row.rating = rating;
    row.vol = std::move(vol);
    return row;
}

struct MemoCase {
    const char* name;
    ChannelDetails row;
    std::string memo;
};

class ChannelMemoTest : public testing::TestWithParam<MemoCase> {};

}  // namespace

TEST_P(ChannelMemoTest, ComposesSpeedTypeDescriptionGroupAndLock) {
    EXPECT_EQ(channelDetails(GetParam().row, initialNodeDetails()).memo, GetParam().memo);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ChannelMemoTest,
    testing::Values(MemoCase{"UserChannelWithEverything",
                             channel(2, "300", "Windows Media", "[直播][全天][新闻]", 0, 0, 3, "User"),
                             "[300KBit/S][Windows Media] \r\n[直播][全天][新闻] [USR] [未锁]"},
                    MemoCase{"SystemChannelWithoutSpeedOrType", channel(1, " ", "", " 简介 ", 0, 1),
                             "简介 [SYS 2026.12] [已锁]"},
                    MemoCase{"TrimmedSpeedAndType", channel(2, " 56\t", " Real Media ", "x"),
                             "[56KBit/S][Real Media] \r\nx [USR] [未锁]"},
                    MemoCase{"OtherLockValueHasNoWord", channel(2, "", "", "x", 0, 7), "x [USR] []"},
                    MemoCase{"MissingRow", ChannelDetails{}, " [USR] [未锁]"}),
    [](const testing::TestParamInfo<MemoCase>& param) { return std::string(param.param.name); });

TEST(NodeDetails, ACategoryShowsWhereTheUserIsAndDisablesTheChannelCommands) {
    const NodeDetails details = categoryDetails(" B电视台 ", initialNodeDetails());
    EXPECT_FALSE(details.isChannel);
    EXPECT_EQ(details.memo, "当前位于:  B电视台\r[ 请选择具体的频道 ]");
    EXPECT_EQ(details.info, "单击+号或双击文字展开以便选台");
    EXPECT_TRUE(details.rateGreyed);
    const ChannelCommandStates& on = details.enabled;
    for (bool state : {on.playChannel, on.testChannel, on.linkChannel, on.deleteChannel, on.editChannel,
                       on.addTimerSwitchChannel, on.favoritesChannel, on.lockChannel, on.setSpeedChannel,
                       on.rate, on.rateChannel}) {
        EXPECT_FALSE(state);
    }
}

TEST(NodeDetails, AChannelEnablesItsCommandsAndShowsItsRating) {
    const NodeDetails details = channelDetails(channel(2, "", "", "", 0, 0, 5), initialNodeDetails());
    EXPECT_TRUE(details.isChannel);
    EXPECT_TRUE(details.enabled.playChannel && details.enabled.deleteChannel && details.enabled.rateChannel &&
                details.enabled.addTimerSwitchChannel && details.enabled.setSpeedChannel);
    EXPECT_FALSE(details.rateGreyed);
    EXPECT_EQ(details.info, "双击频道名称播放选中频道");
    EXPECT_EQ(details.rateEntry, 4);
    EXPECT_EQ(details.checkedRateItem, 5);
    // A missing row (rating 0) or a stored value out of range selects no entry.
    EXPECT_EQ(channelDetails(ChannelDetails{}, details).rateEntry, -1);
    EXPECT_EQ(channelDetails(channel(2, "", "", "", 0, 0, 9), details).checkedRateItem, 0);
}

TEST(NodeDetails, FavouriteAndLockStatesSetCaptionsHintsAndTargets) {
    const NodeDetails favourite = channelDetails(channel(1, "", "", "", 1, 1), initialNodeDetails());
    EXPECT_EQ(favourite.favoritesCaption, "还原 (取消收藏)");
    EXPECT_EQ(favourite.favoritesHint, "取消收藏选中频道, 并还原到其相应分类位置");
    EXPECT_EQ(favourite.favoritesButtonCaption, "还原");
    EXPECT_EQ(favourite.favoriteTarget, 0);
    EXPECT_EQ(favourite.lockCaption, "解锁");
    EXPECT_EQ(favourite.lockHint, "选中频道解锁");
    EXPECT_EQ(favourite.lockTarget, 0);

    const NodeDetails plain = channelDetails(channel(1, "", "", ""), favourite);
    EXPECT_EQ(plain.favoritesCaption, "收藏");
    EXPECT_EQ(plain.favoritesHint, "收藏选中频道");
    EXPECT_EQ(plain.favoritesButtonCaption, "收藏");
    EXPECT_EQ(plain.favoriteTarget, 1);
    EXPECT_EQ(plain.lockCaption, "加锁");
    EXPECT_EQ(plain.lockHint, "选中频道加锁");
    EXPECT_EQ(plain.lockTarget, 1);
}

TEST(NodeDetails, AnUnknownLockValueAndACategoryKeepTheLastChannelsCaptionsAndTargets) {
    const NodeDetails locked = channelDetails(channel(1, "", "", "", 1, 1, 2), initialNodeDetails());
    const NodeDetails odd = channelDetails(channel(1, "", "", "", 1, 4), locked);
    EXPECT_EQ(odd.lockCaption, "解锁");
    EXPECT_EQ(odd.lockTarget, 0);
    EXPECT_EQ(odd.lockWord, "");

    const NodeDetails category = categoryDetails("B电视台", locked);
    EXPECT_EQ(category.favoritesCaption, "还原 (取消收藏)");
    EXPECT_EQ(category.favoriteTarget, 0);
    EXPECT_EQ(category.lockTarget, 0);
    EXPECT_EQ(category.rateEntry, 1);
}

namespace {

struct CheckLineCase {
    StoredCheck check;
    std::string line;
};

class LastCheckLineTest : public testing::TestWithParam<CheckLineCase> {
protected:
    static void SetUpTestSuite() {
        const char* tz = std::getenv("TZ");
        savedTz_ = tz != nullptr ? std::optional<std::string>(tz) : std::nullopt;
        setenv("TZ", "UTC", 1);
        tzset();
    }
    static void TearDownTestSuite() {
        if (savedTz_) {
            setenv("TZ", savedTz_->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }
    static inline std::optional<std::string> savedTz_;
};

// 2026-12-10 14:02 UTC, and the same day a year before.
constexpr std::int64_t kThisYear = 1796911320;
constexpr std::int64_t kLastYear = kThisYear - 365 * 86400;

}  // namespace

TEST_P(LastCheckLineTest, SaysWhenHowAndWhy) {
    EXPECT_EQ(lastCheckLine(GetParam().check, kThisYear + 86400), GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, LastCheckLineTest,
    testing::Values(CheckLineCase{{2, "smooth", kThisYear, 40, 128, 0, kThisYear, 0},
                                  "上次检查：12月10日 14:02 [流畅] 128 kbit/s"},
                    CheckLineCase{{0, "connection-refused", kThisYear, -1, 0, 3, 0, kThisYear - 600},
                                  "上次检查：12月10日 14:02 [未知] 连接被拒绝（连续 3 次）"},
                    CheckLineCase{{0, "host-not-found", kThisYear, -1, 0, 1, 0, kThisYear},
                                  "上次检查：12月10日 14:02 [未知] 域名无法解析"},
                    CheckLineCase{{1, "slow", kLastYear, 90, 30, 0, kLastYear, 0},
                                  "上次检查：2025年12月10日 14:02 [可达] 有媒体数据, 但速度不足 30 kbit/s"},
                    CheckLineCase{{2, "page-answered", kThisYear, 90, 0, 0, kThisYear, 0},
                                  "上次检查：12月10日 14:02 [流畅]"},
                    CheckLineCase{{0, "from-a-newer-program", kThisYear, -1, 0, 2, 0, kThisYear},
                                  "上次检查：12月10日 14:02 [未知] from-a-newer-program（连续 2 次）"}));
