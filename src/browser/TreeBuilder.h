#pragma once

#include "app/YieldHook.h"
#include "browser/ChannelTree.h"

#include <string_view>

namespace kw {

struct ChannelListing;

// The columns that place one channel in the tree, as stored; PlaceChannel
// trims them itself.
struct ChannelColumns {
    std::string_view class0, class1, class2, class3, vol, name;
    int favorited = 0;
};

// Adds the root and, below it, the eight category roots that a tree built
// from the database always has.
void addCategoryRoots(ChannelTree& tree);

// Adds one channel leaf at its place: under its main category (inside the
// favourites branch when it is a favourite), then along the class levels of
// the display mode. Empty values add no level. Returns the leaf, or the
// existing node with the leaf's text at that place.
NodeId PlaceChannel(ChannelTree& tree, const ChannelColumns& channel, int displayMode, YieldHook& yield);

// One row of the database pass of a rebuild: places it unless the lock mode
// hides locked channels. Returns whether the row was placed.
bool placeListedChannel(ChannelTree& tree, const ChannelListing& row, int displayMode, int lockMode,
                        YieldHook& yield);

}  // namespace kw
