#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kw {

class PasswordDialog;

// The application title; message boxes without a caption of their own carry it.
inline constexpr std::string_view kAppTitle = "鹰波视听 (Kestrel Wave)";

// The purposes of the child-lock password dialog (its Tag).
enum class PasswordPurpose {
    UnlockOrPlay = 0,    // play of a locked channel, unlock command
    LoosenLock = 1,      // options OK when the lock is loosened
    OldPassword = 2,     // password change, first step
    NewPassword = 3,     // password change, second step
    RepeatPassword = 4,  // password change, third step
};

struct FileDialogRequest {
    std::string title;
    std::string filter;            // e.g. "快捷频道集文件 (*.scs)|*.scs"
    std::string defaultExtension;  // without the dot; may be empty
    std::string initialFolder;
    // A save dialog asks before it replaces an existing file.
    bool askBeforeReplacing = true;
};

// Everything the core asks of the person in front of the program. The Qt
// windows implement it with message boxes and dialogs, kwave answers from its
// flags, and tests script it. Texts are UTF-8.
class UiPort {
public:
    virtual ~UiPort() = default;

    // An information box; the caption defaults to the application title.
    virtual void ShowMessage(std::string_view text, std::string_view caption = kAppTitle) = 0;
    // An information box with a details part the user may open (a long list
    // behind a short text); where there is no such part, the details follow the text.
    virtual void ShowMessageWithDetails(std::string_view text, std::string_view details,
                                        std::string_view caption = kAppTitle) {
        ShowMessage(
            details.empty() ? std::string(text) : std::string(text) + "\r\n\r\n" + std::string(details),
            caption);
    }
    // An error box with the error's text (database, file and settings errors).
    virtual void ShowError(std::string_view text) = 0;
    // A Yes/No question; true for Yes.
    virtual bool AskYesNo(std::string_view caption, std::string_view text) = 0;
    // An input box; nullopt for Cancel.
    virtual std::optional<std::string> InputBox(std::string_view caption, std::string_view prompt,
                                                std::string_view initial) = 0;
    // Save and open dialogs; nullopt for Cancel.
    virtual std::optional<std::string> ChooseSaveFile(const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> ChooseOpenFile(const FileDialogRequest& request) = 0;
    // The child-lock password dialog for `purpose` (the same as dialog.purpose()).
    // The dialog object holds the rules: the front end shows dialog.prompt(),
    // hands every OK to dialog.setEntry() and dialog.ok(), and on false shows
    // dialog.errorText() with the emptied entry and keeps asking. Returns the
    // accepted, trimmed entry, or nullopt for Cancel.
    virtual std::optional<std::string> AskPassword(PasswordPurpose purpose, PasswordDialog& dialog) = 0;
    // Shows the advertisement window (it restarts when already shown).
    virtual void ShowAdvertisement() = 0;
    // Progress of a long command (batch add): one line of text and the share
    // done in percent, a few times a second while it runs. EndProgress()
    // takes the display away when the command ends, however it ends.
    virtual void ShowProgress(std::string_view /*text*/, int /*percent*/) {}
    virtual void EndProgress() {}
    // The command being shown may be stopped: the display offers a cancel.
    virtual void OfferProgressCancel() {}
    // Whether the user asked the command being shown to stop (its cancel, or
    // an exit while it runs). Cleared by EndProgress().
    virtual bool ProgressCancelled() { return false; }
};

}  // namespace kw
