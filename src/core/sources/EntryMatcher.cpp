#include "core/sources/EntryMatcher.h"

#include <algorithm>

namespace kw {
namespace {

std::string keyOf(std::string_view id, std::string_view part) {
    std::string key(id);
    key += '\x1F';  // no id or cleaned value holds a control character
    key += part;
    return key;
}

}  // namespace

SeenParts::SeenParts(std::string_view seen) : parts{} {
    for (std::string_view& part : parts) {
        const auto end = seen.find('\x1F');
        part = seen.substr(0, end);
        seen = end == std::string_view::npos ? std::string_view() : seen.substr(end + 1);
    }
}

EntryMatcher::EntryMatcher(std::vector<SourceEntry> known) : known_(std::move(known)), taken_(known_.size()) {
    index(byAddress_, [](const SourceEntry& entry) {
        return keyOf(entry.entryId, SeenParts(entry.seen)[SeenParts::Address]);
    });
}

void EntryMatcher::index(Candidates& candidates,
                         const std::function<std::string(const SourceEntry&)>& keyOfEntry) {
    candidates.reserve(known_.size());
    for (std::size_t at = known_.size(); at-- > 0;) {
        if (!taken_[at]) candidates[keyOfEntry(known_[at])].push_back(at);
    }
}

const SourceEntry* EntryMatcher::takeFrom(Candidates& candidates, const std::string& key) {
    const auto found = candidates.find(key);
    if (found == candidates.end()) return nullptr;
    std::vector<std::size_t>& left = found->second;
    while (!left.empty()) {
        const std::size_t at = left.back();
        left.pop_back();
        if (!taken_[at]) {
            taken_[at] = true;
            return &known_[at];
        }
    }
    return nullptr;
}

const SourceEntry* EntryMatcher::takeByAddress(std::string_view entryId, std::string_view address) {
    return takeFrom(byAddress_, keyOf(entryId, address));
}

const SourceEntry* EntryMatcher::takeByName(std::string_view entryId, std::string_view name) {
    if (!nameIndexed_) {
        nameIndexed_ = true;
        index(byName_, [](const SourceEntry& entry) {
            return keyOf(entry.entryId, SeenParts(entry.seen)[SeenParts::Name]);
        });
    }
    return takeFrom(byName_, keyOf(entryId, name));
}

const SourceEntry* EntryMatcher::takeAny(std::string_view entryId) {
    if (!idIndexed_) {
        idIndexed_ = true;
        index(byId_, [](const SourceEntry& entry) { return entry.entryId; });
    }
    return takeFrom(byId_, std::string(entryId));
}

std::vector<const SourceEntry*> EntryMatcher::untaken() const {
    std::vector<const SourceEntry*> left;
    for (std::size_t at = 0; at < known_.size(); ++at) {
        if (!taken_[at]) left.push_back(&known_[at]);
    }
    return left;
}

}  // namespace kw
