#pragma once

#include "gui/OptionsPageWidget.h"

class QCheckBox;
class QSpinBox;
class QLineEdit;
class QRadioButton;

namespace kw {

// The settings page: general options, the desktop's autostart entry, the
// child lock, and the buttons to compaction and export.
class OptionsSetupPage : public OptionsPageWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 632;
    static constexpr int kHeight = 455;

    OptionsSetupPage(OptionsVisit& visit, const OptionsLinks& links, QWidget* parent);

    void load() override;
    // Settings OK: closes the window once everything is stored.
    void save() override;
    void cancel() override;

private:
    void spSetupSNDRECClick();
    void btnSetLockedChannelPasswordClick();

    OptionsHintPanel* hints_;
    QCheckBox* chkIsAutoPlayLastChannel_ = nullptr;
    QCheckBox* chkIsHideOnDeactive_ = nullptr;
    QCheckBox* chkAutostart_ = nullptr;
    QCheckBox* chkBackgroundCheck_ = nullptr;
    QSpinBox* seSubscriptionDays_ = nullptr;
    QCheckBox* chkReportDirectoryClicks_ = nullptr;
    QLineEdit* edSNDREC_ = nullptr;
    QRadioButton* radLockedChannel_[3] = {};
};

}  // namespace kw
