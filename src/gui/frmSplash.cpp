#include "gui/frmSplash.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>

namespace kw {

frmSplash::frmSplash(QWidget* parent)
    : QFrame(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      picture_(QString::fromLatin1(kPicture)) {
    setObjectName(QStringLiteral("frmSplash"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setFixedSize(kWidth, kHeight);
    setCursor(Qt::PointingHandCursor);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->geometry().center() - rect().center());
    }
}

void frmSplash::showPainted() {
    show();
    // The window system shows the window only once it has been mapped; wait a
    // moment for that, without handling input, then paint synchronously.
    QElapsedTimer waited;
    waited.start();
    while (windowHandle() && !windowHandle()->isExposed() && waited.elapsed() < 500) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
    }
    repaint();
}

void frmSplash::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    if (picture_.isNull()) {
        painter.fillRect(contentsRect(), palette().window());
    } else {
        painter.drawPixmap(contentsRect(), picture_);
    }
    painter.end();
    QFrame::paintEvent(event);  // the bevel over the picture's edge
}

void frmSplash::mousePressEvent(QMouseEvent* event) {
    event->accept();
    close();
}

}  // namespace kw
