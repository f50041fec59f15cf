#include "core/browser/ChannelPlacer.h"

#include "core/browser/TreeCache.h"
#include "core/browser/TreeCollation.h"
#include "core/store/ChannelStore.h"

#include <gtest/gtest.h>

#include <string>

using namespace kw;

namespace {

ChannelListing row(std::string class0, std::string class1, std::string class2, std::string class3,
                   std::string name, std::string vol = "2026.12", int favorited = 0, int locked = 0) {
    return ChannelListing{std::move(class0), std::move(class1), std::move(class2), std::move(class3),
                          std::move(name),   std::move(vol),    favorited,         locked};
}

// The outline of a tree built from rows and sorted, as a rebuild does,
// without the eight empty categories that are not the subject of these tests.
std::string build(std::initializer_list<ChannelListing> rows, int mode, int lockMode = 0) {
    ChannelTree tree;
    YieldHook yield;
    {
        ChannelTree::ResetScope reset(tree);
        tree.appendChild(kNoNode, "root");
        tree.appendChild(tree.root(), "A我的最爱");
        ChannelPlacer placer(tree, mode, {lockMode}, yield);
        for (const ChannelListing& listed : rows) placer.place(listed);
        placer.finish();
        tree.sortChildren(TreeCollation("A我的最爱"), yield);
    }
    return formatTreeOutline(tree);
}

struct ModeCase {
    int mode;
    const char* outline;
};

class DisplayModeTest : public testing::TestWithParam<ModeCase> {};

}  // namespace

TEST_P(DisplayModeTest, PlacesTheLeafAlongTheModesClassLevels) {
    const ChannelListing channel = row("B电视台", "新闻", "中国大陆", "普通话", "CCTV-13", "2026.12");
    EXPECT_EQ(build({channel}, GetParam().mode), GetParam().outline);
}

INSTANTIATE_TEST_SUITE_P(
    AllModes, DisplayModeTest,
    testing::Values(
        ModeCase{
            0, "root\n\tA我的最爱\n\tB电视台\n\t\t新闻\n\t\t\t中国大陆\n\t\t\t\t普通话\n\t\t\t\t\tCCTV-13\n"},
        ModeCase{
            1, "root\n\tA我的最爱\n\tB电视台\n\t\t中国大陆\n\t\t\t新闻\n\t\t\t\t普通话\n\t\t\t\t\tCCTV-13\n"},
        ModeCase{2, "root\n\tA我的最爱\n\tB电视台\n\t\t新闻\n\t\t\tCCTV-13\n"},
        ModeCase{3, "root\n\tA我的最爱\n\tB电视台\n\t\t中国大陆\n\t\t\tCCTV-13\n"},
        ModeCase{4, "root\n\tA我的最爱\n\tB电视台\n\t\t普通话\n\t\t\tCCTV-13\n"},
        ModeCase{5, "root\n\tA我的最爱\n\tB电视台\n\t\tCCTV-13\n"},
        ModeCase{6, "root\n\tA我的最爱\n\tB电视台\n\t\t2026.12\n\t\t\tCCTV-13\n"},
        ModeCase{7, "root\n\tA我的最爱\n\tB电视台\n\t\tCCTV-13\n"},
        ModeCase{-1, "root\n\tA我的最爱\n\tB电视台\n\t\tCCTV-13\n"}));

TEST(TreeBuilder, EmptyClassValuesAddNoLevel) {
    EXPECT_EQ(build({row("C广播电台", "", "欧美", "", "BBC"), row("C广播电台", " ", "\t", "", "VOA")}, 0),
              "root\n\tA我的最爱\n\tC广播电台\n\t\tVOA\n\t\t欧美\n\t\t\tBBC\n");
}

TEST(TreeBuilder, PathsWhoseValuesJoinToTheSameTextStayApart) {
    EXPECT_EQ(build({row("E最新专题", "ab", "c", "", "one"), row("E最新专题", "a", "bc", "", "two")}, 0),
              "root\n\tA我的最爱\n\tE最新专题\n\t\ta\n\t\t\tbc\n\t\t\t\ttwo\n\t\tab\n\t\t\tc\n\t\t\t\tone\n");
}

TEST(TreeBuilder, ALeafNamedLikeASiblingGetsNoNodeOfItsOwn) {
    // The channel named 综合 would be a child of B电视台 beside the class node 综合, in either order.
    const char* merged = "root\n\tA我的最爱\n\tB电视台\n\t\t综合\n\t\t\t其他\n";
    EXPECT_EQ(build({row("B电视台", "综合", "", "", "其他"), row("B电视台", "", "", "", "综合")}, 0), merged);
    EXPECT_EQ(build({row("B电视台", "", "", "", "综合"), row("B电视台", "综合", "", "", "其他")}, 0), merged);
    // Two names that are one after trimming make one leaf.
    EXPECT_EQ(build({row("B电视台", "", "", "", "CCTV"), row("B电视台", "", "", "", " CCTV ")}, 0),
              "root\n\tA我的最爱\n\tB电视台\n\t\tCCTV\n");
    // Below its own class node the same name is a new child, so it gets a leaf there.
    EXPECT_EQ(build({row("B电视台", "综合", "", "", "综合")}, 0),
              "root\n\tA我的最爱\n\tB电视台\n\t\t综合\n\t\t\t综合\n");
}

TEST(TreeBuilder, ClassValuesDifferingInLetterCaseMakeTwoSiblings) {
    EXPECT_EQ(build({row("D在线电影", "MTV", "", "", "one"), row("D在线电影", "mtv", "", "", "two")}, 2),
              "root\n\tA我的最爱\n\tD在线电影\n\t\tmtv\n\t\t\ttwo\n\t\tMTV\n\t\t\tone\n");
}

TEST(TreeBuilder, AFavouriteSitsUnderACopyOfItsCategoryInTheFavouritesBranchOnly) {
    EXPECT_EQ(
        build(
            {row("B电视台", "新闻", "", "", "凤凰资讯", "2026.12", 1), row("B电视台", "新闻", "", "", "CNN")},
            2),
        "root\n\tA我的最爱\n\t\tB电视台\n\t\t\t新闻\n\t\t\t\t凤凰资讯\n\tB电视台\n\t\t新闻\n\t\t\tCNN\n");
}

TEST(TreeBuilder, ValuesAreTrimmedOfBlanksAndControlCharacters) {
    EXPECT_EQ(build({row(" B电视台\t", "\x01新闻 ", "", "", "  CCTV-1\r\n")}, 2),
              "root\n\tA我的最爱\n\tB电视台\n\t\t新闻\n\t\t\tCCTV-1\n");
}

TEST(TreeBuilder, LockModeOneLeavesLockedChannelsOutAndTheOtherModesShowThem) {
    const auto rows = {row("H精选网址", "", "", "", "open"),
                       row("H精选网址", "", "", "", "locked", "v", 0, 1)};
    EXPECT_EQ(build(rows, 5, 1), "root\n\tA我的最爱\n\tH精选网址\n\t\topen\n");
    EXPECT_EQ(build(rows, 5, 0), "root\n\tA我的最爱\n\tH精选网址\n\t\tlocked\n\t\topen\n");
    EXPECT_EQ(build(rows, 5, 2), "root\n\tA我的最爱\n\tH精选网址\n\t\tlocked\n\t\topen\n");
}

TEST(TreeBuilder, ModeSixGroupsUserChannelsUnderUser) {
    EXPECT_EQ(
        build({row("G远程教育", "", "", "", "mine", "User"), row("G远程教育", "", "", "", "sys", "2026.12")},
              6),
        "root\n\tA我的最爱\n\tG远程教育\n\t\t2026.12\n\t\t\tsys\n\t\tUser\n\t\t\tmine\n");
}

TEST(TreeBuilder, PlacingIntoAnEmptyTreeCreatesTheRootAndFavouritesBranch) {
    ChannelTree tree;
    YieldHook yield;
    const NodeId leaf = PlaceChannel(tree, ChannelColumns{"B电视台", "", "", "", "", "x", 1}, 0, yield);
    EXPECT_EQ(formatTreeOutline(tree), "鹰波视听 (Kestrel Wave)\n\tA我的最爱\n\t\tB电视台\n\t\t\tx\n");
    EXPECT_TRUE(tree.IsChannelLeaf(leaf));
}
