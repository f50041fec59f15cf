#include "core/ports/PasswordDialog.h"

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
    EXPECT_EQ(dialog.entry(), c.entryAfter);
    EXPECT_EQ(dialog.errorText(), c.accepted ? "" : PasswordDialog::kWrongPassword);
}

INSTANTIATE_TEST_SUITE_P(
    Purposes, PasswordDialogOk,
    ::testing::Values(OkCase{PasswordPurpose::UnlockOrPlay, "Secret", " \tSecret \r\n", true, "Secret"},
                      OkCase{PasswordPurpose::UnlockOrPlay, "Secret", "secret", false, ""},
                      OkCase{PasswordPurpose::UnlockOrPlay, "a b", "a  b", false, ""},
                      OkCase{PasswordPurpose::LoosenLock, "", "", true, ""},
                      OkCase{PasswordPurpose::LoosenLock, "", "x", false, ""},
                      OkCase{PasswordPurpose::OldPassword, "童锁", "  童锁", true, "童锁"},
                      OkCase{PasswordPurpose::NewPassword, "Secret", "  new pw ", true, "new pw"},
                      OkCase{PasswordPurpose::RepeatPassword, "Secret", "", true, ""}));

TEST(PasswordDialog, ErrorGoesWithTheFirstCharacterAndAnEditUndoesAcceptance) {
    PasswordDialog dialog(PasswordPurpose::UnlockOrPlay, "pw");
    dialog.setEntry("wrong");
    ASSERT_FALSE(dialog.ok());
    dialog.entryChanged("");
    EXPECT_EQ(dialog.errorText(), PasswordDialog::kWrongPassword);
    dialog.entryChanged("p");
    EXPECT_EQ(dialog.errorText(), "");

    dialog.setEntry("pw");
    ASSERT_TRUE(dialog.ok());
    dialog.entryChanged("pw2");
    EXPECT_FALSE(dialog.accepted());
}

}  // namespace
}  // namespace kw
