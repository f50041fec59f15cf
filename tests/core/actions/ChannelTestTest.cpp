#include "core/actions/ChannelTest.h"

#include "support/FakeUi.h"
#include "support/StoreFixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kw {
namespace {

class ChannelTestTest : public test::StoreFixture {};

TEST_F(ChannelTestTest, ProbesTheUnscrambledAddressWithoutThePasswordAndShowsItsWord) {
    makeStore(0, "pw");
    addChannel("锁定台", "mms://x.example/live", {}, {}, true);
    test::FakeUi ui;
    std::string probed;
    ChannelTest(*store_, ui, [&](std::string_view, std::string_view address) {
        probed = address;
        return 2;
    }).actTestChannelExecute("锁定台");
    ChannelTest(*store_, ui).actTestChannelExecute("无此频道");

    EXPECT_EQ(probed, "mms://x.example/live");
    EXPECT_EQ(ui.messageTexts(), (std::vector<std::string>{"\" 锁定台 \" 频道的当前状态是: [流畅]",
                                                           "\" 无此频道 \" 频道的当前状态是: [可达]"}));
    EXPECT_TRUE(ui.passwordShowings.empty());
}

TEST_F(ChannelTestTest, UnscramblesUnderTheStoredNameAndNeverReadsTheSettingsRow) {
    makeStore(0);
    addChannel("CCTV-1综合", "http://tv.example/1.m3u8");
    execSql("update ChannelInfo set ci_URL=x'4142' where ci_GroupID=0");
    test::FakeUi ui;
    std::vector<std::string> probed;
    ChannelTest test(*store_, ui, [&](std::string_view, std::string_view address) {
        probed.emplace_back(address);
        return 1;
    });
    test.actTestChannelExecute("cctv-1综合");
    test.actTestChannelExecute("设置");
    EXPECT_EQ(probed, (std::vector<std::string>{"http://tv.example/1.m3u8", ""}));
    EXPECT_EQ(ui.messageTexts().front(), "\" cctv-1综合 \" 频道的当前状态是: [可达]");
}

}  // namespace
}  // namespace kw
