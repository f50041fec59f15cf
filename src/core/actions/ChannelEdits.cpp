#include "core/actions/ChannelEdits.h"

#include "core/actions/ChildLock.h"
#include "core/browser/ChannelBrowser.h"
#include "core/ports/UiPort.h"
#include "core/settings/ListEntries.h"
#include "core/store/ChannelStore.h"

#include <string>

namespace kw {
namespace {

bool hasSiblings(const ChannelTree& tree, NodeId node) { return tree.childCount(tree.parent(node)) > 1; }

// Whether `node` lies on the path from the root to `descendant` (or is it).
bool isOnPathTo(const ChannelTree& tree, NodeId node, NodeId descendant) {
    for (NodeId at = descendant; at != kNoNode; at = tree.parent(at)) {
        if (at == node) return true;
    }
    return false;
}

}  // namespace

ChannelEdits::ChannelEdits(ChannelStore& store, ChannelBrowser& browser, ChildLock& lock, UiPort& ui)
    : store_(store), browser_(browser), lock_(lock), ui_(ui) {}

NodeId ChannelEdits::selectedChannel() const {
    if (browser_.busy()) return kNoNode;
    const NodeId node = browser_.selected();
    return node != kNoNode && browser_.tree().IsChannelLeaf(node) ? node : kNoNode;
}

bool ChannelEdits::SetChannelFavorite(NodeId node, int favourite) {
    ChannelTree& tree = browser_.tree();
    if (browser_.busy() || !tree.contains(node) || !tree.IsChannelLeaf(node)) return false;
    // A copy: the node goes away with the move.
    const std::string name(tree.text(node));
    const bool movesAlone = hasSiblings(tree, node);
    if (!movesAlone) browser_.noteChannelChanging(name);
    store_.setFavorited(name, favourite);
    if (movesAlone) {
        // Read before the tree changes, so a failed read leaves the tree as it was.
        const ChannelPlacement columns = store_.readChannelPlacement(name);
        const NodeId placed = browser_.PlaceChannel(columns, name, browser_.displayMode());
        // When the leaf already stands where the row places it (a tree from a
        // cache older than the row), placing finds the old node itself; removing
        // it then would drop the channel from the tree.
        if (!isOnPathTo(tree, node, placed)) browser_.removeNode(node);
        browser_.sortTree();
    } else {
        browser_.noteChannelStored(name);
        browser_.applyPendingChanges();
    }
    browser_.select(tree.root());
    return browser_.FindNextChannel(name);
}

void ChannelEdits::actFavoritesChannelExecute() {
    const NodeId node = selectedChannel();
    if (node != kNoNode) SetChannelFavorite(node, browser_.details().favoriteTarget);
}

void ChannelEdits::SetChannelRating(int item) {
    const NodeId node = selectedChannel();
    if (node == kNoNode || item < 0 || item >= kRatingItemCount) return;
    store_.setRating(browser_.tree().text(node), item + 1);
    browser_.ShowNodeDetails(node);
}

bool ChannelEdits::actDeleteChannelExecute() {
    const NodeId node = selectedChannel();
    if (node == kNoNode) return false;
    ChannelTree& tree = browser_.tree();
    const std::string name(tree.text(node));
    if (!ui_.AskYesNo(kDeleteCaption, std::string(kDeleteQuestion) + name)) return false;
    const bool goesAlone = hasSiblings(tree, node);
    if (!goesAlone) browser_.noteChannelChanging(name);
    store_.deleteChannel(name);
    if (goesAlone) {
        const NodeId above = tree.previousInTreeOrder(node);
        browser_.select(above);
        browser_.removeNode(node);
        browser_.ShowNodeDetails(above);
    } else {
        browser_.applyPendingChanges();
    }
    return true;
}

bool ChannelEdits::setChannelLocked(NodeId node, int target) {
    const ChannelTree& tree = browser_.tree();
    if (browser_.busy() || !tree.contains(node) || !tree.IsChannelLeaf(node)) return false;
    // A copy: the password dialog may let other events run before the write.
    if (!lock_.setChannelLocked(std::string(tree.text(node)), target)) return false;
    browser_.ShowNodeDetails(browser_.selected());
    return true;
}

bool ChannelEdits::actLockChannelExecute() {
    const NodeId node = selectedChannel();
    return node != kNoNode && setChannelLocked(node, browser_.details().lockTarget);
}

}  // namespace kw
