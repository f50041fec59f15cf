#include "core/browser/TreePatch.h"

#include "core/base/TextCodec.h"
#include "core/browser/BrowserTexts.h"
#include "core/browser/ChannelPlacer.h"
#include "core/store/ChannelStore.h"

#include <algorithm>
#include <utility>

namespace kw {

bool ChannelChanges::keep() {
    if (size() < kMostKept) return true;
    tooMany_ = true;
    std::vector<ChannelListing>().swap(removed_);
    std::vector<std::string>().swap(placed_);
    placedNames_.clear();
    return false;
}

void ChannelChanges::changing(std::string_view name, const std::optional<ChannelListing>& before) {
    if (tooMany_ || !before || placedNames_.contains(std::string(name)) || !keep()) return;
    removed_.push_back(*before);
}

void ChannelChanges::stored(std::string_view name) {
    if (tooMany_ || !keep()) return;
    placed_.emplace_back(name);
    placedNames_.emplace(name);
}

TreePatch::TreePatch(ChannelTree& tree, int displayMode, ShownChannels shown, FindChannel find,
                     YieldHook& yield)
    : tree_(tree), displayMode_(displayMode), shown_(shown), find_(std::move(find)), yield_(yield) {}

bool TreePatch::shown(const ChannelListing& row) const { return shown_.shows(row); }

bool TreePatch::isFixed(NodeId node) const {
    if (tree_.level(node) == 0) return true;
    return tree_.level(node) == 1 &&
           std::ranges::find(texts::kCategoryRoots, tree_.text(node)) != texts::kCategoryRoots.end();
}

bool TreePatch::endsAt(NodeId node) const {
    const std::optional<ChannelListing> channel = find_(tree_.text(node));
    if (!channel || !shown(*channel) || text::trimBlanks(channel->name) != tree_.text(node)) return false;
    const std::vector<std::string_view> path = classPath(columnsOf(*channel), displayMode_);
    NodeId up = tree_.parent(node);
    for (auto level = path.rbegin(); level != path.rend(); ++level) {
        if (up == kNoNode || tree_.level(up) == 0 || tree_.text(up) != *level) return false;
        up = tree_.parent(up);
    }
    return up != kNoNode && tree_.level(up) == 0;
}

bool TreePatch::remove(const ChannelListing& before) {
    if (!shown(before)) return true;
    NodeId node = tree_.root();
    for (std::string_view level : classPath(columnsOf(before), displayMode_)) {
        if (node == kNoNode) return false;
        node = tree_.childWithText(node, level);
    }
    if (node == kNoNode) return false;
    node = tree_.childWithText(node, text::trimBlanks(before.name));
    if (node == kNoNode) return false;
    while (!tree_.hasChildren(node) && !isFixed(node) && !endsAt(node)) {
        yield_.tick();
        const NodeId parent = tree_.parent(node);
        tree_.removeNode(node);
        node = parent;
    }
    return true;
}

void TreePatch::place(const ChannelListing& row) {
    if (shown(row)) PlaceChannel(tree_, columnsOf(row), displayMode_, yield_);
}

}  // namespace kw
