#pragma once

#include <QObject>
#include <QPoint>
#include <QTimer>

#include <functional>

class QSystemTrayIcon;

namespace kw {

// The notification-area icon: the program's icon with its tip, reporting
// the mouse events the main window answers. Without a notification area (no
// tray host) it stays invisible and reports nothing. A tray host can go away
// and come back at any time (a panel restart, a session change): the icon
// watches for it and reports each change.
class TrayIcon : public QObject {
    Q_OBJECT
public:
    explicit TrayIcon(QObject* parent = nullptr);

    void add();
    void remove();
    bool isShown() const;
    // Whether the desktop has a notification area to show the icon in.
    static bool isAvailable();
    // What asks the desktop for its notification area (tests answer it).
    static void setAvailabilityProbe(std::function<bool()> probe);
    // Looks at once whether the notification area came or went.
    void checkAvailability();

    QSystemTrayIcon* icon() const { return icon_; }

signals:
    void leftButtonDown(QPoint mouse);
    void rightButtonDown(QPoint mouse);
    void doubleClicked();
    void availabilityChanged(bool available);

private:
    QSystemTrayIcon* icon_;
    QTimer watch_;
    bool available_;
};

}  // namespace kw
