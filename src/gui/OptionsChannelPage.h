#pragma once

#include "core/session/OptionsVisit.h"
#include "gui/OptionsPageWidget.h"

#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace kw {

// The add and edit pages: the ten fields of a channel, the save-to-text-file
// box, and the confirm and close buttons, all as the visit's form says.
class OptionsChannelPage : public OptionsPageWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 632;
    static constexpr int kHeight = 455;

    // visit has a form: it is a visit of the add or the edit page.
    OptionsChannelPage(OptionsVisit& visit, const OptionsLinks& links, QWidget* parent);

    // Page entry: the edit page loads the selected channel.
    void load() override;
    // The confirm button: adds, saves to the text file or edits.
    void save() override;
    void cancel() override { form_.closeClicked(); }

private:
    void cbClass0Change();
    void chkIsAddToTextFileClick();
    void showFormState();
    ChannelFormFields readFields() const;
    void writeFields(const ChannelFormFields& fields);
    void fillList(QComboBox* box, const std::optional<std::vector<std::string>>& values);

    ChannelForm& form_;
    OptionsHintPanel* hints_;
    QComboBox* cbClass_[4] = {};
    QComboBox* cbType_ = nullptr;
    QLineEdit* edSpeed_ = nullptr;
    QLineEdit* edName_ = nullptr;
    QLineEdit* edURL_ = nullptr;
    QLineEdit* edLink_ = nullptr;
    QPlainTextEdit* meMemo_ = nullptr;
    QCheckBox* chkIsAddToTextFile_ = nullptr;
    QLineEdit* edTextFileName_ = nullptr;
    QPushButton* spEditChannel_ = nullptr;
    QPushButton* spClose_ = nullptr;
};

}  // namespace kw
