#include "core/browser/ChannelTree.h"

#include "core/base/Error.h"
#include "core/browser/TreeCollation.h"

#include <algorithm>
#include <array>
#include <bit>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <future>
#include <new>
#include <string>

namespace kw {
namespace {

constexpr std::uint32_t kNoList = std::numeric_limits<std::uint32_t>::max();
constexpr std::uint8_t kAlive = 1;
constexpr std::uint8_t kExpanded = 2;
// Below this many children a linear search is faster than hashing.
constexpr std::size_t kIndexFrom = 8;
// A sorted list with at most this many children appended after it takes them
// in by binary insertion instead of a full sort.
constexpr std::size_t kInsertTail = 32;
// How many children ahead a sort fetches nodes into the cache.
constexpr std::size_t kFetchAhead = 8;
// A sort of at least this many children in all is worth a second thread.
constexpr std::size_t kShareSortFrom = 20'000;
// How often the window gets a turn while this thread waits for the helper.
constexpr std::chrono::milliseconds kHelperPoll{5};

// Child lists and their indexes: small ones from the heap, large ones (the
// leaves of a category in mode 5) in blocks.
template <typename T>
struct ListAllocator {
    using value_type = T;
    ListAllocator() = default;
    template <typename U>
    ListAllocator(const ListAllocator<U>& /*other*/) {}
    T* allocate(std::size_t count) {
        const std::size_t bytes = count * sizeof(T);
        return static_cast<T*>(bytes < kBlockBytes ? ::operator new(bytes) : allocateBlocks(bytes));
    }
    void deallocate(T* array, std::size_t count) {
        if (count * sizeof(T) < kBlockBytes) {
            ::operator delete(array);
        } else {
            std::free(array);
        }
    }
    bool operator==(const ListAllocator&) const = default;
};

}  // namespace

struct ChannelTree::ChildList {
    struct Slot {
        NodeId id = kNoNode;  // kNoNode: free
        std::uint32_t hash = 0;
    };
    std::vector<NodeId, ListAllocator<NodeId>> ids;
    std::size_t sorted = 0;  // the leading children known to be in order
    // Children were appended unchecked: two may share a text until the sort.
    bool unchecked = false;
    // Open addressing by text over child ids, holding the first child of each
    // text only; built on the first lookup of a large list. Slots keep the
    // hash so a probe rarely has to read another node's text.
    mutable std::vector<Slot, ListAllocator<Slot>> index;
    mutable std::size_t indexed = 0;
    // The child the last lookup found, with its hash: rows of one class tend
    // to come together.
    mutable NodeId lastFound = kNoNode;
    mutable std::uint32_t lastFoundHash = 0;
};

ChannelTree::ChannelTree() { nodes_.push_back(Node{nullptr, 0, 0, 0, kNoList, 0, 0}); }

ChannelTree::~ChannelTree() = default;

template <typename Call>
void ChannelTree::notify(Call call) {
    for (TreeObserver* observer : observers_) call(*observer);
}

void ChannelTree::addObserver(TreeObserver* observer) { observers_.push_back(observer); }

void ChannelTree::removeObserver(TreeObserver* observer) { std::erase(observers_, observer); }

ChannelTree::ResetScope::ResetScope(ChannelTree& tree) : tree_(tree) {
    if (tree_.resetDepth_++ == 0) tree_.notify([](TreeObserver& o) { o.treeAboutToReset(); });
}

ChannelTree::ResetScope::~ResetScope() {
    if (--tree_.resetDepth_ == 0) {
        ++tree_.generation_;
        tree_.notify([](TreeObserver& o) { o.treeReset(); });
    }
}

void ChannelTree::clear() {
    ResetScope scope(*this);
    nodes_ = BlockArray<Node>{};
    nodes_.push_back(Node{nullptr, 0, 0, 0, kNoList, 0, 0});
    std::vector<ChildList>().swap(lists_);
    pool_ = TextBlocks{};
    liveCount_ = 0;
    selected_ = kNoNode;
}

void ChannelTree::takeNodes(ChannelTree& other) {
    ResetScope scope(*this);
    nodes_ = std::move(other.nodes_);
    lists_ = std::move(other.lists_);
    pool_ = std::move(other.pool_);
    liveCount_ = other.liveCount_;
    selected_ = other.selected_;
    other.clear();
}

std::uint32_t ChannelTree::listOf(NodeId internal) const { return nodes_[internal].list; }

std::uint32_t ChannelTree::ensureList(NodeId internal) {
    if (nodes_[internal].list == kNoList) {
        lists_.emplace_back();
        nodes_[internal].list = static_cast<std::uint32_t>(lists_.size() - 1);
    }
    return nodes_[internal].list;
}

namespace {

// 32 bits of the text's hash: the low bits place a slot, all of them filter
// probes, and a table grows without reading any text again.
std::uint32_t textHash(std::string_view text) {
    const std::size_t hash = std::hash<std::string_view>{}(text);
    return static_cast<std::uint32_t>(hash ^ (hash >> 32));
}

}  // namespace

NodeId ChannelTree::appendChild(NodeId parent, std::string_view text) {
    return addChild(parent, text, textHash(text), nullptr);
}

NodeId ChannelTree::addChild(NodeId parent, std::string_view text, std::uint32_t hash, YieldHook* yield) {
    if (nodes_.size() >= kNoNode || text.size() >= std::numeric_limits<std::uint32_t>::max()) {
        throw Error("The channel tree cannot hold more nodes");
    }
    const NodeId internalParent = toInternal(parent);
    const std::uint32_t listIndex = ensureList(internalParent);
    const auto row = static_cast<std::uint32_t>(lists_[listIndex].ids.size());
    if (!resetting()) notify([&](TreeObserver& o) { o.nodeAboutToBeAdded(parent, row); });

    const auto id = static_cast<NodeId>(nodes_.size());
    const std::string_view stored = pool_.store(text);
    const std::uint32_t depth = nodes_[internalParent].depth + 1;
    nodes_.push_back(Node{stored.data(), static_cast<std::uint32_t>(stored.size()), internalParent, row,
                          kNoList, depth, kAlive});
    ChildList& list = lists_[listIndex];
    list.ids.push_back(id);
    if (!list.index.empty()) indexInsert(list, id, hash, yield);
    ++liveCount_;
    ++generation_;
    if (!resetting()) notify([&](TreeObserver& o) { o.nodeAdded(id); });
    return id;
}

void ChannelTree::buildIndex(const ChildList& list, YieldHook* yield) const {
    std::size_t slots = 16;
    while (slots * 3 < (list.ids.size() + 1) * 4) slots <<= 1;
    list.index.assign(slots, ChildList::Slot{});
    list.indexed = 0;
    for (NodeId id : list.ids) {
        if (yield) yield->tick();
        indexInsert(list, id, textHash(nodes_[id].view()), yield);
    }
}

void ChannelTree::indexInsert(const ChildList& list, NodeId id, std::uint32_t hash, YieldHook* yield) const {
    // At most three quarters full: a slot is 8 bytes, so a probe sequence
    // mostly stays in one cache line.
    if ((list.indexed + 1) * 4 > list.index.size() * 3) {
        decltype(list.index) grown(list.index.size() * 2);
        const std::size_t mask = grown.size() - 1;
        for (const ChildList::Slot& held : list.index) {
            if (held.id == kNoNode) continue;
            if (yield) yield->tick();
            std::size_t slot = held.hash & mask;
            while (grown[slot].id != kNoNode) slot = (slot + 1) & mask;
            grown[slot] = held;
        }
        list.index.swap(grown);
    }
    const std::string_view text = nodes_[id].view();
    const std::size_t mask = list.index.size() - 1;
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        ChildList::Slot& held = list.index[slot];
        if (held.id == kNoNode) {
            held = ChildList::Slot{id, hash};
            ++list.indexed;
            return;
        }
        if (held.hash == hash && nodes_[held.id].view() == text) return;  // an earlier child keeps the text
    }
}

NodeId ChannelTree::findChild(NodeId internal, std::string_view text, std::uint32_t hash,
                              YieldHook* yield) const {
    const std::uint32_t listIndex = listOf(internal);
    if (listIndex == kNoList) return kNoNode;
    const ChildList& list = lists_[listIndex];
    if (list.ids.size() < kIndexFrom) {
        for (NodeId id : list.ids) {
            if (yield) yield->tick();
            if (nodes_[id].view() == text) return id;
        }
        return kNoNode;
    }
    if (list.index.empty()) buildIndex(list, yield);
    if (yield) yield->tick();
    if (list.lastFound != kNoNode && list.lastFoundHash == hash && nodes_[list.lastFound].view() == text) {
        return list.lastFound;
    }
    const std::size_t mask = list.index.size() - 1;
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        const ChildList::Slot& held = list.index[slot];
        if (held.id == kNoNode) return kNoNode;
        if (held.hash == hash && nodes_[held.id].view() == text) {
            list.lastFound = held.id;
            list.lastFoundHash = hash;
            return held.id;
        }
    }
}

NodeId ChannelTree::FindOrAddChild(NodeId parent, std::string_view text, YieldHook& yield) {
    if (text.empty()) return parent;
    // One hash serves the lookup and, for a new child, its index entry.
    const std::uint32_t hash = textHash(text);
    const NodeId found = findChild(toInternal(parent), text, hash, &yield);
    return found != kNoNode ? found : addChild(parent, text, hash, &yield);
}

void ChannelTree::appendUnchecked(NodeId parent, std::span<const std::string_view> texts, YieldHook& yield) {
    if (!resetting()) throw Error("Children are appended unchecked only while the tree is rebuilt");
    const NodeId internalParent = toInternal(parent);
    if (nodes_.size() + texts.size() >= kNoNode) throw Error("The channel tree cannot hold more nodes");
    const std::uint32_t listIndex = ensureList(internalParent);
    const std::uint32_t depth = nodes_[internalParent].depth + 1;
    ChildList& list = lists_[listIndex];
    list.ids.reserve(list.ids.size() + texts.size());
    for (std::string_view text : texts) {
        yield.tick();
        if (text.empty()) continue;
        if (text.size() >= std::numeric_limits<std::uint32_t>::max())
            throw Error("The channel tree cannot hold more nodes");
        const auto id = static_cast<NodeId>(nodes_.size());
        const std::string_view stored = pool_.store(text);
        nodes_.push_back(Node{stored.data(), static_cast<std::uint32_t>(stored.size()), internalParent,
                              static_cast<std::uint32_t>(list.ids.size()), kNoList, depth, kAlive});
        list.ids.push_back(id);
        if (!list.index.empty()) indexInsert(list, id, textHash(text), &yield);
        ++liveCount_;
    }
    list.unchecked = true;
    ++generation_;
}

NodeId ChannelTree::childWithText(NodeId parent, std::string_view text) const {
    if (text.empty()) return kNoNode;
    return findChild(toInternal(parent), text, textHash(text), nullptr);
}

NodeId ChannelTree::FindCategoryNode(std::string_view text) const {
    const NodeId top = root();
    return top == kNoNode ? kNoNode : childWithText(top, text);
}

bool ChannelTree::IsChannelLeaf(NodeId node) const { return !hasChildren(node) && level(node) > 1; }

void ChannelTree::removeNode(NodeId node) {
    if (!contains(node)) return;
    const NodeId internalParent = nodes_[node].parent;
    const std::size_t row = nodes_[node].row;
    if (!resetting()) notify([&](TreeObserver& o) { o.nodeAboutToBeRemoved(node); });

    ChildList& list = lists_[nodes_[internalParent].list];
    list.ids.erase(list.ids.begin() + static_cast<std::ptrdiff_t>(row));
    for (std::size_t i = row; i < list.ids.size(); ++i)
        nodes_[list.ids[i]].row = static_cast<std::uint32_t>(i);
    if (row < list.sorted) --list.sorted;
    // A later child with the same text may now be the first; rebuild on demand.
    decltype(list.index)().swap(list.index);
    list.indexed = 0;
    list.lastFound = kNoNode;

    bool selectionGone = false;
    std::vector<NodeId> branch{node};
    while (!branch.empty()) {
        const NodeId id = branch.back();
        branch.pop_back();
        Node& gone = nodes_[id];
        gone.flags = 0;
        --liveCount_;
        selectionGone = selectionGone || id == selected_;
        if (gone.list != kNoList) {
            ChildList& children = lists_[gone.list];
            branch.insert(branch.end(), children.ids.begin(), children.ids.end());
            children = ChildList{};
        }
    }
    ++generation_;
    if (selectionGone) selected_ = kNoNode;
    if (!resetting()) {
        notify([&](TreeObserver& o) { o.nodeRemoved(toPublic(internalParent), row); });
        if (selectionGone) notify([](TreeObserver& o) { o.selectionChanged(kNoNode); });
    }
}

std::size_t ChannelTree::sortList(ChildList& list, const TreeCollation& collation, YieldHook& yield) {
    auto& ids = list.ids;
    std::size_t merged = 0;
    if (list.sorted > 0 && !list.unchecked && ids.size() - list.sorted <= kInsertTail) {
        const auto before = [&](NodeId a, NodeId b) {
            yield.tick();
            return collation.compare(nodes_[a].view(), nodes_[b].view()) < 0;
        };
        for (std::size_t i = list.sorted; i < ids.size(); ++i) {
            const auto at = ids.begin() + static_cast<std::ptrdiff_t>(i);
            // upper_bound: a text equal to earlier ones goes after them (stable).
            std::rotate(std::upper_bound(ids.begin(), at, *at, before), at, at + 1);
        }
    } else {
        const std::size_t count = ids.size();
        // Sort by collation key. The first 24 key bytes ride along as numbers
        // so most comparisons touch no key memory (names that share a start
        // differ within them); the text bytes and then the old position break
        // ties, which makes the sort stable. Keys hold no zero byte, so the
        // zero padding of a short key sorts it before longer ones, as memcmp does.
        struct Entry {
            std::array<std::uint64_t, 3> prefix;
            std::uint32_t index;
        };
        // Reserved, not filled: the memory is touched bit by bit between
        // yields instead of all at once.
        std::string keys;
        keys.reserve(count * 32);
        std::vector<std::size_t> offsets;
        offsets.reserve(count + 1);
        std::vector<Entry> entries;
        entries.reserve(count);
        for (std::size_t i = 0; i < count; ++i) {
            // A list's children may lie scattered through the arena and the
            // text pool: fetch the nodes and texts a few children ahead of use.
            if (i + kFetchAhead < count) __builtin_prefetch(&nodes_[ids[i + kFetchAhead]]);
            if (i + kFetchAhead / 2 < count) __builtin_prefetch(nodes_[ids[i + kFetchAhead / 2]].text);
            offsets.push_back(keys.size());
            collation.appendSortKey(nodes_[ids[i]].view(), keys);
            std::array<std::uint64_t, 3> prefix{};
            for (std::size_t at = offsets[i]; at < offsets[i] + 8 * prefix.size(); ++at) {
                std::uint64_t& word = prefix[(at - offsets[i]) / 8];
                word = (word << 8) | (at < keys.size() ? static_cast<unsigned char>(keys[at]) : 0u);
            }
            entries.push_back(Entry{prefix, static_cast<std::uint32_t>(i)});
            yield.tick();
        }
        offsets.push_back(keys.size());
        const auto key = [&](std::size_t i) {
            return std::string_view(keys).substr(offsets[i], offsets[i + 1] - offsets[i]);
        };
        std::sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
            yield.tick();
            if (a.prefix != b.prefix) return a.prefix < b.prefix;
            if (const int byKey = key(a.index).compare(key(b.index)); byKey != 0) return byKey < 0;
            if (const int byText = nodes_[ids[a.index]].view().compare(nodes_[ids[b.index]].view());
                byText != 0) {
                return byText < 0;
            }
            return a.index < b.index;
        });
        decltype(list.ids) sorted;
        sorted.reserve(count);
        const Entry* last = nullptr;
        for (const Entry& entry : entries) {
            yield.tick();
            NodeId id = ids[entry.index];
            // Children of one text are adjacent now, the earliest first. Only
            // one of them can have children (lookups always find the first),
            // and that one stays; the others are childless and go.
            if (list.unchecked && last != nullptr && last->prefix == entry.prefix &&
                nodes_[sorted.back()].view() == nodes_[id].view()) {
                if (nodes_[sorted.back()].list == kNoList) std::swap(sorted.back(), id);
                if (nodes_[id].list == kNoList) {
                    nodes_[id].flags = 0;
                    ++merged;
                    continue;
                }
            }
            sorted.push_back(id);
            last = &entry;
        }
        ids.swap(sorted);
    }
    const std::size_t count = ids.size();
    for (std::size_t i = 0; i < count; ++i) {
        yield.tick();
        if (i + kFetchAhead < count) __builtin_prefetch(&nodes_[ids[i + kFetchAhead]], 1);
        nodes_[ids[i]].row = static_cast<std::uint32_t>(i);
    }
    list.sorted = count;
    list.unchecked = false;
    return merged;
}

void ChannelTree::sortChildren(const TreeCollation& collation, YieldHook& yield) {
    std::vector<ChildList*> unsorted;
    std::size_t children = 0;
    for (ChildList& list : lists_) {
        if (list.sorted >= list.ids.size()) continue;
        if (list.ids.size() > 1) {
            unsorted.push_back(&list);
            children += list.ids.size();
        } else {
            list.sorted = list.ids.size();
        }
    }
    if (unsorted.empty()) return;
    if (!resetting()) notify([](TreeObserver& o) { o.layoutAboutToChange(); });
    std::size_t merged = 0;
    if (resetting() && children >= kShareSortFrom) {
        merged = sortShared(unsorted, collation, yield);
    } else {
        for (ChildList* list : unsorted) merged += sortList(*list, collation, yield);
    }
    liveCount_ -= merged;
    ++generation_;
    if (!resetting()) {
        notify([](TreeObserver& o) { o.layoutChanged(); });
        return;
    }
    // A finished build keeps no lookup indexes (a fifth of its memory): most
    // lists are never searched again, and one that is builds its index anew.
    for (ChildList& list : lists_) {
        decltype(list.index)().swap(list.index);
        list.indexed = 0;
        list.lastFound = kNoNode;
    }
}

// Only inside a reset: observers read nothing until it ends, so no one sees
// the tree while the helper thread works. Each list is sorted whole by one
// thread, which writes only that list and its children's rows; the result is
// the same whichever thread sorts a list.
std::size_t ChannelTree::sortShared(std::vector<ChildList*>& lists, const TreeCollation& collation,
                                    YieldHook& yield) {
    // Largest first, each to the side with less work so far.
    std::sort(lists.begin(), lists.end(),
              [](const ChildList* a, const ChildList* b) { return a->ids.size() > b->ids.size(); });
    std::vector<ChildList*> own;
    std::vector<ChildList*> helpers;
    std::size_t ownWork = 0;
    std::size_t helperWork = 0;
    for (ChildList* list : lists) {
        if (ownWork <= helperWork) {
            own.push_back(list);
            ownWork += list->ids.size();
        } else {
            helpers.push_back(list);
            helperWork += list->ids.size();
        }
    }
    // The future's destructor waits for the helper, also when this thread's
    // share throws, so the lists outlive its work.
    std::future<std::size_t> helper =
        std::async(std::launch::async, [this, &helpers, pinned = std::string(collation.pinnedFirst())] {
            const TreeCollation helperCollation(pinned);
            YieldHook unused;
            std::size_t merged = 0;
            for (ChildList* list : helpers) merged += sortList(*list, helperCollation, unused);
            return merged;
        });
    std::size_t merged = 0;
    for (ChildList* list : own) merged += sortList(*list, collation, yield);
    while (helper.wait_for(kHelperPoll) != std::future_status::ready) yield.yieldNow();
    return merged + helper.get();
}

bool ChannelTree::contains(NodeId node) const {
    return node != 0 && node < nodes_.size() && (nodes_[node].flags & kAlive) != 0;
}

NodeId ChannelTree::root() const {
    const auto top = children(kNoNode);
    return top.empty() ? kNoNode : top.front();
}

NodeId ChannelTree::parent(NodeId node) const { return toPublic(nodes_[node].parent); }

std::size_t ChannelTree::row(NodeId node) const { return nodes_[node].row; }

std::size_t ChannelTree::level(NodeId node) const { return nodes_[node].depth - 1; }

std::string_view ChannelTree::text(NodeId node) const { return nodes_[node].view(); }

std::span<const NodeId> ChannelTree::children(NodeId parent) const {
    const std::uint32_t listIndex = listOf(toInternal(parent));
    if (listIndex == kNoList) return {};
    return lists_[listIndex].ids;
}

NodeId ChannelTree::nextInTreeOrder(NodeId node) const {
    const auto below = children(node);
    if (!below.empty()) return below.front();
    NodeId current = toInternal(node);
    while (current != 0) {
        const Node& at = nodes_[current];
        const auto siblings = children(toPublic(at.parent));
        if (at.row + 1 < siblings.size()) return siblings[at.row + 1];
        current = at.parent;
    }
    return kNoNode;
}

NodeId ChannelTree::previousInTreeOrder(NodeId node) const {
    if (node == kNoNode) return kNoNode;
    const Node& at = nodes_[node];
    if (at.row == 0) return toPublic(at.parent);
    NodeId current = children(toPublic(at.parent))[at.row - 1];
    for (auto below = children(current); !below.empty(); below = children(current)) current = below.back();
    return current;
}

NodeId ChannelTree::lastInTreeOrder() const {
    NodeId current = kNoNode;
    for (auto below = children(current); !below.empty(); below = children(current)) current = below.back();
    return current;
}

std::size_t ChannelTree::memoryUsage() const {
    std::size_t bytes = nodes_.bytes() + lists_.capacity() * sizeof(ChildList);
    for (const ChildList& list : lists_) {
        bytes += list.ids.capacity() * sizeof(NodeId) + list.index.capacity() * sizeof(ChildList::Slot);
    }
    return bytes + pool_.bytes();
}

bool ChannelTree::isExpanded(NodeId node) const { return (nodes_[node].flags & kExpanded) != 0; }

void ChannelTree::setFlag(NodeId internal, bool expanded) {
    std::uint8_t& flags = nodes_[internal].flags;
    flags = expanded ? static_cast<std::uint8_t>(flags | kExpanded)
                     : static_cast<std::uint8_t>(flags & ~kExpanded);
}

void ChannelTree::setExpanded(NodeId node, bool expanded) {
    if (!contains(node) || isExpanded(node) == expanded) return;
    setFlag(node, expanded);
    if (!resetting()) notify([&](TreeObserver& o) { o.expansionChanged(node); });
}

void ChannelTree::setBranchExpanded(NodeId node, bool expanded) {
    if (!contains(node)) return;
    std::vector<NodeId> branch{node};
    while (!branch.empty()) {
        const NodeId id = branch.back();
        branch.pop_back();
        const auto below = children(id);
        if (below.empty()) continue;
        setFlag(id, expanded);
        branch.insert(branch.end(), below.begin(), below.end());
    }
    if (!resetting()) notify([&](TreeObserver& o) { o.expansionChanged(node); });
}

void ChannelTree::setAllExpanded(bool expanded) {
    for (NodeId id = 1; id < nodes_.size(); ++id) {
        if (contains(id)) setFlag(id, expanded && hasChildren(id));
    }
    if (!resetting()) notify([](TreeObserver& o) { o.expansionChanged(kNoNode); });
}

void ChannelTree::makeVisible(NodeId node) {
    if (!contains(node)) return;
    bool changed = false;
    for (NodeId up = parent(node); up != kNoNode; up = parent(up)) {
        changed = changed || !isExpanded(up);
        setFlag(up, true);
    }
    if (resetting()) return;
    if (changed) notify([](TreeObserver& o) { o.expansionChanged(kNoNode); });
    notify([&](TreeObserver& o) { o.scrollRequested(node); });
}

void ChannelTree::select(NodeId node) {
    selected_ = contains(node) ? node : kNoNode;
    if (!resetting()) notify([&](TreeObserver& o) { o.selectionChanged(selected_); });
}

}  // namespace kw
