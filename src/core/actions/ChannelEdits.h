#pragma once

#include "core/browser/ChannelTree.h"

#include <string_view>

namespace kw {

class ChannelBrowser;
class ChannelStore;
class ChildLock;
class UiPort;

// The commands that change one channel's record and bring the tree up to date
// at once: favourite or restore, rating, delete, lock and unlock. Each writes
// one statement, then patches the tree in place, or rebuilds it where a patch
// would leave an empty branch. Commands on the selection act only while a
// channel leaf is selected and the browser is not busy with a build; they
// leave the browser's details up to date for the window to show.
class ChannelEdits {
public:
    static constexpr std::string_view kDeleteCaption = "确认删除";
    static constexpr std::string_view kDeleteQuestion =
        "请确认：删除后将不可恢复，真的要删除下列频道吗？\r\n\r\n";

    ChannelEdits(ChannelStore& store, ChannelBrowser& browser, ChildLock& lock, UiPort& ui);

    // The selected node when it is a channel leaf and no build is running,
    // else kNoNode.
    NodeId selectedChannel() const;

    // Writes favourite (0 or 1) for node's channel and moves its leaf: into
    // or out of the favourites branch along the display mode's path when it
    // has siblings, else by a rebuild. Then selects the root and searches
    // down for the channel's name, as the find command does. Returns whether
    // that search found it (a node that is no channel leaf changes nothing
    // and returns false).
    bool SetChannelFavorite(NodeId node, int favourite);
    // The favourites command: the selected channel with the target value the
    // details set (1 to favour, 0 to restore).
    void actFavoritesChannelExecute();

    // Rates the selected channel item + 1 (item 0 to 4; others do nothing) and
    // refreshes the details, so the rating list and submenu show the new
    // entry. The tree stays as it is, whatever the rating filter.
    void SetChannelRating(int item);

    // Asks, then deletes the selected channel. With siblings its leaf goes and
    // the node just above it in tree order is selected and shown; as the last
    // of its branch the tree is rebuilt. Returns whether it was deleted.
    bool actDeleteChannelExecute();

    // Locks (target 1) or unlocks (target 0) node's channel; unlocking asks for
    // the password unless the lock mode is 2. Refreshes the details of the
    // selection. The tree is not rebuilt. Returns false when the password was
    // refused and nothing was written.
    bool setChannelLocked(NodeId node, int target);
    // The lock command: the selected channel with the details' lock target.
    bool actLockChannelExecute();

private:
    ChannelStore& store_;
    ChannelBrowser& browser_;
    ChildLock& lock_;
    UiPort& ui_;
};

}  // namespace kw
