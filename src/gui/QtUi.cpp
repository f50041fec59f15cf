#include "gui/QtUi.h"

#include "core/ports/PasswordDialog.h"
#include "core/session/AppTexts.h"
#include "core/session/UserMessages.h"
#include "gui/FileDialogs.h"
#include "gui/QtText.h"
#include "gui/frmPasswordDlg.h"

#include <QInputDialog>
#include <QMessageBox>
#include <QStringList>

#include <stdexcept>

namespace kw {
namespace {

std::optional<std::string> chooseFile(QWidget* owner, const FileDialogRequest& request, bool save) {
    const std::optional<QString> chosen = runFileDialog(owner, {qs(request.title),
                                                                toQtFileFilter(request.filter),
                                                                qs(request.initialFolder),
                                                                {},
                                                                qs(request.defaultExtension),
                                                                save,
                                                                request.askBeforeReplacing});
    if (!chosen) return std::nullopt;
    return chosen->toStdString();
}

}  // namespace

QString toDisplayText(std::string_view text) {
    QString result = qs(text);
    result.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    result.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return result;
}

QFont programFont() {
    QFont font;
    font.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("Noto Sans CJK SC"),
                      QStringLiteral("Noto Sans SC"), QStringLiteral("WenQuanYi Micro Hei")});
    font.setPixelSize(12);
    return font;
}

QString toQtFileFilter(std::string_view filter) {
    const QStringList parts = qs(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString patterns = QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' '));
        // Qt takes the patterns from the last parenthesis of the description.
        filters << (parts[i].endsWith(QLatin1Char(')')) && parts[i].contains(patterns)
                        ? parts[i]
                        : parts[i] + QLatin1String(" (") + patterns + QLatin1Char(')'));
    }
    return filters.join(QLatin1String(";;"));
}

QWidget* QtUi::owner() const { return owner_ && owner_->isVisible() ? owner_.data() : nullptr; }

QWidget* QtUi::dialogParent() {
    if (covering_) covering_->close();
    return owner();
}

void QtUi::ShowMessage(std::string_view text, std::string_view caption) {
    QMessageBox box(QMessageBox::NoIcon, qs(caption), toDisplayText(text), QMessageBox::Ok, dialogParent());
    box.exec();
}

void QtUi::ShowMessageWithDetails(std::string_view text, std::string_view details, std::string_view caption) {
    QMessageBox box(QMessageBox::NoIcon, qs(caption), toDisplayText(text), QMessageBox::Ok, dialogParent());
    box.setObjectName(QStringLiteral("MessageWithDetails"));
    if (!details.empty()) box.setDetailedText(toDisplayText(details));
    box.exec();
}

void QtUi::ShowError(std::string_view text) {
    QMessageBox box(QMessageBox::Critical, qs(kAppTitle), toDisplayText(explainForUser(text)),
                    QMessageBox::Ok, dialogParent());
    box.exec();
}

bool QtUi::AskYesNo(std::string_view caption, std::string_view text) {
    QMessageBox box(QMessageBox::Question, qs(caption), toDisplayText(text),
                    QMessageBox::Yes | QMessageBox::No, dialogParent());
    return box.exec() == QMessageBox::Yes;
}

std::optional<std::string> QtUi::InputBox(std::string_view caption, std::string_view prompt,
                                          std::string_view initial) {
    QInputDialog dialog(dialogParent());
    dialog.setWindowTitle(qs(caption));
    dialog.setLabelText(toDisplayText(prompt));
    dialog.setTextValue(qs(initial));
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.textValue().toStdString();
}

std::optional<std::string> QtUi::ChooseSaveFile(const FileDialogRequest& request) {
    return chooseFile(dialogParent(), request, true);
}

std::optional<std::string> QtUi::ChooseOpenFile(const FileDialogRequest& request) {
    return chooseFile(dialogParent(), request, false);
}

void QtUi::setPasswordDialog(frmPasswordDlg* dialog) { passwordDialog_ = dialog; }

std::optional<std::string> QtUi::AskPassword(PasswordPurpose, PasswordDialog& dialog) {
    if (!passwordDialog_) throw std::logic_error("the password dialog does not exist yet");
    dialogParent();
    return passwordDialog_->ask(dialog);
}

void QtUi::ShowAdvertisement() {
    if (showAdvertisement_) showAdvertisement_();
}

void QtUi::ShowProgress(std::string_view text, int percent) {
    if (stopRequested_) return;
    if (!progress_) {
        progress_ = new QProgressDialog(owner());
        progress_->setObjectName(QStringLiteral("dlgProgress"));
        progress_->setWindowTitle(qs(kAppTitle));
        if (cancelOffered_) {
            progress_->setCancelButtonText(qs(texts::kProgressCancel));
        } else {
            progress_->setCancelButton(nullptr);
        }
        progress_->setRange(0, 100);
        progress_->setMinimumDuration(0);
        progress_->setAutoReset(false);
        progress_->setAutoClose(false);
        // Input reaches this window only, so no command starts meanwhile.
        progress_->setWindowModality(Qt::ApplicationModal);
        progress_->addActions(progressActions_);
        // Escape and the window's close cancel too; without a cancel they do nothing.
        QObject::connect(progress_, &QProgressDialog::canceled, progress_, [this] {
            if (cancelOffered_) stopRequested_ = true;
        });
    }
    progress_->setLabelText(qs(text));
    progress_->setValue(percent);
    progress_->show();
}

void QtUi::EndProgress() {
    if (progress_) progress_->deleteLater();
    progress_ = nullptr;
    cancelOffered_ = false;
    stopRequested_ = false;
}

void QtUi::OfferProgressCancel() { cancelOffered_ = true; }

}  // namespace kw
