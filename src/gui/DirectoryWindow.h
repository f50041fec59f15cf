#pragma once

#include "core/session/Roles.h"

#include <QDialog>
#include <QString>

#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTreeView;

namespace kw {

class QtUi;
class StationListModel;
class frmMain;

// The community radio directory: a search by name with filters (tag,
// country, language, format, lowest bitrate, order, stations the directory
// found dead), the stations found in a list that asks the next page when it
// is scrolled to its end, a preview play and "加入频道" for the chosen
// stations. Stations the catalogue holds already are marked. Every call goes
// through the directory role, one at a time; a failed or cancelled call is
// told in the status line and the window stays usable.
class DirectoryWindow : public QDialog {
    Q_OBJECT
public:
    static constexpr int kPageSize = 100;

    // ui is the Ui port the directory's session shows through; its dialogs
    // stand over this window while a call runs.
    DirectoryWindow(RadioDirectory& directory, QtUi& ui, QWidget* parent = nullptr);
    ~DirectoryWindow() override;

    // Whether a call on the directory is running.
    bool busy() const { return busy_; }

public slots:
    // Refused while a call runs, which its progress window can cancel.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class Call;

    void buildLayout();
    void loadFilters();
    void search();
    void searchMore();
    void askPage();
    void play();
    void addChosen();
    StationQuery queryFromControls() const;
    std::vector<int> chosenRows() const;
    void showAdded();
    void updateButtons();
    void showStatus(const QString& text);

    RadioDirectory& directory_;
    QtUi& ui_;
    StationListModel* model_;
    StationQuery query_;  // the search the list shows, at its next page
    bool more_ = false;
    bool busy_ = false;
    bool filtersAsked_ = false;

    QLineEdit* name_ = nullptr;
    QComboBox* tag_ = nullptr;
    QComboBox* country_ = nullptr;
    QComboBox* language_ = nullptr;
    QComboBox* codec_ = nullptr;
    QSpinBox* bitrate_ = nullptr;
    QComboBox* order_ = nullptr;
    QCheckBox* includeBroken_ = nullptr;
    QPushButton* search_ = nullptr;
    QTreeView* list_ = nullptr;
    QLabel* status_ = nullptr;
    QPushButton* play_ = nullptr;
    QPushButton* add_ = nullptr;
};

// Opens the directory window beside the main window, or brings the open one forward.
void openDirectoryWindow(frmMain& main);
// Connects the main window's "电台目录..." command.
void connectDirectoryCommand(frmMain& main);

}  // namespace kw
