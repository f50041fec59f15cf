#include "core/actions/ComputerKey.h"
#include "core/base/ScrambleText.h"
#include "core/base/TextCodec.h"
#include "core/session/Installation.h"
#include "core/settings/SettingsFile.h"
#include "core/store/ChannelStore.h"
#include "support/Kwave.h"
#include "support/LocalStreamServer.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <optional>

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

    void setAddress(const std::string& name, const std::string& url, const std::string& link = {}) {
        auto db = store();
        auto channel = db->readChannelForEdit(name);
        channel.record.scrambledUrl = scrambleText(url, name);
        channel.record.link = link;
        db->updateChannelById(channel.id, channel.record);
    }

    test::TempDir temp_;
    std::filesystem::path dir_;
};

struct RefusedCase {
    std::string command;
    std::string url;
    std::string link;
};

class RefusedPreviewTest : public ActionCommandsTest, public testing::WithParamInterface<RefusedCase> {};

TEST_P(RefusedPreviewTest, PrintsNothingAndFailsAsARealOpenWould) {
    setAddress(kChannel, GetParam().url, GetParam().link);
    const auto run = runKwave(dir_, {GetParam().command, kChannel, "--print"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.out.starts_with("很抱歉，播放频道出错了!")) << run.out;
    for (const std::string& target : {GetParam().url, GetParam().link})
        EXPECT_TRUE(target.empty() || run.out.find(target) == std::string::npos) << target;
    EXPECT_EQ(SettingsFile(dir_).lastPlayChannelName(), "");
}

INSTANTIATE_TEST_SUITE_P(Targets, RefusedPreviewTest,
                         testing::Values(RefusedCase{"play", "/x/evil.desktop/", ""},
                                         RefusedCase{"play", "file:///usr/bin/id/", ""},
                                         RefusedCase{"play", "smb://host/share/evil.desktop", ""},
                                         RefusedCase{"play", "http://x/a\nb", ""},
                                         RefusedCase{"link", "mms://x/", "smb://host/share/evil.desktop"},
                                         RefusedCase{"link", "mms://x/", "file:///usr/bin/id/."}));

TEST_F(ActionCommandsTest, TheSettingsRowCannotBePlayedByItsName) {
    const std::string name = store()->readSettingsRow().name;
    ASSERT_FALSE(name.empty());
    const auto run = runKwave(dir_, {"play", name, "--print"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "No channel named \"" + name + "\" in the channel tree\n");
}

// Stand-ins for the desktop's opener and every known player, found first on PATH.
class PlayHandOffTest : public ActionCommandsTest {
protected:
    void SetUp() override {
        ActionCommandsTest::SetUp();
        bin_ = temp_ / "bin";
        std::filesystem::create_directory(bin_);
        for (const char* variable : kVariables) {
            const char* value = std::getenv(variable);
            saved_.push_back(value ? std::optional<std::string>(value) : std::nullopt);
        }
        setenv("PATH", (bin_.string() + ":" + *saved_.front()).c_str(), 1);
        // Playlists under the test's folder, and a desktop with no associations of its own.
        for (const char* variable :
             {"XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CONFIG_DIRS", "XDG_DATA_DIRS"})
            setenv(variable, temp_.path().c_str(), 1);
        for (const char* player : {"mpv", "vlc", "celluloid", "totem", "smplayer", "audacious"})
            // The address comes last, after any window option.
            script(player, "for last; do :; done\necho \"$last\" >> '" + (temp_ / "players").string() +
                               "'\nexit 1\n");
    }
    void TearDown() override {
        for (std::size_t i = 0; i < kVariables.size(); ++i)
            saved_[i] ? setenv(kVariables[i], saved_[i]->c_str(), 1) : unsetenv(kVariables[i]);
    }

    void script(const std::string& name, const std::string& body) {
        const auto file = bin_ / name;
        test::writeBytes(file, "#!/bin/sh\n" + body);
        std::filesystem::permissions(file, std::filesystem::perms::owner_all);
    }
    bool waitFor(const std::filesystem::path& file) {
        for (int i = 0; i < 100 && !std::filesystem::exists(file); ++i) ::usleep(100'000);
        return std::filesystem::exists(file);
    }

    static constexpr std::array kVariables{"PATH",          "XDG_RUNTIME_DIR", "XDG_CONFIG_HOME",
                                           "XDG_DATA_HOME", "XDG_CONFIG_DIRS", "XDG_DATA_DIRS"};
    std::filesystem::path bin_;
    std::vector<std::optional<std::string>> saved_;
};

TEST_F(PlayHandOffTest, PlaylistIsStillThereWhenTheOpenerReadsItAfterKwaveHasEnded) {
    setAddress(kChannel, "http://127.0.0.1:9/tone.wav");
    const auto read = temp_ / "read";
    script("xdg-open", "(sleep 2; cat \"$1\" > '" + read.string() + ".part'; mv '" + read.string() +
                           ".part' '" + read.string() + "') >/dev/null 2>&1 &\nexit 0\n");
    const auto run = runKwave(dir_, {"play", kChannel});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_FALSE(std::filesystem::exists(read)) << "kwave has ended before the opener reads";
    ASSERT_TRUE(waitFor(read));
    EXPECT_EQ(test::readBytes(read), "#EXTM3U\nhttp://127.0.0.1:9/tone.wav\n");
    EXPECT_EQ(SettingsFile(dir_).lastPlayChannelName(), kChannel);
}

TEST_F(PlayHandOffTest, OpenerAndPlayersThatFailLateMakeAFailedPlay) {
    setAddress(kChannel, "mms://127.0.0.1:9/live");
    script("xdg-open", "sleep 0.5\nexit 3\n");
    const auto run = runKwave(dir_, {"play", kChannel});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("很抱歉，播放频道出错了!"), std::string::npos) << run.out;
    std::string everyPlayer;
    for (int i = 0; i < 6; ++i) everyPlayer += "mms://127.0.0.1:9/live\n";
    EXPECT_EQ(test::readBytes(temp_ / "players"), everyPlayer) << "each known player, with the address";
}

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
    EXPECT_EQ(settings.lastPlayChannelName(), "") << "a preview changes nothing";
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
    // The test probes the address; one nobody listens on is unknown.
    setAddress(kChannel, test::LocalStreamServer::refusedUrl());
    EXPECT_EQ(line(runKwave(dir_, {"test", kChannel}).out, 1), "\" CCTV-2财经 \" 频道的当前状态是: [未知]\r");
}

}  // namespace
