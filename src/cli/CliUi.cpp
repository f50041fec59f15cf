#include "cli/CliUi.h"

#include "core/ports/PasswordDialog.h"

#include <unistd.h>
#include <filesystem>
#include <ostream>

namespace kw::cli {

void CliUi::ShowMessage(std::string_view text, std::string_view /*caption*/) {
    (messagesAreRefusals_ ? err_ : out_) << text << '\n';
}

void CliUi::ShowError(std::string_view text) {
    err_ << text << '\n';
    ++errors_;
}

bool CliUi::AskYesNo(std::string_view caption, std::string_view text) {
    if (!answerYes_) err_ << caption << ": " << text << "\n(answered No; give --yes to answer Yes)\n";
    return answerYes_;
}

std::optional<std::string> CliUi::InputBox(std::string_view, std::string_view, std::string_view) {
    return std::nullopt;
}

std::optional<std::string> CliUi::ChooseSaveFile(const FileDialogRequest& request) {
    // As the save dialog does, a name without an extension gets the default one.
    if (!file_ || request.defaultExtension.empty() || std::filesystem::path(*file_).has_extension())
        return file_;
    return *file_ + "." + request.defaultExtension;
}

std::optional<std::string> CliUi::ChooseOpenFile(const FileDialogRequest&) { return file_; }

std::optional<std::string> CliUi::AskPassword(PasswordPurpose /*purpose*/, PasswordDialog& dialog) {
    dialog.show();
    if (!password_) {
        err_ << dialog.prompt() << "\n(give --password to enter it)\n";
        passwordRefused_ = true;
        return std::nullopt;
    }
    dialog.entryChanged(*password_);
    if (dialog.ok()) return dialog.entry();
    // One entry only: a wrong one ends the command with the dialog's error text.
    err_ << dialog.errorText() << '\n';
    passwordRefused_ = true;
    return std::nullopt;
}

void CliUi::ShowProgress(std::string_view text, int /*percent*/) {
    if (::isatty(STDERR_FILENO) == 0) return;
    err_ << '\r' << text << std::flush;
    progressShown_ = true;
}

void CliUi::EndProgress() {
    if (progressShown_) err_ << '\n';
    progressShown_ = false;
}

}  // namespace kw::cli
