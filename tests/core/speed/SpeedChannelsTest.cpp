#include "core/speed/SpeedChannels.h"

#include "core/base/Error.h"

#include "support/ExpectError.h"
#include "support/FakeUi.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace kw {
namespace {

struct AssignCase {
    std::string label;
    std::map<int, std::string> before;
    int slot;
    std::string channel;
    std::vector<bool> answers;
    // The captions asked, with the slot number each names.
    std::vector<std::pair<std::string_view, int>> asked;
    bool assigned;
    friend void PrintTo(const AssignCase& c, std::ostream* os) { *os << c.label; }
};

class SlotAssign : public ::testing::TestWithParam<AssignCase> {};

TEST_P(SlotAssign, AsksAboutTheFirstConflictInSlotOrder) {
    const AssignCase& c = GetParam();
    SpeedChannels slots;
    for (const auto& [slot, name] : c.before) slots.setName(slot, name);
    test::FakeUi ui;
    ui.yesNoAnswers.assign(c.answers.begin(), c.answers.end());

    EXPECT_EQ(slots.assign(c.slot, c.channel, ui), c.assigned);

    ASSERT_EQ(ui.questions.size(), c.asked.size());
    for (std::size_t i = 0; i < c.asked.size(); ++i) {
        const auto [caption, number] = c.asked[i];
        EXPECT_EQ(ui.questions[i].caption, caption);
        const std::string expected = caption == SpeedChannels::kReplaceCaption
                                         ? SpeedChannels::replaceQuestion(number, c.before.at(number))
                                         : SpeedChannels::duplicateQuestion(c.channel, number);
        EXPECT_EQ(ui.questions[i].text, expected);
    }
    const std::string expectedName =
        c.assigned ? c.channel : (c.before.contains(c.slot) ? c.before.at(c.slot) : "");
    EXPECT_EQ(slots.name(c.slot), expectedName);
    EXPECT_EQ(slots.dirty(), c.assigned);
    EXPECT_EQ(slots.pressedSlot(), 0);
}

constexpr auto kReplace = SpeedChannels::kReplaceCaption;
constexpr auto kDuplicate = SpeedChannels::kDuplicateCaption;

INSTANTIATE_TEST_SUITE_P(
    Walks, SlotAssign,
    ::testing::Values(AssignCase{"EmptySlotNewChannel", {}, 4, "CCTV-1", {}, {}, true},
                      AssignCase{"ReplaceYes", {{4, "Old"}}, 4, "New", {true}, {{kReplace, 4}}, true},
                      AssignCase{"ReplaceNo", {{4, "Old"}}, 4, "New", {false}, {{kReplace, 4}}, false},
                      AssignCase{
                          "SameSlotAsksDuplicate", {{4, "Same"}}, 4, "Same", {true}, {{kDuplicate, 4}}, true},
                      AssignCase{"DuplicateNo", {{2, "Ch"}}, 9, "Ch", {false}, {{kDuplicate, 2}}, false},
                      AssignCase{"LowerDuplicateHidesReplace",
                                 {{3, "Ch"}, {5, "Other"}},
                                 5,
                                 "Ch",
                                 {true},
                                 {{kDuplicate, 3}},
                                 true},
                      AssignCase{"ReplaceBeforeHigherDuplicate",
                                 {{5, "Other"}, {9, "Ch"}},
                                 5,
                                 "Ch",
                                 {true},
                                 {{kReplace, 5}},
                                 true},
                      AssignCase{"LetterCaseDiffers", {{2, "abc"}}, 7, "ABC", {}, {}, true}),
    [](const auto& testInfo) { return testInfo.param.label; });

TEST(SpeedChannels, QuestionTextsNameSlotAndChannel) {
    EXPECT_EQ(
        SpeedChannels::replaceQuestion(12, "老频道"),
        "您的目标快捷频道 12 已经设置为 \"老频道\"\r\n\r\n\r\n\r\n    选择 “是”   进行重新指定；\r\n\r\n"
        "    选择 “否”   取消指定。");
    EXPECT_EQ(
        SpeedChannels::duplicateQuestion("新闻台", 3),
        "您选择的 “新闻台” 频道已经指定到 “快捷频道 3”\r\n\r\n\r\n\r\n    选择 “是”   进行重复指定；\r\n\r\n"
        "    选择 “否”   取消指定。");
}

TEST(SpeedChannels, ClickTogglesWithinTheGroupAndEmptySlotsReleaseAll) {
    SpeedChannels slots;
    slots.setName(1, "A");
    slots.setName(2, "B");
    EXPECT_TRUE(slots.click(1));
    EXPECT_TRUE(slots.click(2));
    EXPECT_FALSE(slots.pressed(1));
    EXPECT_FALSE(slots.click(2)) << "clicking the pressed slot releases it and plays nothing";
    EXPECT_EQ(slots.pressedSlot(), 0);
    EXPECT_TRUE(slots.click(2)) << "clicking it again plays";
    EXPECT_FALSE(slots.click(3));
    EXPECT_EQ(slots.pressedSlot(), 0) << "an empty slot releases every slot";
}

TEST(SpeedChannels, RefusedPlayReleasesTheSlot) {
    SpeedChannels slots;
    slots.setName(6, "Locked");
    ASSERT_TRUE(slots.click(6));
    slots.playRefused(6);
    EXPECT_EQ(slots.pressedSlot(), 0);
}

TEST(SpeedChannels, PlayMarksTheFirstSlotHoldingExactlyThatName) {
    SpeedChannels slots;
    slots.setName(3, "Radio");
    slots.setName(8, "Radio");
    slots.setName(10, "TV");
    slots.click(10);
    slots.markPlayed("Radio");
    EXPECT_EQ(slots.pressedSlot(), 3);
    slots.markPlayed("radio");
    EXPECT_EQ(slots.pressedSlot(), 0);
    slots.markPlayed("");
    EXPECT_EQ(slots.pressedSlot(), 0) << "an empty name never presses an empty slot";
}

TEST(SpeedChannels, HoverShowsTheChannelOrTheEmptyHint) {
    SpeedChannels slots;
    slots.setName(22, "末位");
    EXPECT_EQ(slots.hoverText(22), "末位");
    EXPECT_EQ(slots.hoverText(1), "[空]快捷频道");
    EXPECT_ERROR("Speed-channel slot 23 is not 1 to 22", slots.hoverText(23));
    EXPECT_ERROR("Speed-channel slot 0 is not 1 to 22", slots.click(0));
}

}  // namespace
}  // namespace kw
