#pragma once

#include "core/base/YieldHook.h"
#include "core/browser/ChannelPlacer.h"
#include "core/browser/ChannelTree.h"
#include "core/store/ChannelStore.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace kw {

// Channels written since the tree was built, as the writing commands report
// them: the rows as they were before a change or deletion, and the names
// stored since. Reporting more than was written is harmless; a patch
// checks each one against the database.
class ChannelChanges {
public:
    // Beyond this many the tree is rebuilt instead, and no more are kept.
    static constexpr std::size_t kMostKept = 50'000;

    // A channel about to change or go, as the tree shows it (nullopt: it is
    // not in the tree, being filtered out or missing).
    void changing(std::string_view name, const std::optional<ChannelListing>& before);
    // A channel stored under this name: new, or changed.
    void stored(std::string_view name);
    // Too many changes have been reported to patch the tree.
    bool tooMany() const { return tooMany_; }
    std::size_t size() const { return removed_.size() + placed_.size(); }
    const std::vector<ChannelListing>& removed() const { return removed_; }
    const std::vector<std::string>& placed() const { return placed_; }

private:
    bool keep();

    std::vector<ChannelListing> removed_;
    std::vector<std::string> placed_;
    // Names stored in this set: a later change of one removes nothing from
    // the tree, which never showed it.
    std::unordered_set<std::string> placedNames_;
    bool tooMany_ = false;
};

// Brings a tree built from the database up to date with a few changed
// channels, to exactly the nodes and order a rebuild would give: the tree is
// the union of every shown channel's path, so a new channel's path is walked
// with FindOrAddChild, and a removed channel takes with it its leaf and each
// class node that no other channel still passes through or ends at.
class TreePatch {
public:
    // The channel of exactly this name as the rebuild's pass reads it.
    using FindChannel = std::function<std::optional<ChannelListing>(std::string_view name)>;

    TreePatch(ChannelTree& tree, int displayMode, ShownChannels shown, FindChannel find, YieldHook& yield);

    // Takes out a channel placed by these columns. False when its leaf is not
    // where they put it: the tree does not match the database.
    bool remove(const ChannelListing& before);
    void place(const ChannelListing& row);

private:
    bool shown(const ChannelListing& row) const;
    bool isFixed(NodeId node) const;
    // Whether some shown channel's leaf is node itself.
    bool endsAt(NodeId node) const;

    ChannelTree& tree_;
    int displayMode_;
    ShownChannels shown_;
    FindChannel find_;
    YieldHook& yield_;
};

}  // namespace kw
