#pragma once

#include "gui/OptionsPageWidget.h"

#include <QDialog>

namespace kw {

class OptionsVisit;

// The options window: the page its visit is for (settings, add, edit, timer
// play list, about), created for the opening and destroyed at close. The
// page shows what the visit gives and forwards every click to it; closing
// runs the visit's closing step.
class frmOptions : public QDialog {
    Q_OBJECT
public:
    static constexpr int kSetupWidth = 632;
    static constexpr int kSetupHeight = 455;
    static constexpr int kAboutWidth = 420;
    static constexpr int kAboutHeight = 330;

    frmOptions(OptionsVisit& visit, OptionsLinks links, QWidget* parent = nullptr);
    ~frmOptions() override;

    // The window now open, if any.
    static frmOptions* current();

    // Closing runs the visit's closing step once; a reject is a cancel.
    void done(int result) override;
    void reject() override;

private:
    OptionsVisit& visit_;
    OptionsLinks links_;
    OptionsPageWidget* page_ = nullptr;  // none on the timer page
};

}  // namespace kw
