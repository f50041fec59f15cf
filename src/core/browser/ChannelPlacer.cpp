#include "core/browser/ChannelPlacer.h"

#include "core/base/Error.h"
#include "core/base/TextCodec.h"
#include "core/browser/BrowserTexts.h"
#include "core/browser/DeadChannels.h"
#include "core/store/ChannelStore.h"

#include <array>
#include <cstdint>
#include <functional>

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

ChannelColumns columnsOf(const ChannelListing& row) {
    return {row.class0, row.class1, row.class2, row.class3, row.vol, row.name, row.favorited};
}

bool isShownInLockMode(int locked, int lockMode) { return !(locked == 1 && lockMode == 1); }

bool ShownChannels::shows(const ChannelListing& row) const {
    return isShownInLockMode(row.locked, lockMode) &&
           !(hiddenDead != nullptr && hiddenDead->contains(row.name));
}

bool isIrregularName(std::string_view name) {
    const std::string_view trimmed = text::trimBlanks(name);
    return trimmed.empty() || trimmed.size() != name.size();
}

void addCategoryRoots(ChannelTree& tree) {
    const NodeId root = tree.appendChild(kNoNode, texts::kTreeRoot);
    for (std::string_view category : texts::kCategoryRoots) tree.appendChild(root, category);
}

namespace {

const std::array<Column, 4>* modePath(int displayMode) {
    if (displayMode < 0 || displayMode >= static_cast<int>(kModePaths.size())) return nullptr;
    return &kModePaths[static_cast<std::size_t>(displayMode)];
}

}  // namespace

std::vector<std::string_view> classPath(const ChannelColumns& channel, int displayMode) {
    std::vector<std::string_view> path;
    if (channel.favorited != 0) path.push_back(texts::kFavouritesRoot);
    path.push_back(text::trimBlanks(channel.class0));
    if (const auto* columns = modePath(displayMode)) {
        for (Column column : *columns) {
            if (column == kEnd) break;
            path.push_back(text::trimBlanks(columnValue(channel, column)));
        }
    }
    std::erase(path, std::string_view{});
    return path;
}

namespace {

// The node a channel's leaf goes under, made where missing. A tree loaded
// from a foreign cache may lack even the root or the favourites branch.
NodeId classNode(ChannelTree& tree, const ChannelColumns& channel, int displayMode, YieldHook& yield) {
    NodeId node = tree.root();
    if (node == kNoNode) node = tree.appendChild(kNoNode, texts::kTreeRoot);
    for (std::string_view level : classPath(channel, displayMode))
        node = tree.FindOrAddChild(node, level, yield);
    return node;
}

void appendKeyPart(std::string& key, std::string_view part) {
    const auto size = static_cast<std::uint32_t>(part.size());
    key.append(reinterpret_cast<const char*>(&size), sizeof size);
    key.append(part);
}

}  // namespace

NodeId PlaceChannel(ChannelTree& tree, const ChannelColumns& channel, int displayMode, YieldHook& yield) {
    return tree.FindOrAddChild(classNode(tree, channel, displayMode, yield), text::trimBlanks(channel.name),
                               yield);
}

ChannelPlacer::ChannelPlacer(ChannelTree& tree, int displayMode, ShownChannels shown, YieldHook& yield)
    : tree_(tree), displayMode_(displayMode), shown_(shown), yield_(yield), paths_(64) {}

ChannelPlacer::~ChannelPlacer() = default;

std::uint32_t ChannelPlacer::findPath(std::string_view key, std::uint64_t hash) const {
    const std::size_t mask = paths_.size() - 1;
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        const Path& path = paths_[slot];
        if (path.number == kNoPath) return kNoPath;
        if (path.hash == hash && std::string_view(keys_).substr(path.offset, path.size) == key)
            return path.number;
    }
}

std::uint32_t ChannelPlacer::addPath(std::string_view key, std::uint64_t hash, NodeId node) {
    if ((parents_.size() + 1) * 2 > paths_.size()) {
        std::vector<Path> grown(paths_.size() * 2);
        for (const Path& held : paths_) {
            if (held.number == kNoPath) continue;
            std::size_t slot = held.hash & (grown.size() - 1);
            while (grown[slot].number != kNoPath) slot = (slot + 1) & (grown.size() - 1);
            grown[slot] = held;
        }
        paths_.swap(grown);
    }
    std::size_t slot = hash & (paths_.size() - 1);
    while (paths_[slot].number != kNoPath) slot = (slot + 1) & (paths_.size() - 1);
    const auto number = static_cast<std::uint32_t>(parents_.size());
    paths_[slot] =
        Path{hash, static_cast<std::uint32_t>(keys_.size()), static_cast<std::uint32_t>(key.size()), number};
    keys_.append(key);
    parents_.push_back(node);
    return number;
}

ListedColumns ChannelPlacer::columnsRead(int displayMode) {
    ListedColumns columns{false, false, false, false};
    if (const auto* path = modePath(displayMode)) {
        for (Column column : *path) {
            columns.class1 = columns.class1 || column == kClass1;
            columns.class2 = columns.class2 || column == kClass2;
            columns.class3 = columns.class3 || column == kClass3;
            columns.vol = columns.vol || column == kVol;
        }
    }
    return columns;
}

bool ChannelPlacer::place(const ChannelListing& row) {
    if (!shown_.shows(row)) return false;
    const ChannelColumns channel = columnsOf(row);
    // The key holds each trimmed value with its length, so empty values and
    // values that contain others stay apart.
    key_.assign(1, channel.favorited != 0 ? 'F' : 'R');
    appendKeyPart(key_, text::trimBlanks(channel.class0));
    if (const auto* path = modePath(displayMode_)) {
        for (Column column : *path) {
            if (column == kEnd) break;
            appendKeyPart(key_, text::trimBlanks(columnValue(channel, column)));
        }
    }
    const std::uint64_t hash = std::hash<std::string_view>{}(key_);
    std::uint32_t path = findPath(key_, hash);
    if (path == kNoPath) path = addPath(key_, hash, classNode(tree_, channel, displayMode_, yield_));
    const std::string_view name = text::trimBlanks(channel.name);
    if (isIrregularName(channel.name)) sawIrregularName_ = true;
    if (name.empty()) return true;  // the class node itself is the place
    if (leaves_.size() >= kNoNode) throw Error("The channel tree cannot hold more nodes");
    if (name.size() >= kNoNode) throw Error("The channel tree cannot hold more nodes");
    leaves_.push_back(Leaf{names_.store(name).data(), static_cast<std::uint32_t>(name.size()), path});
    return true;
}

void ChannelPlacer::finish() {
    // A counting sort by path: each parent's leaves in one run, in row order.
    std::vector<std::uint32_t> next(parents_.size() + 1, 0);
    for (std::size_t i = 0; i < leaves_.size(); ++i) {
        yield_.tick();
        ++next[leaves_[i].path + 1];
    }
    for (std::size_t path = 1; path < next.size(); ++path) next[path] += next[path - 1];
    // Leaf numbers grouped by path, written (and first touched) in the loop below.
    const auto order = std::make_unique_for_overwrite<std::uint32_t[]>(leaves_.size());
    for (std::size_t i = 0; i < leaves_.size(); ++i) {
        yield_.tick();
        order[next[leaves_[i].path]++] = static_cast<std::uint32_t>(i);
    }
    // next[path] is now where the path's run ends and the following one begins.
    std::vector<std::string_view> texts;
    std::size_t begin = 0;
    for (std::size_t path = 0; path < parents_.size(); ++path) {
        texts.clear();
        for (std::size_t at = begin; at < next[path]; ++at) {
            yield_.tick();
            const Leaf& leaf = leaves_[order[at]];
            texts.emplace_back(leaf.name, leaf.size);
        }
        tree_.appendUnchecked(parents_[path], texts, yield_);
        begin = next[path];
    }
    leaves_ = BlockArray<Leaf>{};
    names_ = TextBlocks{};
}

}  // namespace kw
