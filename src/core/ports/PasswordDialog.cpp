#include "core/ports/PasswordDialog.h"

#include "core/base/TextCodec.h"

#include <utility>

namespace kw {

PasswordDialog::PasswordDialog(PasswordPurpose purpose, std::string currentPassword)
    : purpose_(purpose), currentPassword_(std::move(currentPassword)) {}

std::string_view PasswordDialog::promptFor(PasswordPurpose purpose) {
    switch (purpose) {
        case PasswordPurpose::UnlockOrPlay:
            return "    "
                   "您欲操作(播放或解锁)的频道必须输入正确的解锁密码后，方可操作。\r\n\r\n请输入童锁密码:";
        case PasswordPurpose::LoosenLock:
            return "    您欲将童锁功能设置选项由 \"严格\"更改为\"宽松\"，必须输入正确的解锁密码后方可生效。"
                   "\r\n\r\n请输入童锁密码:";
        case PasswordPurpose::OldPassword:
            return "    设置或修改童锁密码\r\n\r\n\r\n请输入 旧 童锁密码:";
        case PasswordPurpose::NewPassword:
            return "    设置或修改童锁密码\r\n\r\n\r\n请输入 新 童锁密码:";
        case PasswordPurpose::RepeatPassword:
            return "    设置或修改童锁密码\r\n\r\n\r\n请 再次输入 新童锁密码:";
    }
    return {};
}

void PasswordDialog::show() {
    entry_.clear();
    error_.clear();
    accepted_ = false;
}

void PasswordDialog::entryChanged(std::string_view entry) {
    entry_ = entry;
    accepted_ = false;
    if (!entry_.empty()) error_.clear();
}

bool PasswordDialog::ok() {
    error_.clear();
    entry_ = std::string(text::trimBlanks(entry_));
    switch (purpose_) {
        case PasswordPurpose::NewPassword:
        case PasswordPurpose::RepeatPassword:
            accepted_ = true;
            return true;
        case PasswordPurpose::UnlockOrPlay:
        case PasswordPurpose::LoosenLock:
        case PasswordPurpose::OldPassword:
            break;
    }
    accepted_ = entry_ == currentPassword_;
    if (accepted_) return true;
    error_ = kWrongPassword;
    entry_.clear();
    return false;
}

}  // namespace kw
