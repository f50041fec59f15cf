#pragma once

#include <QDialog>

#include <optional>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

namespace kw {

class PasswordDialog;

// The child-lock password dialog: created once at start and shown modally by
// the commands that need the password. Caption, fixed frame, always on top,
// centred on the desktop, 291 × 189 inside. The rules (prompt, what OK
// accepts, the error text) are the PasswordDialog's; the window shows them.
class frmPasswordDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kWidth = 291;
    static constexpr int kHeight = 189;

    explicit frmPasswordDlg(QWidget* parent = nullptr);

    // Shows the dialog modally for one request; the accepted, trimmed entry,
    // or nullopt for Cancel.
    std::optional<std::string> ask(PasswordDialog& dialog);

private:
    void OKBtnClick();
    void fitPrompt();

    PasswordDialog* dialog_ = nullptr;
    QLabel* lblPleaseEnterPassword_;
    QLineEdit* Password_;
    QLabel* lblPasswordError_;
    QPushButton* OKBtn_;
    QPushButton* CancelBtn_;
};

}  // namespace kw
