#pragma once

#include "core/session/Roles.h"
#include "core/session/Session.h"

#include <vector>

class QMenu;
class QWidget;

namespace kw {

class frmMain;

// The catalogue health check of the main window: the pop-up menu entry, the
// progress dialog that can be cancelled and the list of results.
// Also lets the main window take input while a channel test waits.
void addCheckChannelsEntry(QMenu* menu, frmMain* main);

// Checks the channels of the selected branch, showing progress over parent;
// returns the results (empty when nothing was checked).
std::vector<ChannelCheck> checkSelectedBranch(ChannelHealth& health, QWidget* parent);
// The results as a list in a window of its own, freed when it closes.
QWidget* showCheckResults(const std::vector<ChannelCheck>& checks, QWidget* parent);

}  // namespace kw
