#pragma once

#include "core/ports/UiPort.h"

#include <string>
#include <string_view>

namespace kw {

// The rules of the child-lock password dialog `frmPasswordDlg`, apart from its
// widgets. The window (and kwave) create one per showing, show prompt(), pass
// every edit to entryChanged() and every OK to setEntry() + ok(), and copy
// entry() and errorText() back onto the field and the error label.
class PasswordDialog {
public:
    static constexpr std::string_view kCaption = "童锁功能--密码输入";
    static constexpr std::string_view kWrongPassword = "密码有误，请注意字母大小写!";

    // `currentPassword` is what purposes 0 to 2 must match.
    PasswordDialog(PasswordPurpose purpose, std::string currentPassword);

    static std::string_view promptFor(PasswordPurpose purpose);

    PasswordPurpose purpose() const { return purpose_; }
    std::string_view prompt() const { return promptFor(purpose_); }
    const std::string& entry() const { return entry_; }
    const std::string& errorText() const { return error_; }
    // True once ok() has accepted the present entry; any later change undoes it.
    bool accepted() const { return accepted_; }

    // Showing: an empty field and no error.
    void show();
    // The field's change event: any non-empty entry clears the error.
    void entryChanged(std::string_view entry);
    // Sets the field's text before ok(), without the change rule.
    void setEntry(std::string_view entry) {
        entry_ = entry;
        accepted_ = false;
    }
    // OK pressed. Trims the entry (blanks and control characters at both
    // ends). Purposes 0 to 2 accept only the current password, compared
    // exactly; a wrong one sets the error text, empties the entry and returns
    // false, leaving the dialog open. Purposes 3 and 4 accept anything.
    bool ok();

private:
    PasswordPurpose purpose_;
    std::string currentPassword_;
    std::string entry_;
    std::string error_;
    bool accepted_ = false;
};

}  // namespace kw
