#pragma once

#include "core/session/Roles.h"

#include <QDialog>

#include <functional>
#include <string>
#include <vector>

class QPushButton;
class QTreeWidget;

namespace kw {

// The clean-up of dead channels: the channels the clean-up offers, each with
// a check box, all ticked at first; "删除选中频道" hands the ticked ones to
// deleteChosen, which asks and deletes, and closes the window once it did.
// Space ticks or unticks the current row, Tab reaches the buttons, Esc cancels.
class PruneDeadWindow : public QDialog {
public:
    // Returns false when the user answered No: the window stays open.
    using DeleteChosen = std::function<bool(const std::vector<std::string>& names)>;

    PruneDeadWindow(const std::vector<DeadChannelCandidate>& candidates, DeleteChosen deleteChosen,
                    QWidget* parent = nullptr);

    std::vector<std::string> chosenNames() const;

private:
    void deleteClicked();

    std::vector<std::string> names_;  // by row, as stored: a QString may not carry every byte
    QTreeWidget* list_;
    QPushButton* delete_;
    DeleteChosen deleteChosen_;
};

// Opens the clean-up over parent; when no channel is to be cleaned up, says so instead.
void pruneDeadChannels(DeadChannelCleanup& cleanup, QWidget* parent);

}  // namespace kw
