#pragma once

#include "core/ports/UiPort.h"

#include <iosfwd>
#include <optional>
#include <string>

namespace kw::cli {

// kwave's Ui: messages are its output, errors go to the error stream, and
// questions and dialogs are answered from the command's flags (--yes,
// --password, the FILE of speed save/load) instead of a person.
class CliUi final : public UiPort {
public:
    CliUi(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}

    // Yes to every question when set; No otherwise (the command then stops as
    // a No would stop it in the window).
    void answerYes(bool yes) { answerYes_ = yes; }
    // The entry typed into the password dialog, once; no entry means Cancel.
    void answerPassword(std::optional<std::string> password) { password_ = std::move(password); }
    // The file a save or open dialog picks; none means Cancel.
    void answerFile(std::optional<std::string> file) { file_ = std::move(file); }

    // Messages go to the error stream while set: the commands that can only
    // show a message to refuse (the add and edit form) set it.
    void messagesAreRefusals(bool refusals) { messagesAreRefusals_ = refusals; }

    int errorsShown() const { return errors_; }
    // True when a password was asked for and not accepted (or not given).
    bool passwordRefused() const { return passwordRefused_; }

    void ShowMessage(std::string_view text, std::string_view caption = kAppTitle) override;
    void ShowError(std::string_view text) override;
    bool AskYesNo(std::string_view caption, std::string_view text) override;
    std::optional<std::string> InputBox(std::string_view caption, std::string_view prompt,
                                        std::string_view initial) override;
    std::optional<std::string> ChooseSaveFile(const FileDialogRequest& request) override;
    std::optional<std::string> ChooseOpenFile(const FileDialogRequest& request) override;
    std::optional<std::string> AskPassword(PasswordPurpose purpose, PasswordDialog& dialog) override;
    void ShowAdvertisement() override {}
    // Progress goes to the error stream, and only when that is a terminal.
    void ShowProgress(std::string_view text, int percent) override;
    void EndProgress() override;

private:
    std::ostream& out_;
    std::ostream& err_;
    bool answerYes_ = false;
    bool messagesAreRefusals_ = false;
    std::optional<std::string> password_;
    std::optional<std::string> file_;
    int errors_ = 0;
    bool passwordRefused_ = false;
    bool progressShown_ = false;
};

}  // namespace kw::cli
