#pragma once

#include "core/ports/UiPort.h"

#include <optional>
#include <string>
#include <string_view>

namespace kw {

class ChannelStore;
struct SettingsRow;

// The child lock: the lock mode and password held for the run, the password
// dialog's uses, and the settings-row writes. Lock modes: 0 shows locked
// channels and asks for the password, 1 hides them and asks, 2 shows them and
// never asks. Other stored values are kept as they are: they ask like 0.
class ChildLock {
public:
    ChildLock(ChannelStore& store, UiPort& ui, std::string computerKey);

    // Start-up: lock mode and password from the settings row.
    void load();
    // The same from a settings row already read.
    void load(const SettingsRow& row);

    int lockMode() const { return lockMode_; }
    const std::string& password() const { return password_; }
    const std::string& key() const { return computerKey_; }

    // Whether playing or unlocking a locked channel asks for the password.
    bool asksPassword() const { return lockMode_ != 2; }

    // Shows the password dialog (purpose 0 or 1); true when the current
    // password was entered, false on Cancel.
    bool askPassword(PasswordPurpose purpose);

    // Going from hidden to shown (1 to 0) or from asking to not asking (any
    // mode but 2 to 2) loosens the lock and needs the password.
    static constexpr bool isLoosening(int fromMode, int toMode) {
        return (toMode == 0 && fromMode == 1) || (toMode == 2 && fromMode != 2);
    }

    // Which of the three mode radios the options page selects for a stored
    // mode: 0 to 2 their own, 3 none, any other value the third.
    static constexpr std::optional<int> radioForMode(int mode) {
        if (mode >= 0 && mode <= 2) return mode;
        if (mode == 3) return std::nullopt;
        return 2;
    }

    // Options OK, child-lock part: `chosenRadio` is the selected radio, or
    // nullopt when none is. A loosening asks for the password (purpose 1) and
    // keeps the old mode on Cancel; then the settings row is written in every
    // case. Returns the lock mode now in force.
    int confirmLockMode(std::optional<int> chosenRadio);

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
    int lockMode_ = 0;
    std::string password_;
};

}  // namespace kw
