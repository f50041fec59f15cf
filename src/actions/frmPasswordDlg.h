#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace kw {

// The child-lock password dialog: created once at start and shown modally by
// the commands that need the password. Caption, fixed frame, always on top,
// centred on the desktop, 291 × 189 inside.
class frmPasswordDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kWidth = 291;
    static constexpr int kHeight = 189;

    explicit frmPasswordDlg(QWidget* parent = nullptr);

private:
    QLabel* lblPleaseEnterPassword_;
    QLineEdit* Password_;
    QLabel* lblPasswordError_;
    QPushButton* OKBtn_;
    QPushButton* CancelBtn_;
};

}  // namespace kw
