#include "gui/TrayIcon.h"

#include "core/session/AppTexts.h"
#include "gui/QtUi.h"

#include <QCursor>
#include <QIcon>
#include <QSystemTrayIcon>

namespace kw {
namespace {

// The desktop does not announce a tray host that leaves; asking is one
// round trip to the display, cheap enough to do every few seconds.
constexpr int kWatchIntervalMs = 2000;

std::function<bool()>& availabilityProbe() {
    static std::function<bool()> probe = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
    return probe;
}

}  // namespace

TrayIcon::TrayIcon(QObject* parent)
    : QObject(parent), icon_(new QSystemTrayIcon(this)), available_(isAvailable()) {
    watch_.setInterval(kWatchIntervalMs);
    connect(&watch_, &QTimer::timeout, this, &TrayIcon::checkAvailability);
    watch_.start();
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

void TrayIcon::remove() {
    watch_.stop();
    icon_->hide();
}

bool TrayIcon::isShown() const { return icon_->isVisible() && available_; }

bool TrayIcon::isAvailable() { return availabilityProbe()(); }

void TrayIcon::setAvailabilityProbe(std::function<bool()> probe) {
    availabilityProbe() = probe ? std::move(probe) : [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
}

void TrayIcon::checkAvailability() {
    const bool available = isAvailable();
    if (available == available_) return;
    available_ = available;
    // A returning tray host knows nothing of the icon: announce it again.
    if (available && icon_->isVisible()) {
        icon_->hide();
        icon_->show();
    }
    emit availabilityChanged(available);
}

}  // namespace kw
