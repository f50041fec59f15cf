#pragma once

#include <QWidget>

namespace kw {

// The advertisement and news window: created once at start and kept until
// exit, always on top, at least 408 × 342, navy. Shown only by its commands.
class frmADWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMinWidth = 408;
    static constexpr int kMinHeight = 342;

    explicit frmADWindow(QWidget* parent = nullptr);
};

}  // namespace kw
