#pragma once

#include <QFrame>
#include <QPixmap>

namespace kw {

// The splash window: borderless, centred on the screen, 312 × 213 inside, the
// splash picture stretched over a panel with a lowered bevel. A click closes
// it, and closing frees it.
class frmSplash : public QFrame {
    Q_OBJECT
public:
    static constexpr int kWidth = 312;
    static constexpr int kHeight = 213;
    static constexpr const char* kPicture = ":/kestrelwave/splash.jpg";

    explicit frmSplash(QWidget* parent = nullptr);

    // Shows the window and paints it before returning, without waiting for
    // the event loop.
    void showPainted();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QPixmap picture_;
};

}  // namespace kw
