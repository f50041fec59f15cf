#include "gui/frmADWindow.h"

#include <QPalette>

namespace kw {

frmADWindow::frmADWindow(QWidget* parent) : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("frmADWindow"));
    setMinimumSize(kMinWidth, kMinHeight);
    resize(kMinWidth, kMinHeight);
    QPalette navy = palette();
    navy.setColor(QPalette::Window, QColor(0, 0, 128));
    setPalette(navy);
    setAutoFillBackground(true);
}

}  // namespace kw
