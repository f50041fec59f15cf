#include "core/browser/ChannelBrowser.h"

#include "core/store/ChannelStore.h"
#include "support/FakeUi.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace kw;

namespace {

// Everything a rebuild decides: nodes in order with their levels, expanded
// states and the selection.
std::string treeState(const ChannelTree& tree) {
    std::string state;
    for (NodeId node = tree.nextInTreeOrder(kNoNode); node != kNoNode; node = tree.nextInTreeOrder(node)) {
        state.append(tree.level(node), '\t').append(tree.text(node));
        if (tree.isExpanded(node)) state += " +";
        if (tree.selected() == node) state += " <";
        state += '\n';
    }
    return state;
}

class ResetCounter : public TreeObserver {
public:
    void treeReset() override { ++resets; }
    int resets = 0;
};

struct PatchCase {
    int displayMode;
    int lockMode;
    int ratingFilter;
    bool fromCache;
};

// Random writes in small groups, each followed by applyPendingChanges, and the
// tree compared with a fresh rebuild from the same database. The values are
// drawn from small sets that overlap, so names equal class values, paths
// share nodes and branches empty out.
class TreePatchTest : public testing::TestWithParam<PatchCase> {
protected:
    void SetUp() override {
        store_ = ChannelStore::create(dir_ / ChannelStore::kFileName, SettingsRow{});
        for (int i = 0; i < 400; ++i) insert();
    }

    std::string pick(const std::vector<std::string>& values) { return values[random_() % values.size()]; }

    ChannelRecord randomRecord(std::string name) {
        ChannelRecord record;
        record.class0 = pick({"B电视台", "C广播电台", "综合", "Z其它", " B电视台"});
        record.class1 = pick({"", "", "新闻", "综合", "体育"});
        record.class2 = pick({"", "", "香港", "新闻"});
        record.class3 = pick({"", "", "普通话"});
        record.name = std::move(name);
        record.scrambledUrl = "x";
        return record;
    }

    std::string freshName() {
        for (;;) {
            std::string name = pick({"CCTV-1", "新闻", "综合", "体育", "香港", "凤凰", "Radio", "频道"});
            if (random_() % 3 != 0) name += std::to_string(random_() % 200);
            if (store_->countChannelsByName(name) == 0) return name;
        }
    }

    std::vector<std::string> names() {
        std::vector<std::string> all;
        store_->forEachListedChannel(0, [&](const ChannelListing& row) { all.push_back(row.name); });
        return all;
    }

    void insert() {
        const std::string name = freshName();
        store_->insertChannel(randomRecord(name), 1, random_() % 3 == 0 ? "User" : "2026.12");
        if (random_() % 6 == 0) store_->setFavorited(name, 1);
        if (random_() % 6 == 0) store_->setLocked(name, 1);
        store_->setRating(name, static_cast<int>(random_() % 3) + 1);
    }

    // One write of a random kind, reported as the program's commands report them.
    void write(ChannelBrowser& browser) {
        const std::vector<std::string> all = names();
        const std::string name = all[random_() % all.size()];
        switch (random_() % 6) {
            case 0: {
                const std::string added = freshName();
                store_->insertChannel(randomRecord(added), 2, "User");
                browser.noteChannelStored(added);
                break;
            }
            case 1: {  // an edit that may rename
                const std::string renamed = random_() % 2 == 0 ? name : freshName();
                browser.noteChannelChanging(name);
                store_->updateChannelById(store_->readChannelDetails(name).id, randomRecord(renamed));
                browser.noteChannelStored(renamed);
                break;
            }
            case 2:
                browser.noteChannelChanging(name);
                store_->deleteChannel(name);
                break;
            case 3:
                browser.noteChannelChanging(name);
                store_->setFavorited(name, store_->readChannelDetails(name).favorited == 0 ? 1 : 0);
                browser.noteChannelStored(name);
                break;
            case 4:
                browser.noteChannelChanging(name);
                store_->setLocked(name, store_->readChannelDetails(name).locked == 0 ? 1 : 0);
                browser.noteChannelStored(name);
                break;
            default:
                browser.noteChannelChanging(name);
                store_->setRating(name, static_cast<int>(random_() % 3) + 1);
                browser.noteChannelStored(name);
                break;
        }
    }

    std::string rebuiltState() {
        ChannelBrowser fresh(*store_, dir_.path() / "fresh", ui_, yield_);
        configure(fresh);
        fresh.RebuildChannelTree(false);
        return treeState(fresh.tree());
    }

    void configure(ChannelBrowser& browser) {
        browser.setDisplayMode(GetParam().displayMode);
        browser.setLockMode(GetParam().lockMode);
        browser.setRatingFilter(GetParam().ratingFilter);
    }

    test::TempDir dir_;
    std::unique_ptr<ChannelStore> store_;
    test::FakeUi ui_;
    YieldHook yield_;
    std::mt19937 random_{20261209};
};

}  // namespace

TEST_P(TreePatchTest, PatchedTreeEqualsAFullRebuildAfterEveryGroupOfWrites) {
    ChannelBrowser browser(*store_, dir_.path(), ui_, yield_);
    configure(browser);
    browser.RebuildChannelTree(false);
    if (GetParam().fromCache) {
        browser.SaveChannelTreeCache();
        browser.RebuildChannelTree(true);
    }
    ResetCounter resets;
    browser.tree().addObserver(&resets);
    for (int round = 0; round < 150; ++round) {
        const int writes = 1 + static_cast<int>(random_() % 3);
        for (int i = 0; i < writes; ++i) write(browser);
        browser.applyPendingChanges();
        ASSERT_EQ(treeState(browser.tree()), rebuiltState()) << "after round " << round;
    }
    // The patch did the work, not the fallback rebuild.
    EXPECT_LT(resets.resets, 15);
    browser.tree().removeObserver(&resets);
}

INSTANTIATE_TEST_SUITE_P(Modes, TreePatchTest,
                         testing::Values(PatchCase{0, 0, 0, false}, PatchCase{1, 1, 0, true},
                                         PatchCase{5, 1, 0, false}, PatchCase{6, 0, 2, false},
                                         PatchCase{4, 1, 1, true}));

// Removals where another channel still needs the node, from a tree of
// channels given as name and class 1 under B电视台.
class TreePatchRemovalTest : public testing::Test {
protected:
    void build(std::initializer_list<std::pair<const char*, const char*>> channels) {
        store_ = ChannelStore::create(dir_ / ChannelStore::kFileName, SettingsRow{});
        for (const auto& [name, class1] : channels) {
            ChannelRecord record;
            record.class0 = "B电视台";
            record.class1 = class1;
            record.name = name;
            record.scrambledUrl = "x";
            store_->insertChannel(record, 1, "2026.12");
        }
        // Enough other channels that a patch is cheaper than a rebuild.
        for (int i = 0; i < 40; ++i) {
            ChannelRecord record;
            record.class0 = "H精选网址";
            record.name = "网址" + std::to_string(i);
            record.scrambledUrl = "x";
            store_->insertChannel(record, 1, "2026.12");
        }
        browser_ = std::make_unique<ChannelBrowser>(*store_, dir_.path(), ui_, yield_);
        browser_->RebuildChannelTree(false);
        browser_->tree().addObserver(&resets_);
    }
    void TearDown() override {
        if (browser_) browser_->tree().removeObserver(&resets_);
    }
    void remove(const char* name) {
        browser_->noteChannelChanging(name);
        store_->deleteChannel(name);
        browser_->applyPendingChanges();
    }
    std::string outline() { return treeState(browser_->tree()); }
    std::string rebuilt() {
        ChannelBrowser fresh(*store_, dir_.path(), ui_, yield_);
        fresh.RebuildChannelTree(false);
        return treeState(fresh.tree());
    }

    test::TempDir dir_;
    std::unique_ptr<ChannelStore> store_;
    test::FakeUi ui_;
    YieldHook yield_;
    std::unique_ptr<ChannelBrowser> browser_;
    ResetCounter resets_;
};

TEST_F(TreePatchRemovalTest, AClassNodeThatIsAlsoALeafStaysWhenItsChildrenGo) {
    build({{"新闻", ""}, {"CCTV-13", "新闻"}, {"BBC", "综合"}});
    remove("CCTV-13");
    EXPECT_EQ(resets_.resets, 0);
    EXPECT_EQ(outline(), rebuilt());
    EXPECT_NE(outline().find("\t\t新闻\n"), std::string::npos);
}

TEST_F(TreePatchRemovalTest, IrregularNamesMakeRemovalsRebuild) {
    // " CCTV" still needs the leaf "CCTV" after "CCTV" goes.
    build({{"CCTV", ""}, {" CCTV", ""}, {"BBC", ""}});
    remove("CCTV");
    EXPECT_EQ(resets_.resets, 1);
    EXPECT_EQ(outline(), rebuilt());
}
