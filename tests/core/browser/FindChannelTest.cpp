#include "core/browser/FindChannel.h"

#include <gtest/gtest.h>

using namespace kw;

TEST(FindChannel, ContainmentUpperCasesOnlyAsciiLettersOnBothSides) {
    EXPECT_TRUE(containsIgnoringAsciiCase("CCTV-5 体育", "tv-5"));
    EXPECT_TRUE(containsIgnoringAsciiCase("凤凰卫视", "卫视"));
    EXPECT_FALSE(containsIgnoringAsciiCase("Ärger", "ä"));  // not an ASCII letter
    EXPECT_FALSE(containsIgnoringAsciiCase("新闻台", "新闻台1"));
}

namespace {

// root
//   A我的最爱
//     新闻台1
//   B电视台
//     新闻台10
//     综合 (a class node)
//       综合台
//   C空类
class FindTreeTest : public testing::Test {
protected:
    void SetUp() override {
        root_ = tree_.appendChild(kNoNode, "root");
        favourites_ = tree_.appendChild(root_, "A我的最爱");
        news1_ = tree_.appendChild(favourites_, "新闻台1");
        const NodeId tv = tree_.appendChild(root_, "B电视台");
        news10_ = tree_.appendChild(tv, "新闻台10");
        mixed_ = tree_.appendChild(tv, "综合");
        mixedLeaf_ = tree_.appendChild(mixed_, "综合台");
        empty_ = tree_.appendChild(root_, "C空类");
    }
    NodeId find(NodeId from, std::string_view text) { return findNextChannelNode(tree_, from, text, yield_); }

    ChannelTree tree_;
    YieldHook yield_;
    NodeId root_, favourites_, news1_, news10_, mixed_, mixedLeaf_, empty_;
};

}  // namespace

TEST_F(FindTreeTest, FindsTheNextChildlessMatchBelowTheSelectionNotTheSelectionItself) {
    EXPECT_EQ(find(favourites_, "新闻台1"), news1_);
    EXPECT_EQ(find(news1_, "新闻台1"), news10_);
    EXPECT_EQ(find(root_, "综合"), mixedLeaf_);  // the class node has children
}

TEST_F(FindTreeTest, NeverWrapsToTheTop) { EXPECT_EQ(find(news10_, "新闻"), kNoNode); }

TEST_F(FindTreeTest, FromTheLastNodeOrNoSelectionSearchesFromPositionOne) {
    EXPECT_EQ(find(empty_, "新闻"), news1_);
    EXPECT_EQ(find(kNoNode, "新闻"), news1_);
    EXPECT_EQ(find(empty_, "root"), kNoNode);  // the root itself is position 0
}

TEST_F(FindTreeTest, AnEmptyCategoryQualifiesLikeAChannel) { EXPECT_EQ(find(root_, "空类"), empty_); }
