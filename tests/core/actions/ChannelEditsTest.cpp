#include "core/actions/ChannelEdits.h"

#include "core/actions/ComputerKey.h"
#include "core/base/ScrambleText.h"
#include "core/browser/BrowserTexts.h"
#include "core/browser/ChannelBrowser.h"
#include "core/browser/TreeCache.h"
#include "core/ports/PasswordDialog.h"
#include "core/session/Installation.h"
#include "core/session/OptionsVisit.h"
#include "core/session/Roles.h"
#include "core/session/Session.h"
#include "core/store/ChannelStore.h"
#include "support/FakeDesktop.h"
#include "support/FakeDirectoryServers.h"
#include "support/FakeProbe.h"
#include "support/FakeUi.h"
#include "support/FakeWebFetch.h"
#include "support/SessionProbe.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

using namespace kw;

namespace {

// Counts what a view adapter of the tree would hear.
struct TreeEvents : TreeObserver {
    int resets = 0, added = 0, removed = 0;
    void treeReset() override { ++resets; }
    void nodeAdded(NodeId) override { ++added; }
    void nodeRemoved(NodeId, std::size_t) override { ++removed; }
};

// A session on a fresh installation (697 catalogue channels), its tree built
// from the database in `displayMode`.
class ChannelEditsTest : public testing::Test {
protected:
    void SetUp() override { createInstallation(dir_.path(), KW_DATA_DIR, false); }
    void TearDown() override {
        if (session_) tree().removeObserver(&events_);
    }

    void open(int displayMode = 0, int lockMode = 0, std::string_view password = {}) {
        if (lockMode != 0 || !password.empty()) {
            ChannelStore::open(dir_ / ChannelStore::kFileName)
                ->writeSettingsRow(lockMode, scrambleText(password, computerKey()));
        }
        session_ = std::make_unique<Session>(dir_.path(), ui_, desktop_, probe_, web_, servers_);
        session_->open();
        browser().setDisplayMode(displayMode);
        browser().RebuildChannelTree(false);
        tree().addObserver(&events_);
    }

    void addUserChannel(const std::string& name, const std::string& class1, const std::string& class2 = "",
                        const std::string& class3 = "", int favorited = 0) {
        ChannelRecord record;
        record.class0 = "B电视台";
        record.class1 = class1;
        record.class2 = class2;
        record.class3 = class3;
        record.name = name;
        record.scrambledUrl = scrambleText("http://x/", name);
        auto store = ChannelStore::open(dir_ / ChannelStore::kFileName);
        store->insertChannel(record, 2, "User");
        store->setFavorited(name, favorited);
    }

    ChannelBrowser& browser() { return test::SessionProbe::browser(*session_); }
    ChannelTree& tree() { return browser().tree(); }
    ChannelStore& store() { return test::SessionProbe::store(*session_); }

    // Every node with this text, in tree order.
    std::vector<NodeId> nodes(std::string_view text) {
        std::vector<NodeId> found;
        for (NodeId n = tree().nextInTreeOrder(kNoNode); n != kNoNode; n = tree().nextInTreeOrder(n)) {
            if (tree().text(n) == text) found.push_back(n);
        }
        return found;
    }
    void selectLeaf(std::string_view name) {
        const std::vector<NodeId> found = nodes(name);
        ASSERT_EQ(found.size(), 1u) << name;
        browser().select(found[0]);
        browser().ShowNodeDetails(found[0]);
    }
    // The texts from the category root down to node.
    std::string path(NodeId node) {
        if (node == kNoNode) return "(none)";
        std::string text(tree().text(node));
        for (NodeId at = tree().parent(node); at != kNoNode && at != tree().root(); at = tree().parent(at)) {
            text = std::string(tree().text(at)) + "/" + text;
        }
        return text;
    }
    std::string selectedPath() { return path(browser().selected()); }
    bool hasPath(std::string_view wanted) {
        for (NodeId n = tree().nextInTreeOrder(kNoNode); n != kNoNode; n = tree().nextInTreeOrder(n)) {
            if (path(n) == wanted) return true;
        }
        return false;
    }
    // A patched tree must look exactly like a tree built from the database.
    void expectSameAsRebuilt() {
        const std::string patched = formatTreeOutline(tree());
        browser().RebuildChannelTree(false);
        EXPECT_EQ(patched, formatTreeOutline(tree()));
    }

    test::TempDir dir_;
    test::FakeUi ui_;
    test::FakeDesktop desktop_;
    test::FakeProbe probe_;
    test::FakeWebFetch web_;
    test::FakeDirectoryServers servers_;
    std::unique_ptr<Session> session_;
    TreeEvents events_;
};

struct ModePath {
    int mode;
    const char* path;
};

class FavouriteMoveTest : public ChannelEditsTest, public testing::WithParamInterface<ModePath> {};

TEST_P(FavouriteMoveTest, OneOfSeveralMovesJustItsLeafAlongTheModesPathCreatingClassNodes) {
    open(GetParam().mode);
    selectLeaf("CCTV-2财经");
    EXPECT_EQ(browser().details().favoritesCaption, "收藏");
    session_->commands().actFavoritesChannelExecute();

    EXPECT_EQ(events_.resets, 0);
    EXPECT_EQ(events_.removed, 1);
    EXPECT_EQ(selectedPath(), GetParam().path);
    EXPECT_EQ(nodes("CCTV-2财经").size(), 1u);
    EXPECT_EQ(store().readChannelDetails("CCTV-2财经").favorited, 1);
    EXPECT_TRUE(ui_.messages.empty());
    expectSameAsRebuilt();
}

INSTANTIATE_TEST_SUITE_P(Modes, FavouriteMoveTest,
                         testing::Values(ModePath{0, "A我的最爱/B电视台/财经/中国大陆/普通话/CCTV-2财经"},
                                         ModePath{5, "A我的最爱/B电视台/CCTV-2财经"},
                                         ModePath{6, "A我的最爱/B电视台/2026.12/CCTV-2财经"}));

TEST_F(ChannelEditsTest, FavouringAnOnlyChildTakesItsEmptyBranchAwayWithoutARebuild) {
    open();
    selectLeaf("中国交通");
    session_->commands().actFavoritesChannelExecute();
    EXPECT_EQ(events_.resets, 0);
    EXPECT_EQ(selectedPath(), "A我的最爱/B电视台/交通/中国大陆/普通话/中国交通");
    EXPECT_FALSE(hasPath("B电视台/交通"));
}

TEST_F(ChannelEditsTest, RestoringPutsTheChannelBackUnderItsCategoryRoot) {
    open();
    for (const char* name : {"CCTV-2财经", "SiTV东方财经"}) {
        selectLeaf(name);
        session_->commands().actFavoritesChannelExecute();
    }
    selectLeaf("CCTV-2财经");
    EXPECT_EQ(browser().details().favoritesCaption, "还原 (取消收藏)");
    EXPECT_EQ(browser().details().favoriteTarget, 0);
    session_->commands().actFavoritesChannelExecute();
    EXPECT_EQ(events_.resets, 0);
    EXPECT_EQ(selectedPath(), "B电视台/财经/中国大陆/普通话/CCTV-2财经");
    expectSameAsRebuilt();

    // The last favourite is an only child in the favourites branch.
    selectLeaf("SiTV东方财经");
    session_->commands().actFavoritesChannelExecute();
    EXPECT_EQ(selectedPath(), "B电视台/财经/中国大陆/普通话/SiTV东方财经");
    EXPECT_FALSE(tree().hasChildren(tree().FindCategoryNode(texts::kFavouritesRoot)));
}

TEST_F(ChannelEditsTest, SearchAfterTheMoveSelectsAnEarlierChannelWhoseNameContainsTheMovedOne) {
    addUserChannel("新闻台10", "甲类", "", "", 1);
    addUserChannel("新闻台1", "乙类");
    addUserChannel("新闻台2", "乙类");
    open();
    selectLeaf("新闻台1");
    session_->commands().actFavoritesChannelExecute();
    EXPECT_EQ(selectedPath(), "A我的最爱/B电视台/甲类/新闻台10");
    EXPECT_EQ(path(nodes("新闻台1").at(0)), "A我的最爱/B电视台/乙类/新闻台1");
}

TEST_F(ChannelEditsTest, ChannelLeftOutByTheRebuildIsReportedAndTheRootStaysSelected) {
    open();
    // Hiding locked channels needs no password; the browser follows at once.
    {
        const std::unique_ptr<OptionsVisit> visit = session_->visitOptions(OptionsPage::Settings);
        SetupValues values = visit->readSetupValues();
        values.lockRadio = lockModeFromStored(1);
        visit->spSetupOKClick(values, {}, dir_.path() / "kestrelwave");
    }
    EXPECT_EQ(browser().lockMode(), 1);
    selectLeaf("中国交通");
    ASSERT_TRUE(session_->commands().actLockChannelExecute());
    EXPECT_EQ(nodes("中国交通").size(), 1u);  // a lock does not hide until the next rebuild

    session_->commands().actFavoritesChannelExecute();
    EXPECT_EQ(ui_.messageTexts(), std::vector<std::string>{"未找到含有 \"中国交通\" 的频道。"});
    EXPECT_EQ(browser().selected(), tree().root());
    EXPECT_TRUE(nodes("中国交通").empty());
}

TEST_F(ChannelEditsTest, LeafAlreadyWhereItsRowPlacesItStaysInTheTree) {
    open();
    for (const char* name : {"CCTV-2财经", "SiTV东方财经"}) {
        selectLeaf(name);
        session_->commands().actFavoritesChannelExecute();
    }
    // Another program restores it: the leaf in the favourites branch is stale.
    store().setFavorited("CCTV-2财经", 0);
    selectLeaf("CCTV-2财经");
    session_->commands().actFavoritesChannelExecute();
    EXPECT_EQ(selectedPath(), "A我的最爱/B电视台/财经/中国大陆/普通话/CCTV-2财经");
    EXPECT_EQ(nodes("CCTV-2财经").size(), 1u);
}

TEST_F(ChannelEditsTest, RatingWritesItemPlusOneAndLeavesTheTreeAsItIs) {
    open();
    browser().cbFilterChannelChange(3);  // only "一般"
    selectLeaf("CCTV-2财经");
    const auto generation = tree().generation();
    for (const auto& [item, stored] : {std::pair{4, 5}, {0, 1}, {-1, 1}, {5, 1}, {2, 3}, {3, 4}}) {
        session_->commands().SetChannelRating(item);
        EXPECT_EQ(store().readChannelDetails("CCTV-2财经").rating, stored) << item;
        EXPECT_EQ(browser().details().rateEntry, stored - 1);
        EXPECT_EQ(browser().details().checkedRateItem, stored);
    }
    EXPECT_EQ(tree().generation(), generation);
}

TEST_F(ChannelEditsTest, DeletingOneOfSeveralSelectsTheNodeJustAboveCountingAllLevels) {
    addUserChannel("甲台", "测试类", "中国大陆", "普通话");
    addUserChannel("最后台", "测试类");
    open();
    const NodeId testClass = nodes("测试类").at(0);
    ASSERT_EQ(tree().text(tree().child(testClass, 0)), "中国大陆");  // the leaf's previous sibling

    selectLeaf("最后台");
    ui_.yesNoAnswers = {true};
    EXPECT_TRUE(session_->commands().actDeleteChannelExecute());
    EXPECT_EQ(ui_.questions.at(0).caption, "确认删除");
    EXPECT_EQ(ui_.questions.at(0).text, "请确认：删除后将不可恢复，真的要删除下列频道吗？\r\n\r\n最后台");
    EXPECT_EQ(store().countChannelsByName("最后台"), 0);
    EXPECT_EQ(selectedPath(), "B电视台/测试类/中国大陆/普通话/甲台");
    EXPECT_TRUE(browser().details().isChannel);

    // The first of several: the parent is just above.
    selectLeaf("CCTV-2财经");
    ui_.yesNoAnswers = {true};
    session_->commands().actDeleteChannelExecute();
    EXPECT_EQ(selectedPath(), "B电视台/财经/中国大陆/普通话");
    EXPECT_FALSE(browser().details().isChannel);
    EXPECT_EQ(events_.resets, 0);
}

TEST_F(ChannelEditsTest, DeletingTheLastOfABranchTakesItAwayWithoutARebuildAndNoChangesNothing) {
    open();
    selectLeaf("中国交通");
    const auto generation = tree().generation();
    ui_.yesNoAnswers = {false};
    EXPECT_FALSE(session_->commands().actDeleteChannelExecute());
    EXPECT_EQ(store().countChannelsByName("中国交通"), 1);
    EXPECT_EQ(tree().generation(), generation);

    ui_.yesNoAnswers = {true};
    EXPECT_TRUE(session_->commands().actDeleteChannelExecute());
    EXPECT_EQ(events_.resets, 0);
    EXPECT_FALSE(hasPath("B电视台/交通"));
    EXPECT_EQ(selectedPath(), "A我的最爱");
}

class LockCommandTest : public ChannelEditsTest, public testing::WithParamInterface<int> {};

TEST_P(LockCommandTest, LockingNeverAsksAndUnlockingAsksUnlessModeTwo) {
    const int mode = GetParam();
    open(0, mode, "Secret");
    selectLeaf("中国交通");
    EXPECT_TRUE(session_->commands().actLockChannelExecute());
    EXPECT_TRUE(ui_.passwordShowings.empty());
    EXPECT_EQ(store().readChannelDetails("中国交通").locked, 1);
    EXPECT_EQ(browser().details().lockCaption, "解锁");
    EXPECT_EQ(browser().details().lockTarget, 0);

    if (mode != 2) {
        ui_.passwordEntries = {"secret", std::nullopt};
        EXPECT_FALSE(session_->commands().actLockChannelExecute());
        EXPECT_EQ(store().readChannelDetails("中国交通").locked, 1);
        ASSERT_EQ(ui_.passwordShowings.size(), 1u);
        EXPECT_EQ(ui_.passwordShowings[0].purpose, PasswordPurpose::UnlockOrPlay);
        EXPECT_EQ(ui_.passwordShowings[0].errors, std::vector<std::string>{"密码有误，请注意字母大小写!"});
        ui_.passwordEntries = {" Secret "};
    }
    EXPECT_TRUE(session_->commands().actLockChannelExecute());
    EXPECT_EQ(store().readChannelDetails("中国交通").locked, 0);
    EXPECT_EQ(browser().details().lockWord, "未锁");
    EXPECT_EQ(ui_.passwordShowings.size(), mode == 2 ? 0u : 2u);
}

INSTANTIATE_TEST_SUITE_P(Modes, LockCommandTest, testing::Values(0, 1, 2));

TEST_F(ChannelEditsTest, EveryCheckIsKeptWithTheChannel) {
    open();
    selectLeaf("中国交通");
    session_->commands().actTestChannelExecute();
    ASSERT_EQ(probe_.probed.size(), 1u);
    ASSERT_TRUE(store().readCheck("中国交通"));
    EXPECT_EQ(store().readCheck("中国交通")->reasonCode, "no-answer");
    EXPECT_NE(ui_.messageTexts().back().find("超时无应答"), std::string::npos) << ui_.messageTexts().back();
    EXPECT_NE(browser().details().memo.find("[未知] 超时无应答"), std::string::npos)
        << "the details follow the test";

    probe_.statusOf[probe_.probed.front().address] = 2;
    const std::vector<ChannelCheck> checks =
        session_->health().checkChannels({"中国交通", "CCTV-2财经"}, 4, 1, {});
    ASSERT_EQ(checks.size(), 2u);
    EXPECT_EQ(store().readCheck("中国交通")->status, 2);
    EXPECT_EQ(store().readCheck("CCTV-2财经")->failures, 1);
}

TEST_F(ChannelEditsTest, SelectionCommandsActOnlyOnAChannelLeaf) {
    open();
    browser().select(nodes("B电视台").at(0));
    const auto generation = tree().generation();
    EXPECT_FALSE(session_->commands().actPlayChannelExecute());
    session_->commands().actLinkChannelExecute();
    session_->commands().actFavoritesChannelExecute();
    session_->commands().SetChannelRating(0);
    EXPECT_FALSE(session_->commands().actDeleteChannelExecute());
    EXPECT_FALSE(session_->commands().actLockChannelExecute());
    session_->commands().actTestChannelExecute();
    EXPECT_FALSE(session_->commands().muSpeedChannelClick(9));
    EXPECT_TRUE(ui_.messages.empty());
    EXPECT_TRUE(desktop_.documents.empty());
    EXPECT_EQ(tree().generation(), generation);
}

}  // namespace
