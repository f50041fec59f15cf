#include "core/sources/EntryMatcher.h"

#include "core/base/YieldHook.h"

#include <algorithm>
#include <functional>

namespace kw {
namespace {

std::uint64_t hashOf(std::string_view id, std::string_view part) {
    const std::hash<std::string_view> hash;
    return hash(id) ^ (hash(part) * 0x9E3779B97F4A7C15ULL);
}

bool lessHash(const std::pair<std::uint64_t, std::size_t>& slot, std::uint64_t hash) {
    return slot.first < hash;
}

}  // namespace

SeenParts::SeenParts(std::string_view seen) : parts{} {
    for (std::string_view& part : parts) {
        const auto end = seen.find('\x1F');
        part = seen.substr(0, end);
        seen = end == std::string_view::npos ? std::string_view() : seen.substr(end + 1);
    }
}

EntryMatcher::EntryMatcher(std::vector<SourceEntry> known, YieldHook& yield)
    : yield_(yield), known_(std::move(known)), taken_(known_.size()) {
    build(byAddress_);
}

// The unidentified round matches by the part alone.
std::string_view EntryMatcher::idOf(const Index& index, std::string_view entryId) {
    return index.unidentifiedOnly ? std::string_view() : entryId;
}

std::string_view EntryMatcher::partOf(const Index& index, const SourceEntry& entry) const {
    return index.withPart ? SeenParts(entry.seen)[index.part] : std::string_view();
}

// The channels not taken yet; the later rounds' indexes are made only when a
// round needs them, as most refreshes find every entry at its address.
void EntryMatcher::build(Index& index) {
    index.built = true;
    index.slots.reserve(known_.size());
    for (std::size_t at = 0; at < known_.size(); ++at) {
        yield_.tick();
        if (taken_[at]) continue;
        const SourceEntry& entry = known_[at];
        if (index.unidentifiedOnly && entry.entryId != SeenParts(entry.seen)[SeenParts::Address]) continue;
        index.slots.emplace_back(hashOf(idOf(index, entry.entryId), partOf(index, entry)), at);
    }
    std::sort(index.slots.begin(), index.slots.end());
}

const SourceEntry* EntryMatcher::take(Index& index, std::string_view entryId, std::string_view part) {
    if (!index.built) build(index);
    const std::uint64_t hash = hashOf(idOf(index, entryId), part);
    for (auto slot = std::lower_bound(index.slots.begin(), index.slots.end(), hash, lessHash);
         slot != index.slots.end() && slot->first == hash; ++slot) {
        const std::size_t at = slot->second;
        if (taken_[at] || idOf(index, known_[at].entryId) != idOf(index, entryId) ||
            partOf(index, known_[at]) != part)
            continue;
        taken_[at] = true;
        return &known_[at];
    }
    return nullptr;
}

const SourceEntry* EntryMatcher::takeByAddress(std::string_view entryId, std::string_view address) {
    return take(byAddress_, entryId, address);
}

const SourceEntry* EntryMatcher::takeByName(std::string_view entryId, std::string_view name) {
    return take(byName_, entryId, name);
}

const SourceEntry* EntryMatcher::takeAny(std::string_view entryId) { return take(byId_, entryId, {}); }

const SourceEntry* EntryMatcher::takeUnidentifiedByName(std::string_view name) {
    return take(unidentifiedByName_, {}, name);
}

std::vector<const SourceEntry*> EntryMatcher::untaken() const {
    std::vector<const SourceEntry*> left;
    for (std::size_t at = 0; at < known_.size(); ++at) {
        if (!taken_[at]) left.push_back(&known_[at]);
    }
    return left;
}

}  // namespace kw
