#include "core/speed/SpeedChannelSet.h"

#include "core/base/Error.h"
#include "core/base/TextCodec.h"
#include "core/settings/SettingsFile.h"
#include "core/speed/SpeedChannels.h"
#include "support/FakeUi.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace kw {
namespace {

namespace fs = std::filesystem;

class SpeedChannelSetTest : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directory(programDir_ / "SCS"); }

    test::TempDir dir_;
    const fs::path programDir_ = dir_.path();
    SpeedChannels slots_;
    test::FakeUi ui_;
};

TEST_F(SpeedChannelSetTest, NewFileHoldsTheSectionAndAllKeysInSlotOrderInGbk) {
    SettingsFile settings(programDir_);
    SpeedChannelSet set(slots_, settings, ui_);
    slots_.setName(1, "中央一台");
    slots_.setName(22, "Radio 22");
    const fs::path file = programDir_ / "SCS" / "mine.scs";
    set.SaveSpeedChannelSet(file);

    std::string expected = "[SpeedChannel]\r\n1=" + text::toGbk("中央一台") + "\r\n";
    for (int slot = 2; slot <= 21; ++slot) expected += std::to_string(slot) + "=\r\n";
    expected += "22=Radio 22\r\n";
    EXPECT_EQ(test::readBytes(file), expected);
    EXPECT_EQ(settings.scs(), file);
}

TEST_F(SpeedChannelSetTest, SavingIntoAnExistingFileReplacesValuesWhereTheyStand) {
    SettingsFile settings(programDir_);
    SpeedChannelSet set(slots_, settings, ui_);
    const fs::path file = programDir_ / "SCS" / "old.scs";
    test::writeBytes(file, "; my set\r\n[Other]\r\nx=1\r\n[SpeedChannel]\r\n2=Old\r\n1=Older\r\n");
    slots_.setName(1, "A");
    slots_.setName(2, "B");
    set.SaveSpeedChannelSet(file);

    const std::string bytes = test::readBytes(file);
    EXPECT_TRUE(bytes.starts_with("; my set\r\n[Other]\r\nx=1\r\n[SpeedChannel]\r\n2=B\r\n1=A\r\n3=\r\n"))
        << bytes;
    EXPECT_TRUE(bytes.ends_with("22=\r\n"));
}

TEST_F(SpeedChannelSetTest, LoadingFillsMissingKeysEmptyAndKeepsPressedAndDirty) {
    SettingsFile settings(programDir_);
    SpeedChannelSet set(slots_, settings, ui_);
    for (int slot = 1; slot <= 22; ++slot) slots_.setName(slot, "before");
    slots_.click(5);
    slots_.setDirty(true);
    const fs::path file = programDir_ / "SCS" / "partial.scs";
    test::writeBytes(file, "[speedchannel]\n3=" + text::toGbk("三台") + "\n5=Five\n");

    set.LoadSpeedChannelSet(file);

    EXPECT_EQ(slots_.name(3), "三台");
    EXPECT_EQ(slots_.name(5), "Five");
    for (int slot : {1, 2, 4, 6, 22}) EXPECT_EQ(slots_.name(slot), "") << slot;
    EXPECT_EQ(slots_.pressedSlot(), 5);
    EXPECT_TRUE(slots_.dirty());
    EXPECT_EQ(set.openHint(), "从 .scs 文件中载入快捷频道设置\r\r[partial.scs]");
    EXPECT_FALSE(fs::exists(settings.path())) << "loading records nothing itself";

    set.LoadSpeedChannelSet("");
    set.SaveSpeedChannelSet("");
    EXPECT_EQ(slots_.name(3), "三台") << "an empty path does nothing";
    EXPECT_FALSE(fs::exists(settings.path()));

    set.LoadSpeedChannelSet(programDir_ / "SCS" / "missing.scs");
    for (int slot = 1; slot <= 22; ++slot) EXPECT_EQ(slots_.name(slot), "");
}

TEST_F(SpeedChannelSetTest, SaveButtonSavesRecordsAndClearsDirtyCancelChangesNothing) {
    SettingsFile settings(programDir_);
    SpeedChannelSet set(slots_, settings, ui_);
    ASSERT_TRUE(slots_.assign(1, "台", ui_));
    ui_.saveFileAnswers = {std::nullopt, (programDir_ / "SCS" / "saved.scs").string()};

    set.SpeedChannelSaveClick();
    EXPECT_TRUE(slots_.dirty());
    EXPECT_FALSE(fs::exists(settings.path()));

    set.SpeedChannelSaveClick();
    EXPECT_FALSE(slots_.dirty());
    EXPECT_EQ(settings.scs(), programDir_ / "SCS" / "saved.scs");
    ASSERT_EQ(ui_.saveRequests.size(), 2u);
    const FileDialogRequest& request = ui_.saveRequests[0];
    EXPECT_EQ(request.title, "请输入快捷频道集文件名称");
    EXPECT_EQ(request.filter, "快捷频道集文件 (*.scs)|*.scs");
    EXPECT_EQ(request.defaultExtension, "scs");
    EXPECT_EQ(request.initialFolder, (programDir_ / "SCS").string());
}

TEST_F(SpeedChannelSetTest, OpenButtonLoadsAndRecordsTheFile) {
    SettingsFile settings(programDir_);
    SpeedChannelSet set(slots_, settings, ui_);
    const fs::path file = programDir_ / "SCS" / "friend.scs";
    test::writeBytes(file, "[SpeedChannel]\r\n1=Shared\r\n");
    ui_.openFileAnswers = {std::nullopt, file.string()};

    set.SpeedChannelOpenClick();
    EXPECT_EQ(slots_.name(1), "");
    set.SpeedChannelOpenClick();
    EXPECT_EQ(slots_.name(1), "Shared");
    EXPECT_EQ(settings.scs(), file);
    EXPECT_EQ(ui_.openRequests[0].title, "请选择快捷频道集文件");
    EXPECT_EQ(ui_.openRequests[0].initialFolder, (programDir_ / "SCS").string());
}

TEST_F(SpeedChannelSetTest, RefusedWriteKeepsTheRecordedSetAndTheDirtyFlag) {
    SettingsFile settings(programDir_);
    SpeedChannelSet set(slots_, settings, ui_);
    settings.setScs(programDir_ / "SCS" / "Default.scs");
    ASSERT_TRUE(slots_.assign(2, "台", ui_));
    const fs::path target = programDir_ / "no-such-folder" / "a.scs";
    ui_.saveFileAnswers = {target.string()};

    try {
        set.SpeedChannelSaveClick();
        FAIL() << "the write must be refused";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write to " + target.string());
    }
    EXPECT_TRUE(slots_.dirty());
    EXPECT_EQ(settings.scs(), programDir_ / "SCS" / "Default.scs");
}

TEST_F(SpeedChannelSetTest, ExitSavesOnlyChangedSlotsToTheScratchSetWhichTheNextStartLoads) {
    SettingsFile settings(programDir_);
    {
        SpeedChannels slots;
        SpeedChannelSet set(slots, settings, ui_);
        set.loadAtStartup();  // SCS/Default.scs, missing: all empty
        set.saveOnExit();
        EXPECT_FALSE(fs::exists(programDir_ / "SCS" / "Temp.scs"));
        EXPECT_FALSE(fs::exists(settings.path()));

        ASSERT_TRUE(slots.assign(3, "常听", ui_));
        set.saveOnExit();
    }
    SpeedChannels slots;
    SpeedChannelSet set(slots, settings, ui_);
    set.loadAtStartup();
    EXPECT_EQ(slots.name(3), "常听");
    EXPECT_EQ(set.openHint(), "从 .scs 文件中载入快捷频道设置\r\r[Temp.scs]");
}

}  // namespace
}  // namespace kw
