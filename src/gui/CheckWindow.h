#pragma once

#include "core/session/Roles.h"
#include "core/session/Session.h"

#include <vector>

class QMenu;
class QWidget;

namespace kw {

class frmMain;

// The catalogue's health in the main window: the pop-up menu's entries (the
// check of the selected branch with its progress dialog that can be cancelled
// and its list of results, "隐藏失效频道" and "清理失效频道..."). Also lets the main window take
// input while a channel test waits.
void addHealthEntries(QMenu* menu, frmMain* main);

// Checks the channels of the selected branch, showing progress over parent;
// returns the results (empty when nothing was checked).
std::vector<ChannelCheck> checkSelectedBranch(ChannelHealth& health, QWidget* parent);
// The results as a list in a window of its own, freed when it closes.
QWidget* showCheckResults(const std::vector<ChannelCheck>& checks, QWidget* parent);

}  // namespace kw
