#include "core/actions/ChildLock.h"

#include "core/base/ScrambleText.h"
#include "core/ports/PasswordDialog.h"
#include "core/store/ChannelStore.h"

#include <utility>

namespace kw {

ChildLock::ChildLock(ChannelStore& store, UiPort& ui, std::string computerKey)
    : store_(store), ui_(ui), computerKey_(std::move(computerKey)) {}

void ChildLock::load() { load(store_.readSettingsRow()); }

void ChildLock::load(const SettingsRow& row) {
    lockMode_ = lockModeFromStored(row.locked);
    password_ = row.scrambledType.empty() ? std::string() : unscrambleText(row.scrambledType, computerKey_);
}

std::optional<std::string> ChildLock::ask(PasswordPurpose purpose) {
    PasswordDialog dialog(purpose, password_);
    dialog.show();
    // The dialog object, not the front end's answer, decides: only an entry
    // that ok() accepted counts.
    if (!ui_.AskPassword(purpose, dialog) || !dialog.accepted()) return std::nullopt;
    return dialog.entry();
}

bool ChildLock::askPassword(PasswordPurpose purpose) { return ask(purpose).has_value(); }

LockMode ChildLock::confirmLockMode(std::optional<LockMode> chosenRadio) {
    const LockMode chosen = chosenRadio.value_or(lockMode_);
    if (!isLoosening(lockMode_, chosen) || askPassword(PasswordPurpose::LoosenLock)) lockMode_ = chosen;
    storeSettings();
    return lockMode_;
}

ChildLock::PasswordChange ChildLock::changePassword() {
    if (!ask(PasswordPurpose::OldPassword)) return PasswordChange::Cancelled;
    const std::optional<std::string> first = ask(PasswordPurpose::NewPassword);
    if (!first) return PasswordChange::Cancelled;
    const std::optional<std::string> second = ask(PasswordPurpose::RepeatPassword);
    if (!second) return PasswordChange::Cancelled;
    if (*first != *second) {
        ui_.ShowMessage(kPasswordMismatch);
        return PasswordChange::Mismatch;
    }
    password_ = *first;
    ui_.ShowMessage(kPasswordChanged);
    return PasswordChange::Changed;
}

void ChildLock::storeSettings() {
    store_.writeSettingsRow(storedLockMode(lockMode_), scrambleText(password_, computerKey_));
}

bool ChildLock::setChannelLocked(std::string_view name, int target) {
    if (target == 0 && asksPassword() && !askPassword(PasswordPurpose::UnlockOrPlay)) return false;
    store_.setLocked(name, target);
    return true;
}

}  // namespace kw
