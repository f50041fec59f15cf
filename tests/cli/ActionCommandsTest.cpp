#include "core/actions/ComputerKey.h"
#include "core/base/ScrambleText.h"
#include "core/base/TextCodec.h"
#include "core/session/Installation.h"
#include "core/settings/SettingsFile.h"
#include "core/store/ChannelStore.h"
#include "support/Kwave.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace kw;
using test::runKwave;

namespace {

constexpr const char* kChannel = "CCTV-2财经";

// An installation made the way `kwave init` makes it.
class ActionCommandsTest : public testing::Test {
protected:
    void SetUp() override {
        dir_ = temp_ / "program";
        createInstallation(dir_, KW_DATA_DIR, false);
    }

    std::unique_ptr<ChannelStore> store() { return ChannelStore::open(dir_ / ChannelStore::kFileName); }
    std::string line(const std::string& text, int number) {
        std::size_t start = 0;
        for (int i = 1; i < number; ++i) start = text.find('\n', start) + 1;
        return text.substr(start, text.find('\n', start) - start);
    }

    test::TempDir temp_;
    std::filesystem::path dir_;
};

class PlayLockedTest : public ActionCommandsTest, public testing::WithParamInterface<int> {};

TEST_P(PlayLockedTest, PrintsTheAddressOnlyWithTheRightPasswordUnlessModeTwo) {
    const int mode = GetParam();
    std::string address;
    {
        auto db = store();
        db->writeSettingsRow(mode, scrambleText("Secret", computerKey()));
        db->setLocked(kChannel, 1);
        address = unscrambleText(db->readStoredUrl(kChannel), kChannel);
    }
    const SettingsFile settings(dir_);
    if (mode != 2) {
        auto run = runKwave(dir_, {"play", kChannel, "--print"});
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find("请输入童锁密码:\n(give --password to enter it)"), std::string::npos)
            << run.err;

        run = runKwave(dir_, {"play", kChannel, "--print", "--password", "secret"});
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, "密码有误，请注意字母大小写!\n");
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(settings.lastPlayChannelName(), "");
    }
    // Under mode 1 the channel is not in the tree; it is played by name.
    const auto run = runKwave(dir_, {"play", kChannel, "--print", "--password", "Secret"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, address + "\n");
    EXPECT_EQ(settings.lastPlayChannelName(), kChannel);
}

INSTANTIATE_TEST_SUITE_P(Modes, PlayLockedTest, testing::Values(0, 1, 2));

TEST_F(ActionCommandsTest, SpeedAssignGoesToTheScratchSetWhichBecomesTheSetInUse) {
    auto run = runKwave(dir_, {"speed", "assign", "9", kChannel});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(SettingsFile(dir_).scs(), dir_ / "SCS" / "Temp.scs");
    run = runKwave(dir_, {"speed", "show"});
    EXPECT_EQ(line(run.out, 1), "1 CCTV-1综合");
    EXPECT_EQ(line(run.out, 9), std::string("9 ") + kChannel);
    EXPECT_EQ(line(run.out, 22), "22");

    // Slot 1 holds another channel: without --yes the replace question is answered No.
    run = runKwave(dir_, {"speed", "assign", "1", kChannel});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("是否重新设置快捷频道"), std::string::npos);
    EXPECT_EQ(line(runKwave(dir_, {"speed", "show"}).out, 1), "1 CCTV-1综合");
    EXPECT_EQ(runKwave(dir_, {"speed", "assign", "1", kChannel, "--yes"}).status, 0);
    EXPECT_EQ(line(runKwave(dir_, {"speed", "show"}).out, 1), std::string("1 ") + kChannel);
}

TEST_F(ActionCommandsTest, SpeedSaveAndLoadRecordTheSetInUse) {
    const auto saved = temp_ / "mine";  // the save dialog adds the extension
    EXPECT_EQ(runKwave(dir_, {"speed", "save", saved.string()}).status, 0);
    EXPECT_EQ(SettingsFile(dir_).scs(), temp_ / "mine.scs");
    test::writeBytes(temp_ / "other.scs", text::toGbk("[SpeedChannel]\r\n3=凤凰卫视\r\n"));
    EXPECT_EQ(runKwave(dir_, {"speed", "load", (temp_ / "other.scs").string()}).status, 0);
    EXPECT_EQ(SettingsFile(dir_).scs(), temp_ / "other.scs");
    const auto run = runKwave(dir_, {"speed", "show"});
    EXPECT_EQ(line(run.out, 1), "1");
    EXPECT_EQ(line(run.out, 3), "3 凤凰卫视");
    EXPECT_EQ(runKwave(dir_, {"speed", "load", (temp_ / "none.scs").string()}).status, 1);
    EXPECT_EQ(SettingsFile(dir_).scs(), temp_ / "other.scs");
}

TEST_F(ActionCommandsTest, DeleteNeedsYesAndANameInTheTree) {
    auto run = runKwave(dir_, {"delete", kChannel});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("确认删除: 请确认：删除后将不可恢复，真的要删除下列频道吗？\r\n\r\nCCTV-2财经\n"),
              std::string::npos);
    EXPECT_EQ(store()->countChannelsByName(kChannel), 1);

    EXPECT_EQ(runKwave(dir_, {"delete", kChannel, "--yes"}).status, 0);
    EXPECT_EQ(store()->countChannelsByName(kChannel), 0);
    run = runKwave(dir_, {"delete", kChannel, "--yes"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "No channel named \"CCTV-2财经\" in the channel tree\n");
}

TEST_F(ActionCommandsTest, FavoriteRateAndLockWriteTheRowThroughTheTree) {
    auto run = runKwave(dir_, {"favorite", kChannel, "on"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, std::string(kChannel) + "\n");
    EXPECT_EQ(runKwave(dir_, {"rate", kChannel, "5"}).status, 0);
    EXPECT_EQ(runKwave(dir_, {"rate", kChannel, "6"}).status, 2);
    EXPECT_EQ(runKwave(dir_, {"lock", kChannel, "on"}).status, 0);
    // No password has been set, so any other entry is refused.
    EXPECT_EQ(runKwave(dir_, {"lock", kChannel, "off", "--password", "x"}).status, 1);
    const ChannelDetails row = store()->readChannelDetails(kChannel);
    EXPECT_EQ(row.favorited, 1);
    EXPECT_EQ(row.rating, 5);
    EXPECT_EQ(row.locked, 1);
    EXPECT_EQ(runKwave(dir_, {"test", kChannel}).out, "\" CCTV-2财经 \" 频道的当前状态是: [可达]\n");
}

}  // namespace
