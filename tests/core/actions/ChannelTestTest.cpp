#include "core/actions/ChannelTest.h"

#include "support/FakeUi.h"
#include "support/StoreFixture.h"

#include <gtest/gtest.h>

#include <string>

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

}  // namespace
}  // namespace kw
