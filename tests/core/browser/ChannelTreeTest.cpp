#include "core/browser/ChannelTree.h"

#include "core/browser/TreeCollation.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

using namespace kw;

namespace {

std::vector<std::string> childTexts(const ChannelTree& tree, NodeId parent) {
    std::vector<std::string> texts;
    for (NodeId child : tree.children(parent)) texts.emplace_back(tree.text(child));
    return texts;
}

// Records the observer calls as short words, to check what a view would hear.
struct RecordingObserver : TreeObserver {
    std::vector<std::string> calls;
    void treeAboutToReset() override { calls.push_back("aboutToReset"); }
    void treeReset() override { calls.push_back("reset"); }
    void nodeAboutToBeAdded(NodeId, std::size_t row) override {
        calls.push_back("aboutToAdd@" + std::to_string(row));
    }
    void nodeAdded(NodeId) override { calls.push_back("added"); }
    void nodeAboutToBeRemoved(NodeId) override { calls.push_back("aboutToRemove"); }
    void nodeRemoved(NodeId, std::size_t row) override { calls.push_back("removed@" + std::to_string(row)); }
    void layoutAboutToChange() override { calls.push_back("aboutToLayout"); }
    void layoutChanged() override { calls.push_back("layout"); }
    void selectionChanged(NodeId) override { calls.push_back("selection"); }
};

}  // namespace

// The lookup must behave the same below and above the size at which a
// node's children get a hash index.
class FindOrAddChildTest : public testing::TestWithParam<int> {
protected:
    void SetUp() override {
        parent_ = tree_.appendChild(kNoNode, "root");
        for (int i = 0; i < GetParam(); ++i) tree_.appendChild(parent_, "filler" + std::to_string(i));
    }
    ChannelTree tree_;
    YieldHook yield_;
    NodeId parent_ = kNoNode;
};

TEST_P(FindOrAddChildTest, EmptyTextReturnsTheParentItself) {
    EXPECT_EQ(tree_.FindOrAddChild(parent_, "", yield_), parent_);
    EXPECT_EQ(tree_.childCount(parent_), static_cast<std::size_t>(GetParam()));
}

TEST_P(FindOrAddChildTest, ReturnsTheFirstChildWithTheSameBytesElseAddsALastChild) {
    const NodeId first = tree_.appendChild(parent_, "新闻");
    tree_.appendChild(parent_, "新闻");  // a duplicate, as a cache file may hold
    EXPECT_EQ(tree_.FindOrAddChild(parent_, "新闻", yield_), first);

    const NodeId upper = tree_.FindOrAddChild(parent_, "CCTV", yield_);
    const NodeId lower = tree_.FindOrAddChild(parent_, "cctv", yield_);
    EXPECT_NE(upper, lower);  // letter case counts
    EXPECT_EQ(tree_.row(lower), tree_.childCount(parent_) - 1);
    EXPECT_EQ(tree_.FindOrAddChild(parent_, "CCTV", yield_), upper);
    EXPECT_EQ(tree_.level(upper), 1u);
}

TEST_P(FindOrAddChildTest, AfterRemovingTheFirstOfTwoEqualChildrenFindsTheSecond) {
    const NodeId first = tree_.appendChild(parent_, "x");
    const NodeId second = tree_.appendChild(parent_, "x");
    EXPECT_EQ(tree_.FindOrAddChild(parent_, "x", yield_), first);
    tree_.removeNode(first);
    EXPECT_EQ(tree_.FindOrAddChild(parent_, "x", yield_), second);
}

INSTANTIATE_TEST_SUITE_P(SmallAndIndexedLists, FindOrAddChildTest, testing::Values(0, 3, 40, 300));

TEST(ChannelTree, FindCategoryNodeLooksOnlyAmongTheRootsChildren) {
    ChannelTree tree;
    const NodeId root = tree.appendChild(kNoNode, "root");
    const NodeId b = tree.appendChild(root, "B电视台");
    tree.appendChild(b, "A我的最爱");
    EXPECT_EQ(tree.FindCategoryNode("B电视台"), b);
    EXPECT_EQ(tree.FindCategoryNode("A我的最爱"), kNoNode);
    EXPECT_EQ(tree.FindCategoryNode("b电视台"), kNoNode);
    EXPECT_EQ(tree.FindCategoryNode(""), kNoNode);
}

TEST(ChannelTree, TreeOrderVisitsEveryLevelAndPreviousIsTheNodeJustAbove) {
    ChannelTree tree;
    const NodeId root = tree.appendChild(kNoNode, "root");
    const NodeId a = tree.appendChild(root, "a");
    const NodeId a1 = tree.appendChild(a, "a1");
    const NodeId a1x = tree.appendChild(a1, "a1x");
    const NodeId b = tree.appendChild(root, "b");
    const NodeId second = tree.appendChild(kNoNode, "second top");

    std::vector<NodeId> order;
    for (NodeId n = tree.nextInTreeOrder(kNoNode); n != kNoNode; n = tree.nextInTreeOrder(n))
        order.push_back(n);
    EXPECT_EQ(order, (std::vector<NodeId>{root, a, a1, a1x, b, second}));
    EXPECT_EQ(tree.lastInTreeOrder(), second);

    EXPECT_EQ(tree.previousInTreeOrder(b), a1x);  // the previous sibling's last descendant
    EXPECT_EQ(tree.previousInTreeOrder(a1), a);   // the parent
    EXPECT_EQ(tree.previousInTreeOrder(second), b);
    EXPECT_EQ(tree.previousInTreeOrder(root), kNoNode);
}

TEST(ChannelTree, RemovingABranchRenumbersSiblingsAndClearsASelectionInside) {
    ChannelTree tree;
    const NodeId root = tree.appendChild(kNoNode, "root");
    const NodeId a = tree.appendChild(root, "a");
    const NodeId inner = tree.appendChild(a, "inner");
    const NodeId b = tree.appendChild(root, "b");
    tree.select(inner);
    tree.removeNode(a);
    EXPECT_FALSE(tree.contains(a));
    EXPECT_FALSE(tree.contains(inner));
    EXPECT_EQ(tree.selected(), kNoNode);
    EXPECT_EQ(tree.row(b), 0u);
    EXPECT_EQ(tree.nodeCount(), 2u);
    EXPECT_EQ(childTexts(tree, root), std::vector<std::string>{"b"});
}

TEST(ChannelTree, ObserversHearOneResetForABuildAndSingleChangesOtherwise) {
    ChannelTree tree;
    RecordingObserver observer;
    tree.addObserver(&observer);
    {
        ChannelTree::ResetScope reset(tree);
        const NodeId root = tree.appendChild(kNoNode, "root");
        tree.appendChild(root, "b");
        tree.select(root);
    }
    EXPECT_EQ(observer.calls, (std::vector<std::string>{"aboutToReset", "reset"}));

    observer.calls.clear();
    const auto generation = tree.generation();
    YieldHook yield;
    const NodeId added = tree.FindOrAddChild(tree.root(), "a", yield);
    TreeCollation collation;
    tree.sortChildren(collation, yield);
    tree.removeNode(added);
    EXPECT_EQ(observer.calls, (std::vector<std::string>{"aboutToAdd@1", "added", "aboutToLayout", "layout",
                                                        "aboutToRemove", "removed@0"}));
    EXPECT_GT(tree.generation(), generation);
}

TEST(ChannelTree, SortOrdersEveryLevelAndKeepsEqualTextsInTheirOrder) {
    ChannelTree tree;
    YieldHook yield;
    TreeCollation collation;
    const NodeId root = tree.appendChild(kNoNode, "root");
    const NodeId firstX = tree.appendChild(root, "x");
    const NodeId c = tree.appendChild(root, "c");
    const NodeId secondX = tree.appendChild(root, "x");
    tree.appendChild(c, "z");
    tree.appendChild(c, "y");
    tree.sortChildren(collation, yield);
    EXPECT_EQ(childTexts(tree, root), (std::vector<std::string>{"c", "x", "x"}));
    EXPECT_EQ(tree.child(root, 1), firstX);
    EXPECT_EQ(tree.child(root, 2), secondX);
    EXPECT_EQ(childTexts(tree, c), (std::vector<std::string>{"y", "z"}));
    EXPECT_EQ(tree.row(firstX), 1u);
}

TEST(ChannelTree, AFewChildrenAddedToASortedListLandWhereAFullSortPutsThem) {
    ChannelTree patched;
    ChannelTree fresh;
    YieldHook yield;
    TreeCollation collation;
    const NodeId patchedRoot = patched.appendChild(kNoNode, "root");
    const NodeId freshRoot = fresh.appendChild(kNoNode, "root");
    std::vector<std::string> texts;
    for (int i = 0; i < 200; ++i) texts.push_back((i % 2 ? "频道" : "Ch") + std::to_string(i * 7919 % 1000));
    for (const std::string& text : texts) patched.appendChild(patchedRoot, text);
    patched.sortChildren(collation, yield);
    for (const char* text : {"Ch500", "频道1", "aa", "Ch500"}) {
        patched.appendChild(patchedRoot, text);  // sorted in by insertion
        texts.emplace_back(text);
    }
    patched.sortChildren(collation, yield);
    for (const std::string& text : texts) fresh.appendChild(freshRoot, text);
    fresh.sortChildren(collation, yield);
    EXPECT_EQ(childTexts(patched, patchedRoot), childTexts(fresh, freshRoot));
}

namespace {

// A tree large enough that a sort inside a reset shares its lists with a
// second thread: one long list with Latin, Han, repeated and pinned texts,
// and many short ones.
void fillLargeTree(ChannelTree& tree) {
    const NodeId root = tree.appendChild(kNoNode, "root");
    const NodeId wide = tree.appendChild(root, "wide");
    for (int i = 0; i < 30'000; ++i) {
        const int n = i * 7919 % 30'000;
        tree.appendChild(wide, (n % 3 == 0 ? "频道" : n % 3 == 1 ? "Ch" : "ch") + std::to_string(n % 9'000));
    }
    tree.appendChild(wide, "Favourites");
    for (int list = 0; list < 300; ++list) {
        const NodeId parent = tree.appendChild(root, "类" + std::to_string(list * 31 % 300));
        for (int i = 0; i < 40; ++i) tree.appendChild(parent, std::to_string((list + i * 13) % 40) + "台");
    }
}

std::vector<NodeId> treeOrder(const ChannelTree& tree) {
    std::vector<NodeId> order;
    for (NodeId node = tree.nextInTreeOrder(kNoNode); node != kNoNode; node = tree.nextInTreeOrder(node))
        order.push_back(node);
    return order;
}

}  // namespace

TEST(ChannelTree, ALargeSortInsideAResetEqualsTheOneThreadSortAndYieldsOnTheCallingThread) {
    TreeCollation collation("Favourites");
    ChannelTree alone;
    ChannelTree shared;
    fillLargeTree(alone);
    fillLargeTree(shared);
    YieldHook quiet;
    alone.sortChildren(collation, quiet);

    const auto caller = std::this_thread::get_id();
    int yields = 0;
    int yieldsElsewhere = 0;
    YieldHook yield(
        [&] {
            ++yields;
            if (std::this_thread::get_id() != caller) ++yieldsElsewhere;
        },
        std::chrono::nanoseconds(0));
    {
        ChannelTree::ResetScope reset(shared);
        shared.sortChildren(collation, yield);
    }
    // Both trees were filled alike, so equal ids in tree order mean equal
    // texts, order and stability among equal texts.
    const std::vector<NodeId> order = treeOrder(shared);
    EXPECT_EQ(order, treeOrder(alone));
    for (NodeId node : order) ASSERT_EQ(shared.child(shared.parent(node), shared.row(node)), node);
    EXPECT_EQ(shared.text(shared.child(shared.child(shared.root(), 0), 0)), "Favourites");
    EXPECT_GT(yields, 0);
    EXPECT_EQ(yieldsElsewhere, 0);
}

TEST(ChannelTree, ABuildSortedInsideAResetStillFindsItsChildren) {
    ChannelTree tree;
    YieldHook yield;
    TreeCollation collation;
    NodeId first = kNoNode;
    {
        ChannelTree::ResetScope reset(tree);
        const NodeId root = tree.appendChild(kNoNode, "root");
        for (int i = 0; i < 100; ++i) tree.FindOrAddChild(root, "n" + std::to_string(i), yield);
        first = tree.appendChild(root, "twice");
        tree.appendChild(root, "twice");
        tree.sortChildren(collation, yield);
    }
    const NodeId root = tree.root();
    const std::size_t count = tree.childCount(root);
    EXPECT_EQ(tree.text(tree.FindOrAddChild(root, "n57", yield)), "n57");
    EXPECT_EQ(tree.FindOrAddChild(root, "twice", yield), first);
    EXPECT_EQ(tree.childCount(root), count);
}
