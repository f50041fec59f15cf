#pragma once

#include "gui/MainCommand.h"

#include <array>
#include <cstddef>
#include <string_view>

class QAction;
class QActionGroup;
class QMenu;
class QToolButton;
class QWidget;

namespace kw {

class frmMain;
struct NodeDetails;

// The main window's commands with their captions, hints and shortcuts, and
// the two pop-up menus that offer them. The entries that change with the
// selection are kept here, so showing the details finds them without a search.
class MainCommandTable {
public:
    static constexpr std::size_t kSpeedEntries = 22;
    static constexpr std::size_t kRateEntries = 5;

    // Makes the commands on window, so that their shortcuts work wherever the
    // window has the focus.
    explicit MainCommandTable(QWidget& window);

    // The two pop-up menus, once the window's controls exist.
    void buildMenus(frmMain& main);

    QAction* command(MainCommand id) const { return commands_[static_cast<std::size_t>(id)]; }
    QMenu* pmMainPopMenu() const { return pmMainPopMenu_; }
    QMenu* pmIconRight() const { return pmIconRight_; }
    QMenu* muSkin() const { return muSkin_; }
    QActionGroup* skinGroup() const { return skinGroup_; }
    // muSpeedChannel1 .. muSpeedChannel22 and muRate1 .. muRate5.
    const std::array<QAction*, kSpeedEntries>& speedEntries() const { return speedEntries_; }
    const std::array<QAction*, kRateEntries>& rateEntries() const { return rateEntries_; }

    // The commands' states and captions for the details of the selected node.
    void showDetails(const NodeDetails& details);
    // The continue command after a search: the last search text is kept in its hint.
    void showFind(bool continueEnabled, std::string_view lastSearchText);

private:
    std::array<QAction*, kMainCommandCount> commands_{};
    std::array<QAction*, kSpeedEntries> speedEntries_{};
    std::array<QAction*, kRateEntries> rateEntries_{};
    QMenu* pmMainPopMenu_ = nullptr;
    QMenu* pmIconRight_ = nullptr;
    QMenu* muSetSpeedChannel_ = nullptr;
    QMenu* muRate_ = nullptr;
    QMenu* muSkin_ = nullptr;
    QActionGroup* skinGroup_ = nullptr;
};

// A button that runs a command under its own caption, follows the command's
// enabled state and shows its hint.
void bindButton(QToolButton* button, QAction* command);

}  // namespace kw
