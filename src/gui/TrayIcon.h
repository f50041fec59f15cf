#pragma once

#include <QObject>
#include <QPoint>

class QSystemTrayIcon;

namespace kw {

// The notification-area icon: the program's icon with its tip, reporting
// the mouse events the main window answers. Without a notification area (no
// tray host) it stays invisible and reports nothing.
class TrayIcon : public QObject {
    Q_OBJECT
public:
    explicit TrayIcon(QObject* parent = nullptr);

    void add();
    void remove();
    bool isShown() const;
    // Whether the desktop has a notification area to show the icon in.
    static bool isAvailable();

    QSystemTrayIcon* icon() const { return icon_; }

signals:
    void leftButtonDown(QPoint mouse);
    void rightButtonDown(QPoint mouse);
    void doubleClicked();

private:
    QSystemTrayIcon* icon_;
};

}  // namespace kw
