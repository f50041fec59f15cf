#pragma once

#include "core/base/YieldHook.h"
#include "core/browser/ChannelPlacer.h"
#include "core/browser/ChannelTree.h"
#include "core/browser/DeadChannels.h"
#include "core/browser/NodeDetails.h"
#include "core/browser/TreeCache.h"
#include "core/browser/TreeCollation.h"
#include "core/browser/TreePatch.h"
#include "core/settings/ListEntries.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kw {

class ChannelStore;
class UiPort;
struct ChannelPlacement;

// The channel browser: the tree with its selection and expansion, the rating
// filter and display mode it was built with, the lock mode that hides
// channels, the last search text and the details of the selected node. The
// main window and kwave drive it through these commands and mirror its state.
class ChannelBrowser {
public:
    ChannelBrowser(ChannelStore& store, std::filesystem::path programDir, UiPort& ui, YieldHook& yield);

    ChannelTree& tree() { return tree_; }
    const ChannelTree& tree() const { return tree_; }

    int ratingFilter() const { return ratingFilter_; }
    int displayMode() const { return displayMode_; }
    int lockMode() const { return lockMode_; }
    // Take effect at the next rebuild (start-up sets them before the first).
    // A value outside its list counts as the list's first entry, as a stored
    // position does.
    void setRatingFilter(int filter);
    void setDisplayMode(int mode);
    void setLockMode(int mode);
    // Whether the tree leaves the dead channels out; takes effect at the next rebuild.
    bool hidesDeadChannels() const { return hideDead_; }
    void setHideDeadChannels(bool hide);
    // The dead channels, read again at every rebuild and followed as checks are kept.
    DeadChannels& deadChannels() { return dead_; }
    const DeadChannels& deadChannels() const { return dead_; }

    // True while a rebuild or search runs. Commands started from inside the
    // yield hook meanwhile are ignored, so a build is never changed half-way.
    bool busy() const { return busy_ || held_; }
    // Holds the tree's commands while another long command (batch add) runs
    // and lets pending events through.
    void setHeld(bool held) { held_ = held; }

    // Empties the tree and fills it again: from the tree cache when useCache is
    // set, the cache exists and no dead channel is to be hidden (which
    // channels are dead is the database's to say), else from the database. A cache that fails to
    // load (its error is shown), is empty or lacks the favourites branch is
    // replaced by a build from the database. Then the root is expanded, the
    // favourites branch fully expanded and selected. A database error leaves
    // the channels placed so far, finishes the tree and is rethrown.
    void RebuildChannelTree(bool useCache);
    // The next rebuild from the cache takes the nodes of this read, already
    // under way, instead of reading the file itself.
    void usePreloadedCache(std::unique_ptr<TreeCachePreload> preload) { preload_ = std::move(preload); }
    // The database pass of a rebuild; the channels the tree does not show are left out.
    void LoadChannelNodes(int ratingFilter, int displayMode);
    // Places one channel read with readChannelPlacement (patching the tree).
    NodeId PlaceChannel(const ChannelPlacement& columns, std::string_view name, int displayMode);

    // Commands that write channels report each one, before and after the
    // write, so that applyPendingChanges can follow them without a rebuild.
    void noteChannelChanging(std::string_view name);
    void noteChannelStored(std::string_view name);
    // Brings the tree to the state RebuildChannelTree(false) would leave it
    // in: by patching in the reported channels when they are few and the
    // tree can be patched, else by the rebuild itself.
    void applyPendingChanges();
    // Sorts every node's children that a patch left out of order.
    void sortTree();
    // Writes the tree cache in the program directory.
    void SaveChannelTreeCache();
    std::filesystem::path treeCacheFile() const;

    void cbFilterChannelChange(int filter);
    // Rebuilds in the new mode and selects the channel that was selected, by name.
    void cbClassDisplayChannelChange(int mode);

    // Observers hear of the new selection; the window then shows its details
    // with ShowNodeDetails.
    void select(NodeId node) { tree_.select(node); }
    NodeId selected() const { return tree_.selected(); }

    // What the window shows for node (a database error is shown through the
    // UI and leaves the items as set up to that point).
    const NodeDetails& ShowNodeDetails(NodeId node);
    const NodeDetails& details() const { return details_; }

    // Selects the next childless node below the selection whose name contains
    // text; without one, keeps the selection and tells the user. Returns
    // whether a node was found.
    bool FindNextChannel(std::string_view text);
    void actFindChannelExecute();
    void actFindChannelContinueExecute();
    const std::string& lastSearchText() const { return lastSearchText_; }
    bool findContinueEnabled() const { return findContinueEnabled_; }

    void muCurNodeFullExpandClick();
    void muCurNodeFullCollapseClick();
    void muFullExpandClick();
    void muFullCollapseClick();

    NodeId previousInTreeOrder(NodeId node) const { return tree_.previousInTreeOrder(node); }
    void removeNode(NodeId node) { tree_.removeNode(node); }

private:
    // The store, reopened when compaction has closed it.
    ChannelStore& openStore();
    void loadFromDatabase();
    void finishRebuild(bool sort);
    // The root expanded, the favourites branch fully expanded and selected.
    void showAsBuilt();
    bool patchTree(const ChannelChanges& changes);
    ShownChannels shownChannels() const { return {lockMode_, hideDead_ ? &dead_ : nullptr}; }

    ChannelTree tree_;
    TreeCollation collation_;
    ChannelStore& store_;
    std::filesystem::path programDir_;
    UiPort& ui_;
    YieldHook& yield_;
    int ratingFilter_ = 0;
    int displayMode_ = 0;
    int lockMode_ = 0;
    bool hideDead_ = false;
    DeadChannels dead_;
    std::string lastSearchText_;
    bool findContinueEnabled_ = false;
    NodeDetails details_;
    bool busy_ = false;
    bool held_ = false;
    ChannelChanges pending_;
    // A filter or mode changed since the last build: only a rebuild follows.
    bool settingsChanged_ = false;
    // Whether some channel's name is irregular (see ChannelStore::hasIrregularNames);
    // unknown after a cache load until a patch asks.
    std::optional<bool> irregularNames_;
    std::unique_ptr<TreeCachePreload> preload_;
};

}  // namespace kw
