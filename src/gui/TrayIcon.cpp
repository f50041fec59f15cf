#include "gui/TrayIcon.h"

#include "core/session/AppTexts.h"
#include "gui/QtUi.h"

#include <QCursor>
#include <QIcon>
#include <QSystemTrayIcon>

namespace kw {

TrayIcon::TrayIcon(QObject* parent) : QObject(parent), icon_(new QSystemTrayIcon(this)) {
    QIcon icon(QStringLiteral(":/kestrelwave/icons/tray.png"));
    icon.addFile(QStringLiteral(":/kestrelwave/icons/kestrelwave-16.png"));
    icon_->setIcon(icon);
    icon_->setObjectName(QStringLiteral("TrayIcon"));
    icon_->setToolTip(toDisplayText(texts::kTrayTip));
    connect(icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        switch (reason) {
            case QSystemTrayIcon::Trigger:
                emit leftButtonDown(QCursor::pos());
                break;
            case QSystemTrayIcon::Context:
                emit rightButtonDown(QCursor::pos());
                break;
            case QSystemTrayIcon::DoubleClick:
                emit doubleClicked();
                break;
            default:
                break;
        }
    });
}

void TrayIcon::add() { icon_->show(); }

void TrayIcon::remove() { icon_->hide(); }

bool TrayIcon::isShown() const { return icon_->isVisible() && isAvailable(); }

bool TrayIcon::isAvailable() { return QSystemTrayIcon::isSystemTrayAvailable(); }

}  // namespace kw
