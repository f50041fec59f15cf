#include "browser/TreeBuilder.h"

#include "browser/BrowserTexts.h"
#include "store/ChannelStore.h"
#include "store/TextCodec.h"

#include <array>

namespace kw {
namespace {

// The class columns below the main category, per display mode; a mode out of
// range places the leaf directly under the main category, as mode 5 does.
enum Column { kClass1, kClass2, kClass3, kVol, kEnd };
constexpr std::array<std::array<Column, 4>, 7> kModePaths{{
    {kClass1, kClass2, kClass3, kEnd},  // 0 content first
    {kClass2, kClass1, kClass3, kEnd},  // 1 region first
    {kClass1, kEnd, kEnd, kEnd},        // 2 content only
    {kClass2, kEnd, kEnd, kEnd},        // 3 region only
    {kClass3, kEnd, kEnd, kEnd},        // 4 language only
    {kEnd, kEnd, kEnd, kEnd},           // 5 main category only
    {kVol, kEnd, kEnd, kEnd},           // 6 data issue
}};

std::string_view columnValue(const ChannelColumns& channel, Column column) {
    switch (column) {
        case kClass1:
            return channel.class1;
        case kClass2:
            return channel.class2;
        case kClass3:
            return channel.class3;
        case kVol:
            return channel.vol;
        case kEnd:
            break;
    }
    return {};
}

}  // namespace

void addCategoryRoots(ChannelTree& tree) {
    const NodeId root = tree.appendChild(kNoNode, texts::kTreeRoot);
    for (std::string_view category : texts::kCategoryRoots) tree.appendChild(root, category);
}

NodeId PlaceChannel(ChannelTree& tree, const ChannelColumns& channel, int displayMode, YieldHook& yield) {
    NodeId root = tree.root();
    if (root == kNoNode) root = tree.appendChild(kNoNode, texts::kTreeRoot);
    NodeId node = root;
    if (channel.favorited != 0) {
        // A tree built from the database always has the branch; one loaded
        // from a foreign cache may not, and the favourite still needs a place.
        node = tree.FindCategoryNode(texts::kFavouritesRoot);
        if (node == kNoNode) node = tree.appendChild(root, texts::kFavouritesRoot);
    }
    node = tree.FindOrAddChild(node, text::trimBlanks(channel.class0), yield);
    if (displayMode >= 0 && displayMode < static_cast<int>(kModePaths.size())) {
        for (Column column : kModePaths[static_cast<std::size_t>(displayMode)]) {
            if (column == kEnd) break;
            node = tree.FindOrAddChild(node, text::trimBlanks(columnValue(channel, column)), yield);
        }
    }
    return tree.FindOrAddChild(node, text::trimBlanks(channel.name), yield);
}

bool placeListedChannel(ChannelTree& tree, const ChannelListing& row, int displayMode, int lockMode,
                        YieldHook& yield) {
    if (row.locked == 1 && lockMode == 1) return false;
    PlaceChannel(
        tree,
        ChannelColumns{row.class0, row.class1, row.class2, row.class3, row.vol, row.name, row.favorited},
        displayMode, yield);
    return true;
}

}  // namespace kw
