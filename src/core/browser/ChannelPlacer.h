#pragma once

#include "core/base/YieldHook.h"
#include "core/browser/ChannelTree.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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

// Places the rows of one database pass, leaving out locked channels under
// lock mode 1. Nothing is removed during a pass, so the node a path of class
// values leads to never changes: it is remembered by path, and each row then
// costs one child lookup (its leaf) instead of one per level.
class ChannelPlacer {
public:
    ChannelPlacer(ChannelTree& tree, int displayMode, int lockMode, YieldHook& yield);
    ~ChannelPlacer();
    ChannelPlacer(const ChannelPlacer&) = delete;
    ChannelPlacer& operator=(const ChannelPlacer&) = delete;

    // Returns whether the row was placed.
    bool place(const ChannelListing& row);

private:
    ChannelTree& tree_;
    int displayMode_;
    int lockMode_;
    YieldHook& yield_;
    // Open addressing over the path keys, which sit end to end in keys_: a
    // few thousand paths stay within a small, cache-friendly space.
    struct Path {
        std::uint64_t hash = 0;
        std::uint32_t offset = 0;
        std::uint32_t size = 0;
        NodeId node = kNoNode;
    };
    NodeId findPath(std::string_view key, std::uint64_t hash) const;
    void addPath(std::string_view key, std::uint64_t hash, NodeId node);
    std::vector<Path> paths_;
    std::size_t pathCount_ = 0;
    std::string keys_;
    std::string key_;
};

}  // namespace kw
