#include "gui/QtUi.h"

#include "core/ports/PasswordDialog.h"
#include "core/session/AppTexts.h"
#include "core/session/UserMessages.h"
#include "gui/FileDialogs.h"
#include "gui/QtText.h"
#include "gui/frmPasswordDlg.h"

#include <QApplication>
#include <QEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGuiApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QScreen>
#include <QSpacerItem>
#include <QStringList>

#include <algorithm>
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

constexpr auto kPlacerName = "kw_dialogPlacer";
// Room a title bar takes beside its caption: the window icon, the buttons and margins.
constexpr int kTitleBarRoom = 140;

void moveToCentre(QWidget* dialog, const QWidget* anchor, DialogPlace place) {
    const QWidget* window = anchor != nullptr ? anchor->window() : nullptr;
    QScreen* screen = window != nullptr ? window->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    const QRect area = screen->availableGeometry();
    const bool overWindow = place == DialogPlace::OverWindow && window != nullptr && window->isVisible();
    const QPoint centre = overWindow ? window->frameGeometry().center() : area.center();
    const QSize size = dialog->frameGeometry().size();
    const int left = std::clamp(centre.x() - size.width() / 2, area.left(),
                                std::max(area.left(), area.right() + 1 - size.width()));
    const int top = std::clamp(centre.y() - size.height() / 2, area.top(),
                               std::max(area.top(), area.bottom() + 1 - size.height()));
    dialog->move(left, top);
}

// Places its dialog at every showing, once the dialog has handled the show
// (a message box takes its size there) and before the window is mapped.
class DialogPlacer : public QObject {
public:
    DialogPlacer(QWidget* dialog, const QWidget* anchor, DialogPlace place) : QObject(dialog) {
        setObjectName(QLatin1String(kPlacerName));
        aim(anchor, place);
        dialog->installEventFilter(this);
    }

    void aim(const QWidget* anchor, DialogPlace place) {
        anchor_ = anchor;
        place_ = place;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Show || event->spontaneous() || watched != parent()) return false;
        // Delivered here instead of by the event loop, so it is handled once.
        watched->event(event);
        moveToCentre(static_cast<QWidget*>(watched), anchor_, place_);
        return true;
    }

private:
    QPointer<const QWidget> anchor_;
    DialogPlace place_ = DialogPlace::OverWindow;
};

}  // namespace

void placeDialog(QWidget* dialog, const QWidget* anchor, DialogPlace place) {
    if (dialog == nullptr) return;
    auto* placer = static_cast<DialogPlacer*>(
        dialog->findChild<QObject*>(QLatin1String(kPlacerName), Qt::FindDirectChildrenOnly));
    if (placer != nullptr) {
        placer->aim(anchor, place);
    } else {
        new DialogPlacer(dialog, anchor, place);
    }
}

int execMessageBox(QMessageBox& box, const QWidget* anchor) {
    // The window manager's caption font is not known here: the bold title font
    // a size up stands in for it.
    QFont title = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    title.setBold(true);
    if (title.pixelSize() > 0) {
        title.setPixelSize(title.pixelSize() + 2);
    } else {
        title.setPointSizeF(title.pointSizeF() + 1.5);
    }
    const int needed = QFontMetrics(title).horizontalAdvance(box.windowTitle()) + kTitleBarRoom;
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        grid->addItem(new QSpacerItem(needed, 0, QSizePolicy::Fixed, QSizePolicy::Fixed), grid->rowCount(), 0,
                      1, grid->columnCount());
    }
    placeDialog(&box, anchor);
    return box.exec();
}

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

QtUi::OwnerScope::OwnerScope(QtUi& ui, QWidget* window)
    : ui_(ui), previousOwner_(ui.owner_), previousAfterDialog_(ui.afterDialog_) {
    ui_.owner_ = window;
    ui_.afterDialog_ = [window = QPointer<QWidget>(window)] {
        if (window && window->isVisible() && QApplication::activeModalWidget() == nullptr)
            window->activateWindow();
    };
}

QtUi::OwnerScope::~OwnerScope() {
    ui_.owner_ = previousOwner_;
    ui_.afterDialog_ = std::move(previousAfterDialog_);
}

QWidget* QtUi::owner() const { return owner_ && owner_->isVisible() ? owner_.data() : nullptr; }

QWidget* QtUi::dialogParent() {
    if (covering_) covering_->close();
    return owner();
}

void QtUi::dialogClosed() const {
    if (afterDialog_) afterDialog_();
}

void QtUi::ShowMessage(std::string_view text, std::string_view caption) {
    QMessageBox box(QMessageBox::NoIcon, qs(caption), toDisplayText(text), QMessageBox::Ok, dialogParent());
    execMessageBox(box, owner_);
    dialogClosed();
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
    execMessageBox(box, owner_);
    dialogClosed();
}

bool QtUi::AskYesNo(std::string_view caption, std::string_view text) {
    QMessageBox box(QMessageBox::Question, qs(caption), toDisplayText(text),
                    QMessageBox::Yes | QMessageBox::No, dialogParent());
    const bool yes = execMessageBox(box, owner_) == QMessageBox::Yes;
    dialogClosed();
    return yes;
}

std::optional<std::string> QtUi::InputBox(std::string_view caption, std::string_view prompt,
                                          std::string_view initial) {
    QInputDialog dialog(dialogParent());
    dialog.setWindowTitle(qs(caption));
    dialog.setLabelText(toDisplayText(prompt));
    dialog.setTextValue(qs(initial));
    placeDialog(&dialog, owner_);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    dialogClosed();
    if (!accepted) return std::nullopt;
    return dialog.textValue().toStdString();
}

std::optional<std::string> QtUi::ChooseSaveFile(const FileDialogRequest& request) {
    std::optional<std::string> chosen = chooseFile(dialogParent(), request, true);
    dialogClosed();
    return chosen;
}

std::optional<std::string> QtUi::ChooseOpenFile(const FileDialogRequest& request) {
    std::optional<std::string> chosen = chooseFile(dialogParent(), request, false);
    dialogClosed();
    return chosen;
}

void QtUi::setPasswordDialog(frmPasswordDlg* dialog) { passwordDialog_ = dialog; }

std::optional<std::string> QtUi::AskPassword(PasswordPurpose, PasswordDialog& dialog) {
    if (!passwordDialog_) throw std::logic_error("the password dialog does not exist yet");
    dialogParent();
    placeDialog(passwordDialog_, owner_, DialogPlace::OnScreen);
    std::optional<std::string> entry = passwordDialog_->ask(dialog);
    dialogClosed();
    return entry;
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
        placeDialog(progress_, owner_);
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
