#pragma once

#include "core/base/YieldHook.h"
#include "core/browser/BlockMemory.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

namespace kw {

class TreeCollation;

// A node of the channel tree. Ids are stable for the node's life and are not
// reused until the tree is cleared, so a view may keep them in its indexes.
// Functions taking a node expect a live node of the tree unless they say
// what they do with kNoNode.
using NodeId = std::uint32_t;
inline constexpr NodeId kNoNode = std::numeric_limits<NodeId>::max();

// Told about every change of the tree, so that a view adapter can follow it.
// Inside a reset (a rebuild or cache load) only the reset itself is reported:
// afterwards the observer reads the whole tree, its expansion and selection.
class TreeObserver {
public:
    virtual ~TreeObserver() = default;
    virtual void treeAboutToReset() {}
    virtual void treeReset() {}
    // parent kNoNode means the top level.
    virtual void nodeAboutToBeAdded(NodeId /*parent*/, std::size_t /*row*/) {}
    virtual void nodeAdded(NodeId /*node*/) {}
    // Removing a node removes its whole branch.
    virtual void nodeAboutToBeRemoved(NodeId /*node*/) {}
    virtual void nodeRemoved(NodeId /*parent*/, std::size_t /*row*/) {}
    // Children were reordered by a sort; no node was added or removed.
    virtual void layoutAboutToChange() {}
    virtual void layoutChanged() {}
    // Expanded states changed at node and possibly below it (kNoNode: anywhere).
    virtual void expansionChanged(NodeId /*node*/) {}
    virtual void selectionChanged(NodeId /*node*/) {}
    // The node should be scrolled into view; its ancestors are expanded.
    virtual void scrollRequested(NodeId /*node*/) {}
    // Channels were found dead or alive again: their leaves look different.
    virtual void marksChanged() {}
};

class ChannelTree;

// What a view of the tree may do with it: read it, follow its changes, and
// expand, collapse and select nodes as a click does. Nothing else changes it.
class TreeViewAccess {
public:
    virtual ~TreeViewAccess() = default;
    virtual const ChannelTree& tree() const = 0;
    virtual void watch(TreeObserver* observer) = 0;
    virtual void unwatch(TreeObserver* observer) = 0;
    virtual void setExpanded(NodeId node, bool expanded) = 0;
    virtual void setSelected(NodeId node) = 0;
    // A channel leaf drawn as dead: its last two checks failed.
    virtual bool isMarkedDead(NodeId node) const = 0;
};

// The channel tree: text-only nodes with their expanded state, and the
// selection. Nodes live in one arena addressed by id; each node's children
// are an ordered list, and large lists keep a hash index by text so that
// placing a million channels stays linear.
class ChannelTree {
public:
    ChannelTree();
    ~ChannelTree();
    ChannelTree(const ChannelTree&) = delete;
    ChannelTree& operator=(const ChannelTree&) = delete;

    // --- structure

    void clear();
    // Replaces this tree's nodes with other's, leaving other empty; the
    // observers of this tree hear one reset. Expansion goes with the nodes.
    void takeNodes(ChannelTree& other);
    // A new last child of parent (kNoNode: a new top-level node).
    NodeId appendChild(NodeId parent, std::string_view text);
    // parent itself when text is empty; else the first child whose text is
    // byte for byte the same; else a new last child with that text.
    NodeId FindOrAddChild(NodeId parent, std::string_view text, YieldHook& yield);
    // Inside a reset only: new last children of parent, one per non-empty
    // text, without the search for a child of the same text that is most of
    // the cost of placing a million leaves. They get consecutive ids and
    // texts, so a sort reads them in memory order. The sort that ends the
    // build merges two children of one text into the one with children (or
    // the first), so the tree ends as FindOrAddChild would have left it.
    void appendUnchecked(NodeId parent, std::span<const std::string_view> texts, YieldHook& yield);
    // The first child of parent with exactly this text; kNoNode when text is
    // empty or no child has it.
    NodeId childWithText(NodeId parent, std::string_view text) const;
    // childWithText of the root.
    NodeId FindCategoryNode(std::string_view text) const;
    // A node without children below the category level.
    bool IsChannelLeaf(NodeId node) const;
    // Removes node with its whole branch; a selection inside it is cleared.
    void removeNode(NodeId node);
    // Sorts the children of every node whose children are not known to be in
    // order (appended, loaded or never sorted). The sort is stable. Inside a
    // reset a large sort shares the lists with a second thread; yields happen
    // on the calling thread only.
    void sortChildren(const TreeCollation& collation, YieldHook& yield);

    // --- reading

    bool empty() const { return liveCount_ == 0; }
    std::size_t nodeCount() const { return liveCount_; }
    bool contains(NodeId node) const;
    // The first top-level node.
    NodeId root() const;
    NodeId parent(NodeId node) const;  // kNoNode for a top-level node
    std::size_t row(NodeId node) const;
    std::size_t level(NodeId node) const;  // 0 for top-level nodes
    std::string_view text(NodeId node) const;
    // parent kNoNode stands for the top level.
    std::span<const NodeId> children(NodeId parent) const;
    std::size_t childCount(NodeId parent) const { return children(parent).size(); }
    NodeId child(NodeId parent, std::size_t row) const { return children(parent)[row]; }
    bool hasChildren(NodeId node) const { return !children(node).empty(); }

    // Tree order: a node, then its children's branches in order, all levels,
    // expanded or not. next of kNoNode is the first node; kNoNode after the last.
    NodeId nextInTreeOrder(NodeId node) const;
    // The node just above: the previous sibling's last descendant, or the parent.
    NodeId previousInTreeOrder(NodeId node) const;
    NodeId lastInTreeOrder() const;

    // Changes whenever nodes are added, removed or reordered, or the tree is replaced.
    std::uint64_t generation() const { return generation_; }
    // Bytes held by the tree's own structures (nodes, lists, indexes, texts).
    std::size_t memoryUsage() const;

    // --- view state

    bool isExpanded(NodeId node) const;
    void setExpanded(NodeId node, bool expanded);
    // node and every node below it that has children.
    void setBranchExpanded(NodeId node, bool expanded);
    void setAllExpanded(bool expanded);
    // Expands every ancestor of node and asks the view to scroll to it.
    void makeVisible(NodeId node);
    NodeId selected() const { return selected_; }
    void select(NodeId node);  // kNoNode clears the selection

    void addObserver(TreeObserver* observer);
    void removeObserver(TreeObserver* observer);

    // Wraps a replacement of the tree: observers hear one reset, not each node.
    class ResetScope {
    public:
        explicit ResetScope(ChannelTree& tree);
        ~ResetScope();
        ResetScope(const ResetScope&) = delete;
        ResetScope& operator=(const ResetScope&) = delete;

    private:
        ChannelTree& tree_;
    };

private:
    // No member initialisers: a fresh block of nodes stays untouched memory
    // until nodes are placed in it, instead of being written whole at once.
    struct Node {
        const char* text;
        std::uint32_t size;
        NodeId parent;  // internal id
        std::uint32_t row;
        std::uint32_t list;   // kNoList without children
        std::uint32_t depth;  // 0 for the hidden top, 1 for top-level nodes
        std::uint8_t flags;

        std::string_view view() const { return {text, size}; }
    };
    struct ChildList;

    std::uint32_t listOf(NodeId internal) const;
    std::uint32_t ensureList(NodeId internal);
    NodeId addChild(NodeId parent, std::string_view text, std::uint32_t hash, YieldHook* yield);
    NodeId findChild(NodeId internal, std::string_view text, std::uint32_t hash, YieldHook* yield) const;
    void buildIndex(const ChildList& list, YieldHook* yield) const;
    void indexInsert(const ChildList& list, NodeId id, std::uint32_t hash, YieldHook* yield) const;
    // Both return how many duplicate children they merged away.
    std::size_t sortList(ChildList& list, const TreeCollation& collation, YieldHook& yield);
    std::size_t sortShared(std::vector<ChildList*>& lists, const TreeCollation& collation, YieldHook& yield);
    void setFlag(NodeId internal, bool expanded);
    bool resetting() const { return resetDepth_ > 0; }
    template <typename Call>
    void notify(Call call);

    static NodeId toInternal(NodeId node) { return node == kNoNode ? 0 : node; }
    static NodeId toPublic(NodeId internal) { return internal == 0 ? kNoNode : internal; }

    BlockArray<Node> nodes_;  // [0] is the hidden parent of the top-level nodes
    std::vector<ChildList> lists_;
    TextBlocks pool_;  // node texts
    std::size_t liveCount_ = 0;
    NodeId selected_ = kNoNode;
    std::uint64_t generation_ = 0;
    int resetDepth_ = 0;
    std::vector<TreeObserver*> observers_;
};

}  // namespace kw
