#include "gui/frmPasswordDlg.h"

#include "core/ports/PasswordDialog.h"
#include "gui/QtUi.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

namespace kw {

frmPasswordDlg::frmPasswordDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint |
                          Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      lblPleaseEnterPassword_(new QLabel(this)),
      Password_(new QLineEdit(this)),
      lblPasswordError_(new QLabel(this)),
      OKBtn_(new QPushButton(QStringLiteral("确定(&O)"), this)),
      CancelBtn_(new QPushButton(QStringLiteral("取消(&C)"), this)) {
    setObjectName(QStringLiteral("frmPasswordDlg"));
    setFont(programFont());
    setWindowTitle(qs(PasswordDialog::kCaption));
    setFixedSize(kWidth, kHeight);
    setModal(true);
    placeDialog(this, nullptr, DialogPlace::OnScreen);

    lblPleaseEnterPassword_->setObjectName(QStringLiteral("lblPleaseEnterPassword"));
    lblPleaseEnterPassword_->setGeometry(8, 9, 274, 56);
    lblPleaseEnterPassword_->setWordWrap(true);
    lblPleaseEnterPassword_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    Password_->setObjectName(QStringLiteral("Password"));
    Password_->setGeometry(8, 73, 273, 21);
    Password_->setEchoMode(QLineEdit::Password);

    lblPasswordError_->setObjectName(QStringLiteral("lblPasswordError"));
    lblPasswordError_->setGeometry(11, 111, 270, 16);
    QPalette red = lblPasswordError_->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    lblPasswordError_->setPalette(red);
    QFont bold = lblPasswordError_->font();
    bold.setBold(true);
    lblPasswordError_->setFont(bold);

    OKBtn_->setObjectName(QStringLiteral("OKBtn"));
    OKBtn_->setGeometry(115, 152, 75, 25);
    OKBtn_->setDefault(true);
    CancelBtn_->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn_->setGeometry(200, 152, 75, 25);
    connect(CancelBtn_, &QPushButton::clicked, this, &QDialog::reject);
    connect(OKBtn_, &QPushButton::clicked, this, &frmPasswordDlg::OKBtnClick);
    connect(Password_, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (dialog_ == nullptr) return;
        dialog_->entryChanged(text.toStdString());
        lblPasswordError_->setText(QString::fromStdString(dialog_->errorText()));
    });
}

std::optional<std::string> frmPasswordDlg::ask(PasswordDialog& dialog) {
    dialog_ = &dialog;
    dialog.show();
    lblPleaseEnterPassword_->setText(toDisplayText(dialog.prompt()));
    fitPrompt();
    Password_->clear();
    lblPasswordError_->clear();
    Password_->setFocus();
    const int result = exec();
    dialog_ = nullptr;
    if (result != QDialog::Accepted) return std::nullopt;
    return dialog.entry();
}

void frmPasswordDlg::fitPrompt() {
    // The dialog grows by what the prompt needs beyond its place; the
    // controls below it move down with it.
    constexpr int kPromptTop = 9;
    constexpr int kPromptHeight = 56;
    const int needed = lblPleaseEnterPassword_->heightForWidth(lblPleaseEnterPassword_->width());
    const int extra = std::max(0, needed - kPromptHeight);
    lblPleaseEnterPassword_->setGeometry(8, kPromptTop, 274, kPromptHeight + extra);
    Password_->move(8, 73 + extra);
    lblPasswordError_->move(11, 111 + extra);
    OKBtn_->move(115, 152 + extra);
    CancelBtn_->move(200, 152 + extra);
    setFixedSize(kWidth, kHeight + extra);
}

void frmPasswordDlg::OKBtnClick() {
    if (dialog_ == nullptr) return;
    dialog_->setEntry(Password_->text().toStdString());
    const bool accepted = dialog_->ok();
    Password_->setText(QString::fromStdString(dialog_->entry()));
    lblPasswordError_->setText(QString::fromStdString(dialog_->errorText()));
    if (accepted) {
        accept();
    } else {
        Password_->setFocus();
    }
}

}  // namespace kw
