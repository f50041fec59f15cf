#include "core/browser/TreeCache.h"

#include "core/base/Error.h"
#include "core/base/TextCodec.h"
#include "core/browser/ChannelTree.h"
#include "support/ExpectError.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

using namespace kw;

namespace {

std::string parsedOutline(std::string_view bytes) {
    ChannelTree tree;
    YieldHook yield;
    parseTreeCache(bytes, tree, yield);
    return formatTreeOutline(tree);
}

std::string readFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class TreeCacheFileTest : public testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("kw-treecache-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        const NodeId root = tree_.appendChild(kNoNode, "鹰波视听 (Kestrel Wave)");
        tree_.appendChild(tree_.appendChild(root, "A我的最爱"), "凤凰卫视");
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::filesystem::path dir_;
    ChannelTree tree_;
    YieldHook yield_;
};

}  // namespace

TEST(TreeCache, WritesOneGbkLineWithATabPerLevelAndCrLfPerNode) {
    ChannelTree tree;
    YieldHook yield;
    const NodeId root = tree.appendChild(kNoNode, "root");
    const NodeId favourites = tree.appendChild(root, "A我的最爱");
    tree.appendChild(favourites, "x");
    tree.appendChild(root, "B");
    EXPECT_EQ(formatTreeCache(tree, yield),
              "root\r\n\tA\xCE\xD2\xB5\xC4\xD7\xEE\xB0\xAE\r\n\t\tx\r\n\tB\r\n");
}

TEST(TreeCache, ALineBreakInsideATextCannotSplitItsLine) {
    ChannelTree tree;
    YieldHook yield;
    tree.appendChild(tree.appendChild(kNoNode, "root"), "a\r\nb");
    EXPECT_EQ(formatTreeCache(tree, yield), "root\r\n\ta  b\r\n");
}

TEST(TreeCache, RoundTripKeepsEveryByte) {
    const std::string cache = text::toGbk(
        "鹰波视听 (Kestrel Wave)\r\n\tA我的最爱\r\n\t\tB电视台\r\n\t\t\t新闻\r\n\t\t\t\t凤凰资讯 HD\r\n"
        "\tB电视台\r\n\t\t综合\r\n\t\t\tcctv\r\n\t\t\tCCTV\r\n\t\t\tCCTV\r\n\tFlash精品\r\n\t\t😀 €\r\n"
        "second top\r\n");
    ChannelTree tree;
    YieldHook yield;
    parseTreeCache(cache, tree, yield);
    EXPECT_EQ(formatTreeCache(tree, yield), cache);
}

TEST(TreeCache, SplitsLinesAtCrLfCrOrLfAndSkipsLinesWithoutText) {
    EXPECT_EQ(parsedOutline("root\r\n\ta\r\tb\n\t\tc\n\r\n\t \t\r\n\td"), "root\n\ta\n\tb\n\t\tc\n\td\n");
}

TEST(TreeCache, ALowerLevelReturnsToTheAncestorsLevelAndLevelZeroStartsANewTop) {
    EXPECT_EQ(parsedOutline("r\n\ta\n\t\tb\n\t\t\tc\n\td\nr2\n\te\n"),
              "r\n\ta\n\t\tb\n\t\t\tc\n\td\nr2\n\te\n");
}

TEST(TreeCache, LeadingSpacesCountAsLevelsAndAreNotPartOfTheText) {
    EXPECT_EQ(parsedOutline("r\n a\n\t b  \n"), "r\n\ta\n\t\tb  \n");
}

TEST(TreeCache, InvalidBytesBecomeReplacementCharactersAndLeaveTheLinesIntact) {
    EXPECT_EQ(parsedOutline("r\r\n\tbad\xFF\r\n\tlead\xD6\r\n\tok\r\n"),
              "r\n\tbad\xEF\xBF\xBD\n\tlead\xEF\xBF\xBD\n\tok\n");
}

struct MalformedCase {
    const char* name;
    std::string bytes;
    std::string error;
};

const std::string kLineTooLong = "Invalid tree cache: a line is longer than 65536 bytes";

class MalformedCacheTest : public testing::TestWithParam<MalformedCase> {};

TEST_P(MalformedCacheTest, StopsWithTheLevelAndTextOfTheOffendingLine) {
    ChannelTree tree;
    YieldHook yield;
    try {
        parseTreeCache(GetParam().bytes, tree, yield);
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()), GetParam().error);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Levels, MalformedCacheTest,
    testing::Values(
        MalformedCase{"TwoLevelsDeeper", "root\r\n\t\tdeep\r\n", "Invalid level (2) for item \"deep\""},
        MalformedCase{"IndentedFirstLineIsTopLevel", "\troot\r\n\t\tchild\r\n",
                      "Invalid level (2) for item \"child\""},
        MalformedCase{"SpaceMakesItDeeper", "root\r\n\ta\r\n \t\tb\r\n", "Invalid level (3) for item \"b\""},
        MalformedCase{"ChineseTextIsShownDecoded", "r\r\n\t\t\t" + text::toGbk("频道"),
                      "Invalid level (3) for item \"频道\""},
        MalformedCase{"OverlongLastLine", "root\r\n" + std::string(65537, 'x'), kLineTooLong},
        MalformedCase{"OverlongLineInTheMiddle", "root\r\n\t" + std::string(65537, 'x') + "\r\n\tb\r\n",
                      kLineTooLong}),
    [](const testing::TestParamInfo<MalformedCase>& param) { return std::string(param.param.name); });

TEST_F(TreeCacheFileTest, SaveReplacesTheFileWholeAndLeavesNoTemporaryFile) {
    const auto file = dir_ / "ChannelTree.tre";
    std::ofstream(file, std::ios::binary) << std::string(10000, 'x');
    saveTreeCache(tree_, file, yield_);
    EXPECT_EQ(readFile(file), formatTreeCache(tree_, yield_));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), std::filesystem::directory_iterator()),
              1);

    ChannelTree loaded;
    loadTreeCache(loaded, file, yield_);
    EXPECT_EQ(formatTreeOutline(loaded), formatTreeOutline(tree_));
}

TEST_F(TreeCacheFileTest, ATreeHoldingALineBreakKeepsNoCacheSoTheNextStartReadsTheDatabase) {
    const auto file = dir_ / "ChannelTree.tre";
    saveTreeCache(tree_, file, yield_);
    ASSERT_TRUE(std::filesystem::exists(file));
    tree_.appendChild(tree_.nextInTreeOrder(kNoNode), "A\nB");
    saveTreeCache(tree_, file, yield_);
    EXPECT_FALSE(std::filesystem::exists(file)) << "an older cache would lack the channel";
}

TEST_F(TreeCacheFileTest, ARefusedWriteNamesThePathAndLeavesNothingBehind) {
    const auto file = dir_ / "ChannelTree.tre";
    std::filesystem::create_directory(file);  // the rename over it must fail
    try {
        saveTreeCache(tree_, file, yield_);
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write to " + file.string());
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), std::filesystem::directory_iterator()),
              1);

    const auto missingFolder = dir_ / "gone" / "ChannelTree.tre";
    EXPECT_ERROR("Unable to write to ", saveTreeCache(tree_, missingFolder, yield_));
}

TEST_F(TreeCacheFileTest, AnUnreadableCacheIsAnError) {
    const auto file = dir_ / "ChannelTree.tre";
    std::filesystem::create_directory(file);
    try {
        loadTreeCache(tree_, file, yield_);
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()), "Unable to read " + file.string());
    }
}

namespace {

// The file is read in pieces, so lines cross the pieces' borders.
TEST_F(TreeCacheFileTest, PiecewiseLoadAgreesWithWholeParseAndRefusesAnOverlongLine) {
    const auto file = dir_ / "ChannelTree.tre";
    std::string bytes = "root\r";
    for (int i = 0; bytes.size() < 300000; ++i) bytes += "\n\tnode " + std::to_string(i) + "\r";
    std::ofstream(file, std::ios::binary) << bytes;
    loadTreeCache(tree_, file, yield_);
    EXPECT_EQ(formatTreeOutline(tree_), parsedOutline(bytes));

    std::ofstream(file, std::ios::binary) << "root\r\n\t" << std::string(1 << 22, 'x');
    try {
        loadTreeCache(tree_, file, yield_);
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()), kLineTooLong);
    }

    // A bad level found while placing stops the reading, however far ahead it is.
    std::string deep = "root\r\n\t\tdeep\r\n";
    while (deep.size() < (1 << 22)) deep += "\tnode\r\n";
    std::ofstream(file, std::ios::binary) << deep;
    try {
        loadTreeCache(tree_, file, yield_);
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()), "Invalid level (2) for item \"deep\"");
    }
}

}  // namespace

// The start reads the cache on a thread while the windows are built; what it
// hands over must be what a read on the spot gives, errors included.
TEST_F(TreeCacheFileTest, ReadAheadHandsOverTheSameTreeOrTheSameError) {
    EXPECT_EQ(TreeCachePreload::start(dir_ / "none.tre"), nullptr);

    const auto file = dir_ / "ChannelTree.tre";
    saveTreeCache(tree_, file, yield_);
    ChannelTree taken;
    taken.appendChild(kNoNode, "replaced");
    const std::uint64_t generation = taken.generation();
    TreeCachePreload::start(file)->takeInto(taken, yield_);
    EXPECT_EQ(formatTreeOutline(taken), formatTreeOutline(tree_));
    EXPECT_NE(taken.generation(), generation);

    std::ofstream(file, std::ios::binary) << "root\r\n\t\t\tdeep\r\n";
    const auto damaged = TreeCachePreload::start(file);
    try {
        damaged->takeInto(taken, yield_);
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()), "Invalid level (3) for item \"deep\"");
    }
}
