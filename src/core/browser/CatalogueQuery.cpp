#include "core/browser/CatalogueQuery.h"

#include "core/base/Error.h"
#include "core/browser/ChannelBrowser.h"
#include "core/browser/TreeCache.h"
#include "core/settings/AboutPage.h"
#include "core/settings/ListEntries.h"
#include "core/store/ChannelStore.h"

namespace kw {

namespace {

int checkedRatingFilter(int filter) {
    if (!isValidRatingFilter(filter))
        throw Error("The rating filter must be 0 to " + std::to_string(kFilterChannelCount - 1));
    return filter;
}

}  // namespace

std::string noChannelNamed(std::string_view name) {
    return "No channel named \"" + std::string(name) + "\" in the channel tree";
}

CatalogueQuery::CatalogueQuery(ChannelStore& store, ChannelBrowser& browser)
    : store_(store), browser_(browser) {}

void CatalogueQuery::rebuildFromDatabase(std::optional<int> ratingFilter, std::optional<int> displayMode) {
    if (ratingFilter) browser_.setRatingFilter(checkedRatingFilter(*ratingFilter));
    if (displayMode) {
        if (!isValidDisplayMode(*displayMode))
            throw Error("The display mode must be 0 to " + std::to_string(kClassDisplayChannelCount - 1));
        browser_.setDisplayMode(*displayMode);
    }
    browser_.RebuildChannelTree(false);
}

NodeId CatalogueQuery::findChannelLeaf(std::string_view name) const {
    const ChannelTree& tree = browser_.tree();
    for (NodeId node = tree.nextInTreeOrder(kNoNode); node != kNoNode; node = tree.nextInTreeOrder(node)) {
        if (tree.IsChannelLeaf(node) && tree.text(node) == name) return node;
    }
    return kNoNode;
}

NodeId CatalogueQuery::findNode(std::string_view text) const {
    const ChannelTree& tree = browser_.tree();
    for (NodeId node = tree.nextInTreeOrder(kNoNode); node != kNoNode; node = tree.nextInTreeOrder(node)) {
        if (tree.text(node) == text) return node;
    }
    return kNoNode;
}

void CatalogueQuery::select(NodeId node) {
    browser_.select(node);
    browser_.ShowNodeDetails(node);
}

NodeId CatalogueQuery::selectChannelLeaf(std::string_view name) {
    rebuildFromDatabase();
    const NodeId node = findChannelLeaf(name);
    if (node == kNoNode) throw Error(noChannelNamed(name));
    select(node);
    return node;
}

std::string CatalogueQuery::selectedText() const {
    const ChannelTree& tree = browser_.tree();
    return std::string(tree.text(tree.selected()));
}

void CatalogueQuery::setHideDeadChannels(bool hide) { browser_.setHideDeadChannels(hide); }

std::vector<std::string> CatalogueQuery::channelNames(int ratingFilter,
                                                      std::optional<ChannelState> state) const {
    std::vector<std::string> names;
    store_.forEachListedChannel(checkedRatingFilter(ratingFilter),
                                [&](const ChannelListing& channel) { names.push_back(channel.name); });
    if (state) {
        // A channel its list no longer has counts as dead, as the tree marks it.
        DeadChannels dead;
        dead.reload(store_);
        std::erase_if(names, [&](const std::string& name) {
            const ChannelState found =
                dead.contains(name) ? ChannelState::Dead : channelStateOf(store_.readCheck(name));
            return found != *state;
        });
    }
    return names;
}

std::string CatalogueQuery::treeOutline() const { return formatTreeOutline(browser_.tree()); }

std::string CatalogueQuery::channelCountLine() const { return kw::channelCountLine(store_); }

}  // namespace kw
