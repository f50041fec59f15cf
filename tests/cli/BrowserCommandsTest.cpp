#include "core/settings/SettingsFile.h"
#include "core/store/ChannelStore.h"
#include "support/Kwave.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace kw;
using test::runKwave;

namespace {

class BrowserCommandsTest : public testing::Test {
protected:
    void SetUp() override {
        dir_ = temp_ / "program";
        std::filesystem::create_directory(dir_);
        SettingsRow settings;
        settings.locked = 1;  // lock mode 1: locked channels stay out of the tree
        auto store = ChannelStore::create(dir_ / ChannelStore::kFileName, settings);
        add(*store, "CCTV-1", "B电视台", "综合", 1);
        add(*store, "cctv-5", "B电视台", "体育", 2);
        add(*store, "凤凰卫视", "B电视台", "综合", 1);
        add(*store, "秘密台", "H精选网址", "", 1);
        store->setLocked("秘密台", 1);
        store->setFavorited("凤凰卫视", 1);
        store->setRating("cctv-5", 1);
    }

    static void add(ChannelStore& store, const std::string& name, const std::string& class0,
                    const std::string& class1, int group) {
        ChannelRecord record;
        record.class0 = class0;
        record.class1 = class1;
        record.name = name;
        record.scrambledUrl = "x";
        record.memo = " [直播][全天] ";
        record.speed = "300";
        store.insertChannel(record, group, group == 2 ? "User" : "2026.12");
    }

    test::TempDir temp_;
    std::filesystem::path dir_;
};

}  // namespace

TEST_F(BrowserCommandsTest, TreePrintsEveryNodeIndentedByATabPerLevel) {
    const auto run = runKwave(dir_, {"tree"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "鹰波视听 (Kestrel "
              "Wave)\n\tA我的最爱\n\t\tB电视台\n\t\t\t综合\n\t\t\t\t凤凰卫视\n\tB电视台\n\t\t体育\n"
              "\t\t\tcctv-5\n\t\t综合\n\t\t\tCCTV-1\n\tC广播电台\n\tD在线电影\n\tE最新专题\n\tFlash精品\n"
              "\tG远程教育\n\tH精选网址\n");
}

TEST_F(BrowserCommandsTest, FilterAndModeComeFromTheOptionsElseFromTheSettingsFile) {
    const std::string filtered =
        "鹰波视听 (Kestrel Wave)\n\tA我的最爱\n\tB电视台\n\t\tcctv-5\n\tC广播电台\n\tD在线电影\n\tE最新专题\n"
        "\tFlash精品\n\tG远程教育\n\tH精选网址\n";
    EXPECT_EQ(runKwave(dir_, {"tree", "--filter", "1", "--mode", "5"}).out, filtered);
    SettingsFile settings(dir_);
    settings.setFilterChannelIndex(1);
    settings.setClassDisplayChannelIndex(5);
    EXPECT_EQ(runKwave(dir_, {"tree"}).out, filtered);
    EXPECT_EQ(runKwave(dir_, {"tree", "--filter", "6"}).status, 2);
    // One range for the display mode everywhere: kwave refuses what a stored value reads as 0.
    EXPECT_EQ(runKwave(dir_, {"tree", "--mode", "7"}).status, 2);
    settings.setClassDisplayChannelIndex(9);
    settings.setFilterChannelIndex(0);
    EXPECT_EQ(runKwave(dir_, {"tree"}).out, runKwave(dir_, {"tree", "--mode", "0"}).out);
}

TEST_F(BrowserCommandsTest, FindPrintsTheSelectedNodeOrTheMessageWithStatusOne) {
    auto run = runKwave(dir_, {"find", "CCTV"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "cctv-5\n");  // 体育 sorts before 综合

    run = runKwave(dir_, {"find", "CCTV", "--from", "cctv-5"});
    EXPECT_EQ(run.out, "CCTV-1\n");

    run = runKwave(dir_, {"find", "CCTV", "--from", "CCTV-1"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "未找到含有 \"CCTV\" 的频道。\n");

    run = runKwave(dir_, {"find", "秘密"});  // hidden by the lock
    EXPECT_EQ(run.status, 1);

    run = runKwave(dir_, {"find", "CCTV", "--from", "nowhere"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "No node named \"nowhere\" in the channel tree\n");
}

TEST_F(BrowserCommandsTest, DetailsPrintsTheMemoOfTheChannel) {
    auto run = runKwave(dir_, {"details", "凤凰卫视"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "[300KBit/S][直播][全天] [SYS 2026.12] [未锁]\n");
    run = runKwave(dir_, {"details", "综合"});
    EXPECT_EQ(run.out, "当前位于:  综合\r[ 请选择具体的频道 ]\n");
    EXPECT_EQ(runKwave(dir_, {"details", "cctv-5"}).out, "[300KBit/S][直播][全天] [USR] [未锁]\n");
}

TEST_F(BrowserCommandsTest, DetailsEscapesControlCharactersOfTheMemo) {
    {
        auto store = ChannelStore::open(dir_ / ChannelStore::kFileName);
        ChannelRecord record;
        record.class0 = "B电视台";
        record.name = "怪台";
        record.memo =
            "台\x1b]0;title\x07红\xC2\x9B"
            "2J";
        store->insertChannel(record, 2, "User");
    }
    EXPECT_EQ(runKwave(dir_, {"details", "怪台"}).out, "台\\x1b]0;title\\x07红\\x9b2J [USR] [未锁]\n");
}

TEST(BrowserCommandsOnInstallation, WorkOnAProgramDirectoryMadeByInit) {
    test::TempDir temp;
    const auto dir = temp / "installed";
    ASSERT_EQ(runKwave(temp.path(), {"init", dir.string()}).status, 0);
    {
        auto store = ChannelStore::open(dir / ChannelStore::kFileName);
        ChannelRecord record;
        record.class0 = "G远程教育";
        record.name = "测试专用频道";
        record.scrambledUrl = "x";
        record.memo = "测试";
        store->insertChannel(record, 2, "User");
    }
    const auto tree = runKwave(dir, {"tree", "--mode", "5"});
    EXPECT_EQ(tree.status, 0);
    EXPECT_EQ(tree.out.substr(0, tree.out.find('\n') + 1), "鹰波视听 (Kestrel Wave)\n");
    EXPECT_NE(tree.out.find("\n\t\t测试专用频道\n"), std::string::npos);
    EXPECT_EQ(runKwave(dir, {"find", "专用频道"}).out, "测试专用频道\n");
    EXPECT_EQ(runKwave(dir, {"details", "测试专用频道"}).out, "测试 [USR] [未锁]\n");
}

TEST_F(BrowserCommandsTest, CheckResultsSortTheListAndThinTheTree) {
    {
        auto store = ChannelStore::open(dir_ / ChannelStore::kFileName);
        for (const std::int64_t at : {100, 200})
            store->recordChecks({{"凤凰卫视", 0, "no-answer", at, -1, 0}});
        store->recordChecks({{"CCTV-1", 2, "smooth", 200, 10, 300}});
    }
    const struct {
        const char* status;
        const char* names;
    } cases[] = {{"dead", "凤凰卫视\n"}, {"alive", "CCTV-1\n"}, {"unchecked", "cctv-5\n秘密台\n"}};
    for (const auto& c : cases) {
        const auto run = runKwave(dir_, {"list", "--status", c.status});
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, c.names) << c.status;
    }
    EXPECT_EQ(runKwave(dir_, {"list", "--status", "broken"}).status, 2);

    EXPECT_NE(runKwave(dir_, {"tree"}).out.find("凤凰卫视"), std::string::npos);
    EXPECT_EQ(runKwave(dir_, {"tree", "--hide-dead"}).out.find("凤凰卫视"), std::string::npos);
    const auto details = runKwave(dir_, {"details", "凤凰卫视"});
    EXPECT_NE(details.out.find("[未知] 超时无应答（连续 2 次）"), std::string::npos) << details.out;
}
