#pragma once

#include "core/actions/LockMode.h"
#include "core/ports/UiPort.h"

#include <optional>
#include <string>
#include <string_view>

namespace kw {

class ChannelStore;
struct SettingsRow;

// The child lock: the lock mode and password held for the run, the password
// dialog's uses, and the settings-row writes.
class ChildLock {
public:
    ChildLock(ChannelStore& store, UiPort& ui, std::string computerKey);

    // Start-up: lock mode and password from the settings row.
    void load();
    // The same from a settings row already read.
    void load(const SettingsRow& row);

    LockMode lockMode() const { return lockMode_; }
    const std::string& password() const { return password_; }
    const std::string& key() const { return computerKey_; }

    // Whether playing or unlocking a locked channel asks for the password.
    bool asksPassword() const { return lockMode_ != LockMode::ShowWithoutAsking; }

    // Shows the password dialog (purpose 0 or 1); true when the current
    // password was entered, false on Cancel.
    bool askPassword(PasswordPurpose purpose);

    // Options OK, child-lock part: `chosenRadio` is the mode of the selected
    // radio, or nullopt when none is. A loosening asks for the password (purpose 1) and
    // keeps the old mode on Cancel; then the settings row is written in every
    // case. Returns the lock mode now in force.
    LockMode confirmLockMode(std::optional<LockMode> chosenRadio);

    enum class PasswordChange { Cancelled, Mismatch, Changed };
    // The set-password button: old password (2), new (3), again (4). A
    // changed password holds in memory at once; storeSettings() stores it.
    PasswordChange changePassword();

    // Writes lock mode and scrambled password into the settings row.
    void storeSettings();

    // Locks (target 1) or unlocks (target 0) one channel. Unlocking asks for
    // the password unless the mode is 2. Returns false when the dialog was
    // cancelled and nothing was written; the caller refreshes the details.
    bool setChannelLocked(std::string_view name, int target);

    static constexpr std::string_view kPasswordMismatch =
        "出错! 要求您两次输入的新密码必须相同。\r\r设置或修改童锁密码失败，请重试!";
    static constexpr std::string_view kPasswordChanged =
        "祝贺您，设置或修改童锁密码成功!\r\r请您妥善保存新的童锁密码。";

private:
    std::optional<std::string> ask(PasswordPurpose purpose);

    ChannelStore& store_;
    UiPort& ui_;
    std::string computerKey_;
    LockMode lockMode_ = LockMode::ShowAndAsk;
    std::string password_;
};

}  // namespace kw
