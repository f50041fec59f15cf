#include "core/session/UserMessages.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

struct MessageCase {
    std::string engineText;
    std::string meaningStart;  // empty: the text stays as it is
    friend void PrintTo(const MessageCase& c, std::ostream* out) { *out << c.engineText; }
};

class ExplainForUser : public ::testing::TestWithParam<MessageCase> {};

TEST_P(ExplainForUser, PutsTheMeaningInFrontAndKeepsTheEngineText) {
    const MessageCase& c = GetParam();
    const std::string shown = kw::explainForUser(c.engineText);
    if (c.meaningStart.empty()) {
        EXPECT_EQ(shown, c.engineText);
        return;
    }
    EXPECT_TRUE(shown.starts_with(c.meaningStart)) << shown;
    EXPECT_TRUE(shown.ends_with("\r\n\r\n" + c.engineText)) << shown;
    // Shown again (an error passed on twice) it gets no second sentence.
    EXPECT_EQ(kw::explainForUser(shown), shown);
}

INSTANTIATE_TEST_SUITE_P(
    EngineTexts, ExplainForUser,
    ::testing::Values(MessageCase{"file is not a database", "频道数据文件已损坏，或者"},
                      MessageCase{"Cannot open Kestrelwave.mdb: database disk image is malformed",
                                  "频道数据文件已损坏。"},
                      MessageCase{"Cannot load the picture \"Skins/UI0.jpg\": Unable to read image data",
                                  "无法载入皮肤图片"},
                      MessageCase{"Database Is Locked", "频道数据正被另一个程序使用"},
                      MessageCase{"该频道已存在。", ""}, MessageCase{"", ""}));

}  // namespace
