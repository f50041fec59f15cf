#pragma once

#include "core/base/YieldHook.h"
#include "core/browser/BlockMemory.h"
#include "core/browser/ChannelTree.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kw {

class DeadChannels;
struct ChannelListing;
struct ListedColumns;

// The columns that place one channel in the tree, as stored; PlaceChannel
// trims them itself.
struct ChannelColumns {
    std::string_view class0, class1, class2, class3, vol, name;
    int favorited = 0;
};

// The columns of a row of the rebuild's pass.
ChannelColumns columnsOf(const ChannelListing& row);
// Whether the tree shows a channel of this lock flag: lock mode 1 hides locked ones.
bool isShownInLockMode(int locked, int lockMode);
// The channels a tree leaves out: the locked ones under lock mode 1 and, when
// the user hides them, the dead ones.
struct ShownChannels {
    int lockMode = 0;
    const DeadChannels* hiddenDead = nullptr;
    bool shows(const ChannelListing& row) const;
};
// Whether a stored name is empty or has blanks or control characters at
// either end: trimmed, two such names may share a leaf.
bool isIrregularName(std::string_view name);

// Adds the root and, below it, the eight category roots that a tree built
// from the database always has.
void addCategoryRoots(ChannelTree& tree);

// The texts of the levels below the root that a channel's leaf goes under:
// the favourites branch for a favourite, its main category, then the class
// levels of the display mode; trimmed, with empty values left out.
std::vector<std::string_view> classPath(const ChannelColumns& channel, int displayMode);

// Adds one channel leaf at its place: under its main category (inside the
// favourites branch when it is a favourite), then along the class levels of
// the display mode. Empty values add no level. Returns the leaf, or the
// existing node with the leaf's text at that place.
NodeId PlaceChannel(ChannelTree& tree, const ChannelColumns& channel, int displayMode, YieldHook& yield);

// Places the rows of one database pass inside a reset of the tree, leaving
// out the channels it does not show. Nothing is removed during a pass, so
// the node a path of class values leads to never changes: it is remembered by
// path. Leaves wait until finish(), which appends each parent's leaves in one
// run; the sort that ends the reset merges a leaf into a sibling of the same
// text.
class ChannelPlacer {
public:
    ChannelPlacer(ChannelTree& tree, int displayMode, ShownChannels shown, YieldHook& yield);
    ~ChannelPlacer();
    ChannelPlacer(const ChannelPlacer&) = delete;
    ChannelPlacer& operator=(const ChannelPlacer&) = delete;

    // The columns place() reads in this display mode.
    static ListedColumns columnsRead(int displayMode);

    // Returns whether the row was placed. Its class nodes are in the tree at
    // once, its leaf after finish().
    bool place(const ChannelListing& row);
    // Appends the leaves of the rows placed so far, grouped by parent in the
    // order they came.
    void finish();
    // Whether a placed row's name was empty or had blanks or control
    // characters at either end (two channels may then share a leaf).
    bool sawIrregularName() const { return sawIrregularName_; }

private:
    ChannelTree& tree_;
    int displayMode_;
    ShownChannels shown_;
    YieldHook& yield_;
    // Open addressing over the path keys, which sit end to end in keys_: a
    // few thousand paths stay within a small, cache-friendly space.
    static constexpr std::uint32_t kNoPath = 0xFFFFFFFF;
    struct Path {
        std::uint64_t hash = 0;
        std::uint32_t offset = 0;
        std::uint32_t size = 0;
        std::uint32_t number = kNoPath;  // index into parents_
    };
    std::uint32_t findPath(std::string_view key, std::uint64_t hash) const;
    std::uint32_t addPath(std::string_view key, std::uint64_t hash, NodeId node);
    std::vector<Path> paths_;
    std::vector<NodeId> parents_;  // the node each path leads to, by path number
    std::string keys_;
    std::string key_;
    // Leaves waiting for finish(), with their trimmed names.
    struct Leaf {
        const char* name;
        std::uint32_t size;
        std::uint32_t path;
    };
    BlockArray<Leaf> leaves_;
    TextBlocks names_;
    bool sawIrregularName_ = false;
};

}  // namespace kw
