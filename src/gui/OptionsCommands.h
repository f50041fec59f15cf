#pragma once

#include "gui/OptionsPageWidget.h"

namespace kw {

class frmMain;
enum class OptionsPage;

// What the options window uses of the main window.
OptionsLinks optionsLinks(frmMain& main);

// Opens the options window on page modally with the main window hidden, or
// brings the open one forward and refuses.
void openOptions(frmMain& main, OptionsPage page);

// Connects the main window's entries that lead to the options window, export,
// batch add and compaction to the session.
void connectOptionsCommands(frmMain& main);

}  // namespace kw
