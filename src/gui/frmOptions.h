#pragma once

#include "core/exchange/ChannelForm.h"

#include <QDialog>
#include <QHash>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace kw {

class Session;
class frmMain;

// The options window: one page per opening (0 settings, 1 add, 2 edit,
// 3 timer play list, 4 about), created for the opening and destroyed at
// close. It shows what the session gives and forwards every click to it.
class frmOptions : public QDialog {
    Q_OBJECT
public:
    static constexpr int kSetupWidth = 632;
    static constexpr int kSetupHeight = 455;
    static constexpr int kAboutWidth = 420;
    static constexpr int kAboutHeight = 330;

    frmOptions(frmMain& main, int page, QWidget* parent = nullptr);
    ~frmOptions() override;

    int page() const { return page_; }
    ChannelForm* form() const { return form_.get(); }

    // Opens the window for page modally with the main window hidden, or
    // brings the open one forward and refuses.
    static void open(frmMain& main, int page);
    // The window now open, if any.
    static frmOptions* current();

    // Closing runs the session's closing step once; a reject is a cancel.
    void done(int result) override;
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildSetupPage();
    void buildChannelPage();
    void buildAboutPage();
    void spSetupOKClick();
    void spSetupSNDRECClick();
    void btnSetLockedChannelPasswordClick();
    void cbClass0Change();
    void chkIsAddToTextFileClick();
    void spEditChannelClick();
    void showFormState();
    ChannelFormFields readFields() const;
    void writeFields(const ChannelFormFields& fields);
    void fillList(QComboBox* box, const std::optional<std::vector<std::string>>& values);
    void mouseLeft(QWidget* control);

    frmMain& main_;
    Session& session_;
    int page_;
    std::unique_ptr<ChannelForm> form_;
    bool closed_ = false;

    // Settings page.
    QCheckBox* chkIsAutoPlayLastChannel_ = nullptr;
    QCheckBox* chkIsHideOnDeactive_ = nullptr;
    QCheckBox* chkAutostart_ = nullptr;
    bool autostartWasOn_ = false;
    QLineEdit* edSNDREC_ = nullptr;
    QRadioButton* radLockedChannel_[3] = {};
    QLabel* stSetupHint_ = nullptr;

    // Add/edit page.
    QComboBox* cbClass_[4] = {};
    QComboBox* cbType_ = nullptr;
    QLineEdit* edSpeed_ = nullptr;
    QLineEdit* edName_ = nullptr;
    QLineEdit* edURL_ = nullptr;
    QLineEdit* edLink_ = nullptr;
    QPlainTextEdit* meMemo_ = nullptr;
    QLabel* stHint_ = nullptr;
    QCheckBox* chkIsAddToTextFile_ = nullptr;
    QLineEdit* edTextFileName_ = nullptr;
    QPushButton* spEditChannel_ = nullptr;
    QPushButton* spClose_ = nullptr;
    bool pageEntered_ = false;

    // The hint each control puts into the page's hint panel: the control
    // under the mouse on the settings page, the field entered on the add/edit page.
    QHash<QObject*, QString> hints_;
    QLabel* hintPanel_ = nullptr;
    bool hintFollowsFocus_ = false;
    bool leaving_ = false;       // a left control's group is about to show its hint
    QPointer<QWidget> leftFor_;  // that group, unless a control was entered meanwhile
    QLabel* lblAuthorHomepage_ = nullptr;
    QLabel* lblAuthorEmail_ = nullptr;
};

// Connects the main window's entries that lead to the options window, export,
// batch add and compaction to the session.
void connectOptionsCommands(frmMain& main);

}  // namespace kw
