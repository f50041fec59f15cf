#include "core/browser/ChannelBrowser.h"

#include "core/base/Error.h"
#include "core/base/TextCodec.h"
#include "core/browser/TreeCache.h"
#include "core/store/ChannelStore.h"
#include "support/ExpectError.h"
#include "support/FakeUi.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>
#include <vector>

using namespace kw;

namespace {

constexpr const char* kRoots =
    "鹰波视听 (Kestrel Wave)\n\tA我的最爱\n\tB电视台\n\tC广播电台\n\tD在线电影\n\tE最新专题\n\tFlash精品\n"
    "\tG远程教育\n\tH精选网址\n";

class ChannelBrowserTest : public testing::Test {
protected:
    void SetUp() override { store_ = ChannelStore::create(dir_ / ChannelStore::kFileName, SettingsRow{}); }

    void add(const std::string& name, const std::string& class0, const std::string& class1 = "",
             const std::string& class2 = "", int group = 1) {
        ChannelRecord record;
        record.class0 = class0;
        record.class1 = class1;
        record.class2 = class2;
        record.name = name;
        record.scrambledUrl = "x";
        record.memo = "[直播][全天]";
        record.type = "Windows Media";
        record.speed = "300";
        store_->insertChannel(record, group, group == 2 ? "User" : "2026.12");
    }

    ChannelBrowser& browser() {
        if (!browser_) browser_ = std::make_unique<ChannelBrowser>(*store_, dir_.path(), ui_, yield_);
        return *browser_;
    }
    ChannelTree& tree() { return browser().tree(); }
    std::string outline() { return formatTreeOutline(tree()); }
    NodeId node(std::string_view text) {
        for (NodeId n = tree().nextInTreeOrder(kNoNode); n != kNoNode; n = tree().nextInTreeOrder(n)) {
            if (tree().text(n) == text) return n;
        }
        return kNoNode;
    }
    // Another program drops the table: every later statement of the store fails.
    void breakDatabase() {
        sqlite3* other = nullptr;
        ASSERT_EQ(sqlite3_open((dir_ / ChannelStore::kFileName).c_str(), &other), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(other, "drop table ChannelInfo", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(other);
    }
    std::string selectedText() {
        return tree().selected() == kNoNode ? "(none)" : std::string(tree().text(tree().selected()));
    }

    test::TempDir dir_;
    std::unique_ptr<ChannelStore> store_;
    test::FakeUi ui_;
    YieldHook yield_;
    std::unique_ptr<ChannelBrowser> browser_;
};

}  // namespace

TEST_F(ChannelBrowserTest, ABuildFromTheDatabaseSortsEveryLevelExpandsTheRootAndSelectsTheFavourites) {
    add("凤凰卫视", "B电视台", "综合");
    add("CCTV-1", "B电视台", "综合");
    add("BBC", "C广播电台", "新闻");
    add("体育台", "体育");   // a main category without a leading letter
    add("音乐台", "1音乐");  // digits and punctuation sort before letters, yet not before the favourites
    add("杂谈台", "(杂谈)");
    store_->setFavorited("BBC", 1);
    browser().RebuildChannelTree(false);

    EXPECT_EQ(
        outline(),
        "鹰波视听 (Kestrel Wave)\n\tA我的最爱\n\t\tC广播电台\n\t\t\t新闻\n\t\t\t\tBBC\n\t(杂谈)\n\t\t杂谈台\n"
        "\t1音乐\n\t\t音乐台\n\tB电视台\n\t\t综合\n"
        "\t\t\tCCTV-1\n\t\t\t凤凰卫视\n\tC广播电台\n\tD在线电影\n\tE最新专题\n\tFlash精品\n\tG远程教育\n"
        "\tH精选网址\n\t体育\n\t\t体育台\n");
    const NodeId favourites = node("A我的最爱");
    EXPECT_EQ(tree().selected(), favourites);
    EXPECT_TRUE(tree().isExpanded(tree().root()));
    EXPECT_TRUE(tree().isExpanded(favourites));
    EXPECT_TRUE(tree().isExpanded(node("新闻")));
    EXPECT_FALSE(tree().isExpanded(node("B电视台")));
}

struct FilterCase {
    int filter;
    const char* shown;  // "" for all
};

class RatingFilterTest : public ChannelBrowserTest, public testing::WithParamInterface<FilterCase> {};

TEST_P(RatingFilterTest, ShowsOnlyChannelsOfTheRatingWithEveryCategoryRoot) {
    const std::vector<std::string> names{"最爱台", "喜爱台", "一般台", "讨厌台", "厌恶台"};
    for (int rating = 1; rating <= 5; ++rating) {
        add(names[static_cast<std::size_t>(rating - 1)], "H精选网址");
        store_->setRating(names[static_cast<std::size_t>(rating - 1)], rating);
    }
    browser().cbFilterChannelChange(GetParam().filter);
    std::vector<std::string> leaves;
    for (NodeId leaf : tree().children(node("H精选网址"))) leaves.emplace_back(tree().text(leaf));
    if (GetParam().filter == 0) {
        EXPECT_EQ(leaves.size(), 5u);
    } else {
        EXPECT_EQ(leaves, std::vector<std::string>{GetParam().shown});
    }
    EXPECT_EQ(tree().childCount(tree().root()), 8u);
}

INSTANTIATE_TEST_SUITE_P(AllFilters, RatingFilterTest,
                         testing::Values(FilterCase{0, ""}, FilterCase{1, "最爱台"}, FilterCase{2, "喜爱台"},
                                         FilterCase{3, "一般台"}, FilterCase{4, "讨厌台"},
                                         FilterCase{5, "厌恶台"}));

TEST_F(ChannelBrowserTest, TheCacheRestoresTheLastTreeWithoutReadingTheDatabase) {
    add("凤凰卫视", "B电视台", "综合");
    browser().RebuildChannelTree(false);
    browser().SaveChannelTreeCache();
    const std::string saved = outline();
    add("后来的频道", "B电视台");
    browser().RebuildChannelTree(true);
    EXPECT_EQ(outline(), saved);
    EXPECT_EQ(selectedText(), "A我的最爱");
    EXPECT_TRUE(tree().isExpanded(tree().root()));
    EXPECT_TRUE(ui_.errors.empty());

    // A cache keeps its own order; nothing sorts it.
    test::writeBytes(dir_ / "ChannelTree.tre",
                     text::toGbk("root\r\n\tZ\r\n\tA我的最爱\r\n\t\tb\r\n\t\ta\r\n"));
    browser().RebuildChannelTree(true);
    EXPECT_EQ(outline(), "root\n\tZ\n\tA我的最爱\n\t\tb\n\t\ta\n");
    EXPECT_TRUE(tree().isExpanded(node("A我的最爱")));
}

struct BadCacheCase {
    const char* name;
    std::string bytes;
    std::string error;  // empty: the fallback is silent
};

class BadCacheTest : public ChannelBrowserTest, public testing::WithParamInterface<BadCacheCase> {};

TEST_P(BadCacheTest, FallsBackToTheDatabaseAndShowsTheErrorIfThereIsOne) {
    add("凤凰卫视", "B电视台");
    test::writeBytes(dir_ / "ChannelTree.tre", GetParam().bytes);
    browser().RebuildChannelTree(true);
    EXPECT_NE(node("凤凰卫视"), kNoNode);
    EXPECT_EQ(selectedText(), "A我的最爱");
    if (GetParam().error.empty()) {
        EXPECT_TRUE(ui_.errors.empty());
    } else {
        EXPECT_EQ(ui_.errors, std::vector<std::string>{GetParam().error});
    }
}

INSTANTIATE_TEST_SUITE_P(
    Caches, BadCacheTest,
    testing::Values(BadCacheCase{"Empty", "", ""}, BadCacheCase{"OnlyBlankLines", "\r\n\t\r\n", ""},
                    BadCacheCase{"NoFavouritesBranch", "root\r\n\tB\r\n", ""},
                    BadCacheCase{"Malformed", text::toGbk("root\r\n\tA我的最爱\r\n\t\t\t深\r\n"),
                                 "Invalid level (3) for item \"深\""}),
    [](const testing::TestParamInfo<BadCacheCase>& param) { return std::string(param.param.name); });

TEST_F(ChannelBrowserTest, ADatabaseErrorStillLeavesAWorkingTreeAndReachesTheCaller) {
    add("凤凰卫视", "B电视台");
    breakDatabase();
    EXPECT_ERROR("no such table: ChannelInfo", browser().RebuildChannelTree(false));
    EXPECT_EQ(outline(), kRoots);
    EXPECT_EQ(selectedText(), "A我的最爱");
}

TEST_F(ChannelBrowserTest, ABuildReopensAConnectionThatCompactionClosed) {
    add("凤凰卫视", "B电视台");
    store_->close();
    browser().RebuildChannelTree(false);
    EXPECT_NE(node("凤凰卫视"), kNoNode);
}

TEST_F(ChannelBrowserTest, ChangingTheDisplayModeSelectsTheSameChannelByName) {
    add("凤凰卫视", "B电视台", "综合", "香港");
    add("翡翠台", "B电视台", "综合", "香港");
    browser().RebuildChannelTree(false);
    browser().select(node("翡翠台"));
    browser().cbClassDisplayChannelChange(3);
    EXPECT_EQ(selectedText(), "翡翠台");
    EXPECT_EQ(tree().text(tree().parent(tree().selected())), "香港");
    EXPECT_TRUE(tree().isExpanded(node("香港")));

    browser().select(node("B电视台"));  // a category: nothing to reselect
    browser().cbClassDisplayChannelChange(0);
    EXPECT_EQ(selectedText(), "A我的最爱");
    EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(ChannelBrowserTest, ReselectionTakesTheFirstNameContainingTheOldOne) {
    add("新闻台10", "B电视台", "新闻");
    add("新闻台1", "B电视台", "新闻台");  // sorts after 新闻 in mode 2
    browser().RebuildChannelTree(false);
    browser().select(node("新闻台1"));
    browser().cbClassDisplayChannelChange(2);
    EXPECT_EQ(selectedText(), "新闻台10");
}

TEST_F(ChannelBrowserTest, FindAsksWithTheExactBoxAndRemembersTheTextForContinue) {
    add("cctv-1", "B电视台");
    add("CCTV-2", "B电视台");
    browser().RebuildChannelTree(false);

    browser().actFindChannelContinueExecute();  // disabled before the first search
    EXPECT_TRUE(ui_.inputPrompts.empty());
    EXPECT_EQ(selectedText(), "A我的最爱");

    ui_.inputAnswers = {std::nullopt, std::string(), std::string("CCTV")};
    browser().actFindChannelExecute();  // Cancel
    browser().actFindChannelExecute();  // OK on an empty entry
    EXPECT_FALSE(browser().findContinueEnabled());
    browser().actFindChannelExecute();
    ASSERT_EQ(ui_.inputPrompts.size(), 3u);
    EXPECT_EQ(ui_.inputPrompts[0].caption, "查找频道");
    EXPECT_EQ(
        ui_.inputPrompts[0].text,
        "按频道名称从当前位置开始往下查找频道。\r\n\r\n请输入您要查找的频道名称(全部或部分关键词) [按 F3 "
        "可继续查找]");
    EXPECT_TRUE(browser().findContinueEnabled());
    EXPECT_EQ(browser().lastSearchText(), "CCTV");
    EXPECT_EQ(selectedText(), "cctv-1");
    EXPECT_TRUE(tree().isExpanded(node("B电视台")));

    browser().actFindChannelContinueExecute();
    EXPECT_EQ(selectedText(), "CCTV-2");
    browser().actFindChannelContinueExecute();  // no match below: the selection stays
    EXPECT_EQ(selectedText(), "CCTV-2");
    EXPECT_EQ(
        ui_.messages,
        (std::vector<test::FakeUi::Message>{{"未找到含有 \"CCTV\" 的频道。", "鹰波视听 (Kestrel Wave)"}}));
}

TEST_F(ChannelBrowserTest, DetailsOfALeafComeFromItsRowAndAMissingRowReadsAsEmpty) {
    add("凤凰卫视", "B电视台", "综合", "", 2);
    store_->setLocked("凤凰卫视", 1);
    store_->setRating("凤凰卫视", 2);
    browser().RebuildChannelTree(false);
    const NodeDetails& leaf = browser().ShowNodeDetails(node("凤凰卫视"));
    EXPECT_EQ(leaf.memo, "[300KBit/S][Windows Media] \r\n[直播][全天] [USR] [已锁]");
    EXPECT_EQ(leaf.lockCaption, "解锁");
    EXPECT_EQ(leaf.rateEntry, 1);

    const NodeDetails& category = browser().ShowNodeDetails(node("综合"));
    EXPECT_EQ(category.memo, "当前位于:  综合\r[ 请选择具体的频道 ]");
    EXPECT_EQ(category.lockCaption, "解锁");  // kept from the last channel

    store_->deleteChannel("凤凰卫视");
    const NodeDetails& missing = browser().ShowNodeDetails(node("凤凰卫视"));
    EXPECT_EQ(missing.memo, " [USR] [未锁]");
    EXPECT_EQ(missing.favoritesCaption, "收藏");
    EXPECT_EQ(missing.lockCaption, "加锁");
    EXPECT_EQ(missing.rateEntry, -1);
    EXPECT_TRUE(missing.enabled.playChannel);
}

TEST_F(ChannelBrowserTest, ADatabaseErrorInDetailsIsShownAndLeavesTheItemsSetSoFar) {
    add("凤凰卫视", "B电视台");
    browser().RebuildChannelTree(false);
    const std::string before = browser().details().memo;
    breakDatabase();
    const NodeDetails& details = browser().ShowNodeDetails(node("凤凰卫视"));
    EXPECT_EQ(ui_.errors.size(), 1u);
    EXPECT_TRUE(details.enabled.playChannel);
    EXPECT_EQ(details.info, "双击频道名称播放选中频道");
    EXPECT_EQ(details.memo, before);
}

TEST_F(ChannelBrowserTest, CollapseAllLeavesOnlyThePathToTheSelectedLeafOpen) {
    add("深处", "B电视台", "综合", "香港");
    add("别处", "C广播电台", "新闻");
    browser().RebuildChannelTree(false);
    browser().muFullExpandClick();
    EXPECT_TRUE(tree().isExpanded(node("新闻")));
    browser().select(node("深处"));
    browser().muFullCollapseClick();
    EXPECT_EQ(selectedText(), "深处");
    for (const char* open : {"鹰波视听 (Kestrel Wave)", "B电视台", "综合", "香港"})
        EXPECT_TRUE(tree().isExpanded(node(open)));
    for (const char* closed : {"C广播电台", "新闻", "A我的最爱"})
        EXPECT_FALSE(tree().isExpanded(node(closed)));

    browser().select(node("B电视台"));
    browser().muCurNodeFullCollapseClick();
    EXPECT_FALSE(tree().isExpanded(node("综合")));
    browser().muCurNodeFullExpandClick();
    EXPECT_TRUE(tree().isExpanded(node("香港")));
    EXPECT_FALSE(tree().isExpanded(node("C广播电台")));
}

TEST_F(ChannelBrowserTest, PlacingAFavouriteMovesItAlongTheSamePathABuildWouldGive) {
    add("凤凰卫视", "B电视台", "综合");
    add("翡翠台", "B电视台", "综合");
    browser().RebuildChannelTree(false);
    const NodeId old = node("凤凰卫视");
    store_->setFavorited("凤凰卫视", 1);
    browser().PlaceChannel(store_->readChannelPlacement("凤凰卫视"), "凤凰卫视", browser().displayMode());
    browser().select(browser().previousInTreeOrder(old));
    browser().removeNode(old);
    browser().sortTree();
    const std::string patched = outline();
    browser().RebuildChannelTree(false);
    EXPECT_EQ(patched, outline());
}

namespace {

// Hears only that marks changed.
struct MarkWatcher : TreeObserver {
    int heard = 0;
    void marksChanged() override { ++heard; }
};

}  // namespace

TEST_F(ChannelBrowserTest, ChannelsWhoseLastTwoChecksFailedAreMarkedAndCanBeLeftOut) {
    add("乐台", "C广播电台");
    add("死台", "C广播电台");
    add("病台", "C广播电台");
    store_->setFavorited("死台", 1);
    const auto fail = [&](const std::string& name, std::int64_t at) {
        store_->recordChecks({{name, 0, "connection-refused", at, -1, 0}});
    };
    fail("死台", 100);
    fail("死台", 200);
    fail("病台", 200);  // once is not yet dead
    store_->recordChecks({{"乐台", 2, "smooth", 200, 10, 128}});
    browser().RebuildChannelTree(false);
    browser().SaveChannelTreeCache();
    const DeadChannels& dead = browser().deadChannels();
    EXPECT_TRUE(dead.contains("死台"));
    EXPECT_EQ(dead.reasonOf("死台"), "connection-refused");
    EXPECT_FALSE(dead.contains("病台"));
    EXPECT_FALSE(dead.contains("乐台"));

    browser().setHideDeadChannels(true);
    browser().RebuildChannelTree(true);  // the cache still holds it: the database decides
    EXPECT_EQ(node("死台"), kNoNode) << "gone from its category and from the favourites";
    EXPECT_NE(node("病台"), kNoNode);

    // A later check follows: one failure more kills, a good answer revives.
    MarkWatcher watcher;
    browser().deadChannels().watch(&watcher);
    fail("病台", 300);
    store_->recordChecks({{"死台", 1, "slow", 300, 10, 30}});
    browser().deadChannels().follow(*store_, std::vector<std::string>{"病台", "死台", "乐台"});
    EXPECT_TRUE(dead.contains("病台"));
    EXPECT_FALSE(dead.contains("死台"));
    EXPECT_EQ(watcher.heard, 1);
    browser().deadChannels().follow(*store_, std::vector<std::string>{"乐台"});
    EXPECT_EQ(watcher.heard, 1) << "nothing changed, nothing to tell";
    browser().deadChannels().unwatch(&watcher);

    browser().setHideDeadChannels(false);
    browser().RebuildChannelTree(true);
    EXPECT_NE(node("死台"), kNoNode);
    EXPECT_NE(node("病台"), kNoNode);
}

TEST_F(ChannelBrowserTest, DetailsOfACheckedChannelEndWithTheLastCheck) {
    add("乐台", "C广播电台");
    add("新台", "C广播电台");
    store_->recordChecks({{"乐台", 2, "smooth", 1'000'000'000, 10, 128}});
    browser().RebuildChannelTree(false);
    const std::string memo = browser().ShowNodeDetails(node("乐台")).memo;
    EXPECT_NE(memo.find("[SYS 2026.12] [未锁]\r\n上次检查："), std::string::npos) << memo;
    EXPECT_EQ(memo.substr(memo.size() - 19), "[流畅] 128 kbit/s");
    EXPECT_EQ(browser().ShowNodeDetails(node("新台")).memo.find("上次检查"), std::string::npos)
        << "never checked: the details are as they always were";
}
