#include "actions/PasswordDialog.h"

#include <gtest/gtest.h>

#include <string>

namespace kw {
namespace {

struct OkCase {
    PasswordPurpose purpose;
    std::string current;
    std::string typed;
    bool accepted;
    std::string entryAfter;
    friend void PrintTo(const OkCase& c, std::ostream* os) {
        *os << static_cast<int>(c.purpose) << " '" << c.typed << "'";
    }
};

class PasswordDialogOk : public ::testing::TestWithParam<OkCase> {};

TEST_P(PasswordDialogOk, TrimsAndComparesExactlyOnlyForTheFirstThreePurposes) {
    const OkCase& c = GetParam();
    PasswordDialog dialog(c.purpose, c.current);
    dialog.show();
    dialog.entryChanged(c.typed);
    EXPECT_EQ(dialog.ok(), c.accepted);
    EXPECT_EQ(dialog.accepted(), c.accepted);
    EXPECT_EQ(dialog.entry(), c.entryAfter);
    EXPECT_EQ(dialog.errorText(), c.accepted ? "" : PasswordDialog::kWrongPassword);
}

INSTANTIATE_TEST_SUITE_P(
    Purposes, PasswordDialogOk,
    ::testing::Values(OkCase{PasswordPurpose::UnlockOrPlay, "Secret", "Secret", true, "Secret"},
                      OkCase{PasswordPurpose::UnlockOrPlay, "Secret", " \tSecret \r\n", true, "Secret"},
                      OkCase{PasswordPurpose::UnlockOrPlay, "Secret", "secret", false, ""},
                      OkCase{PasswordPurpose::UnlockOrPlay, "a b", "a  b", false, ""},
                      OkCase{PasswordPurpose::LoosenLock, "", "", true, ""},
                      OkCase{PasswordPurpose::LoosenLock, "", "x", false, ""},
                      OkCase{PasswordPurpose::OldPassword, "童锁", "  童锁", true, "童锁"},
                      OkCase{PasswordPurpose::OldPassword, "Secret", "", false, ""},
                      OkCase{PasswordPurpose::NewPassword, "Secret", "  new pw ", true, "new pw"},
                      OkCase{PasswordPurpose::RepeatPassword, "Secret", "", true, ""}));

TEST(PasswordDialog, ErrorLabelStaysForAnEmptyEntryAndGoesWithTheFirstCharacter) {
    PasswordDialog dialog(PasswordPurpose::UnlockOrPlay, "pw");
    dialog.setEntry("wrong");
    ASSERT_FALSE(dialog.ok());
    dialog.entryChanged("");
    EXPECT_EQ(dialog.errorText(), PasswordDialog::kWrongPassword);
    dialog.entryChanged("p");
    EXPECT_EQ(dialog.errorText(), "");
}

TEST(PasswordDialog, ShowingAfreshClearsEntryErrorAndAcceptance) {
    PasswordDialog dialog(PasswordPurpose::UnlockOrPlay, "pw");
    dialog.setEntry("bad");
    dialog.ok();
    dialog.show();
    EXPECT_EQ(dialog.entry(), "");
    EXPECT_EQ(dialog.errorText(), "");

    dialog.setEntry("pw");
    ASSERT_TRUE(dialog.ok());
    dialog.entryChanged("pw2");
    EXPECT_FALSE(dialog.accepted()) << "an edit after OK must not count as accepted";
}

TEST(PasswordDialog, LooseningPromptQuotesBothWordsWithStraightQuotes) {
    EXPECT_EQ(PasswordDialog::promptFor(PasswordPurpose::LoosenLock),
              "    您欲将童锁功能设置选项由 \"严格\"更改为\"宽松\"，必须输入正确的解锁密码后方可生效。\r\n\r\n"
              "请输入童锁密码:");
    EXPECT_NE(PasswordDialog::promptFor(PasswordPurpose::NewPassword),
              PasswordDialog::promptFor(PasswordPurpose::RepeatPassword));
}

}  // namespace
}  // namespace kw
