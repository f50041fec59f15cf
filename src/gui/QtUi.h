#pragma once

#include "core/ports/UiPort.h"
#include "gui/QtText.h"

#include <QAction>
#include <QFont>
#include <QList>
#include <QPointer>
#include <QProgressDialog>
#include <QString>
#include <QWidget>

class QMessageBox;

#include <functional>

namespace kw {

class frmPasswordDlg;

// The Ui port on Qt's standard dialogs. Boxes are modal and owned by the given
// window (the main window), so they stay above it.
class QtUi : public UiPort {
public:
    explicit QtUi(QWidget* owner = nullptr) : owner_(owner) {}

    void setOwner(QWidget* owner) { owner_ = owner; }

    // While it lives, dialogs and the progress window stand over window (a
    // window of its own beside the owner, such as the radio directory), and
    // the keyboard goes back to that window after each dialog. Scopes nest.
    class OwnerScope {
    public:
        OwnerScope(QtUi& ui, QWidget* window);
        ~OwnerScope();
        OwnerScope(const OwnerScope&) = delete;
        OwnerScope& operator=(const OwnerScope&) = delete;

    private:
        QtUi& ui_;
        QPointer<QWidget> previousOwner_;
        std::function<void()> previousAfterDialog_;
    };
    // A window that stays above all others (the splash) is closed before any
    // message or dialog, which it would otherwise cover.
    void closeBeforeDialogs(QWidget* window) { covering_ = window; }
    void setPasswordDialog(frmPasswordDlg* dialog);
    // What showing the advertisement runs (the main window's advertisement command).
    void setAdvertisementHandler(std::function<void()> handler) { showAdvertisement_ = std::move(handler); }
    // What runs after each dialog closes (the main window takes the keyboard
    // focus back there).
    void setAfterDialog(std::function<void()> handler) { afterDialog_ = std::move(handler); }

    void ShowMessage(std::string_view text, std::string_view caption = kAppTitle) override;
    void ShowMessageWithDetails(std::string_view text, std::string_view details,
                                std::string_view caption = kAppTitle) override;
    void ShowError(std::string_view text) override;
    bool AskYesNo(std::string_view caption, std::string_view text) override;
    std::optional<std::string> InputBox(std::string_view caption, std::string_view prompt,
                                        std::string_view initial) override;
    std::optional<std::string> ChooseSaveFile(const FileDialogRequest& request) override;
    std::optional<std::string> ChooseOpenFile(const FileDialogRequest& request) override;
    std::optional<std::string> AskPassword(PasswordPurpose purpose, PasswordDialog& dialog) override;
    void ShowAdvertisement() override;
    // A small progress window over the owner while an import runs. It keeps
    // input from the other windows, so the import may let input through to
    // it (its cancel, and the actions given to setProgressActions()).
    void ShowProgress(std::string_view text, int percent) override;
    void EndProgress() override;
    void OfferProgressCancel() override;
    bool ProgressCancelled() override { return stopRequested_; }
    // Whether the progress window is up: input then reaches it alone.
    bool progressShown() const { return progress_ && progress_->isVisible(); }
    // Asks the command the progress shows to stop (an exit while it runs).
    void requestProgressStop() { stopRequested_ = true; }
    // Actions whose shortcuts work in the progress window too (the exit).
    void setProgressActions(QList<QAction*> actions) { progressActions_ = std::move(actions); }

private:
    QWidget* owner() const;
    // The owner of a dialog about to show, once nothing covers it.
    QWidget* dialogParent();
    void dialogClosed() const;
    QPointer<QWidget> owner_;
    QPointer<QWidget> covering_;
    QPointer<frmPasswordDlg> passwordDialog_;
    std::function<void()> showAdvertisement_;
    std::function<void()> afterDialog_;
    QPointer<QProgressDialog> progress_;
    QList<QAction*> progressActions_;
    bool cancelOffered_ = false;
    bool stopRequested_ = false;
};

// Where a dialog shows: centred over a window, or centred on that window's
// screen (the options window and the password dialog).
enum class DialogPlace { OverWindow, OnScreen };

// Centres dialog each time it shows: over `anchor`'s window while that is
// visible, else on the screen that window is on (the primary screen without
// one), kept inside that screen's usable area. Every dialog of the program
// is placed through this, so none is left where the window manager puts new
// windows (the top-left corner).
void placeDialog(QWidget* dialog, const QWidget* anchor, DialogPlace place = DialogPlace::OverWindow);

// Shows a message box modally, placed as placeDialog does and at least as
// wide as its caption needs in the window manager's title bar.
int execMessageBox(QMessageBox& box, const QWidget* anchor);

// The 12-pixel CJK font the windows are laid out for: the classic one where
// the desktop has it, else the desktop's own CJK font.
QFont programFont();

// "desc (*.x)|*.x|other|*.y" to Qt's "desc (*.x);;other (*.y)".
QString toQtFileFilter(std::string_view filter);

}  // namespace kw
